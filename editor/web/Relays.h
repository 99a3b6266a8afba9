#pragma once

#include "editor/web/WebBrowserComponent.h"

namespace kavro::web
{
// What every relay shares: a name, the page event it listens to and emits on, and the list of the
// initialisation data that tells the page it exists.
class ControlRelay : private WebViewLifetimeListener
{
public:
    ~ControlRelay() override = default;

    const juce::String& getName() const { return name; }
    const juce::Identifier& getIdentifier() const { return eventId; }

    WebBrowserComponent::Options buildOptions (const WebBrowserComponent::Options& initialOptions);

    // Sends the object to the page as this relay's event; nothing while there is no web view.
    void emitEvent (const juce::var& object);

protected:
    ControlRelay (juce::StringRef relayName, const char* eventPrefix, const char* initialisationList);

    virtual void handlePageEvent (const juce::var& event) = 0;

    void emitValue (const juce::var& value);

private:
    void webViewConstructed (WebBrowserComponent* browser) override { webView = browser; }
    void webViewDestructed (WebBrowserComponent*) override { webView = nullptr; }

    juce::String name;
    juce::Identifier eventId;
    const char* initialisationList;
    WebBrowserComponent* webView = nullptr;
};

// A relay whose page events reach listeners of its own kind.
template <typename ListenerType>
class ListenedRelay : public ControlRelay
{
public:
    using Listener = ListenerType;

    void addListener (Listener* listener) { listeners.add (listener); }
    void removeListener (Listener* listener) { listeners.remove (listener); }

protected:
    using ControlRelay::ControlRelay;

    juce::ListenerList<Listener> listeners;
};

class WebSliderRelay;

struct WebSliderRelayListener
{
    virtual ~WebSliderRelayListener() = default;
    virtual void sliderValueChanged (WebSliderRelay*) = 0;
    virtual void sliderDragStarted (WebSliderRelay*) = 0;
    virtual void sliderDragEnded (WebSliderRelay*) = 0;
    virtual void initialUpdateRequested (WebSliderRelay*) = 0;
};

// A continuous control. Values are plain (denormalised) parameter values.
class WebSliderRelay : public ListenedRelay<WebSliderRelayListener>
{
public:
    explicit WebSliderRelay (juce::StringRef relayName) : ListenedRelay (relayName, "__juce__slider", "__juce__sliders") {}

    void setValue (float newValue);
    float getValue() const { return value; }

private:
    void handlePageEvent (const juce::var& event) override;

    float value = 0.0f;
};

struct WebToggleButtonRelayListener
{
    virtual ~WebToggleButtonRelayListener() = default;
    virtual void toggleStateChanged (bool newState) = 0;
    virtual void initialUpdateRequested() = 0;
};

class WebToggleButtonRelay : public ListenedRelay<WebToggleButtonRelayListener>
{
public:
    explicit WebToggleButtonRelay (juce::StringRef relayName)
        : ListenedRelay (relayName, "__juce__toggle", "__juce__toggles")
    {
    }

    void setToggleState (bool newState);
    bool getToggleState() const { return state; }

private:
    void handlePageEvent (const juce::var& event) override;

    bool state = false;
};

struct WebComboBoxRelayListener
{
    virtual ~WebComboBoxRelayListener() = default;
    virtual void valueChanged (float newNormalisedValue) = 0;
    virtual void initialUpdateRequested() = 0;
};

// A choice. Values are the choice's index normalised to 0..1 (index / (choices - 1)).
class WebComboBoxRelay : public ListenedRelay<WebComboBoxRelayListener>
{
public:
    explicit WebComboBoxRelay (juce::StringRef relayName)
        : ListenedRelay (relayName, "__juce__comboBox", "__juce__comboBoxes")
    {
    }

    void setValue (float newNormalisedValue);
    float getValue() const { return value; }

private:
    void handlePageEvent (const juce::var& event) override;

    float value = 0.0f;
};

// Keeps the parameter index of the control the page reports as hovered or touched; -1 until one is.
class WebControlParameterIndexReceiver
{
public:
    WebBrowserComponent::Options buildOptions (const WebBrowserComponent::Options& initialOptions);
    int getControlParameterIndex() const { return index; }

private:
    int index = -1;
};
} // namespace kavro::web
