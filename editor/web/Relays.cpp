#include "editor/web/Relays.h"

namespace kavro::web
{
namespace
{
const juce::String valueChanged = "valueChanged";
const juce::String requestInitialUpdate = "requestInitialUpdate";

bool isNumber (const juce::var& value)
{
    return value.isDouble() || value.isInt() || value.isInt64();
}
} // namespace

ControlRelay::ControlRelay (juce::StringRef relayName, const char* eventPrefix, const char* listName)
    : name (relayName), eventId (eventPrefix + name), initialisationList (listName)
{
}

WebBrowserComponent::Options ControlRelay::buildOptions (const WebBrowserComponent::Options& initialOptions)
{
    return initialOptions.withEventListener (eventId, [this] (const juce::var& event) { handlePageEvent (event); })
        .withInitialisationData (initialisationList, name)
        .withWebViewLifetimeListener (this);
}

void ControlRelay::emitEvent (const juce::var& object)
{
    if (webView != nullptr)
        webView->emitEventIfBrowserIsVisible (eventId, object);
}

void ControlRelay::emitValue (const juce::var& value)
{
    auto* event = new juce::DynamicObject();
    event->setProperty ("eventType", valueChanged);
    event->setProperty ("value", value);
    emitEvent (event);
}

//==============================================================================
void WebSliderRelay::setValue (float newValue)
{
    value = newValue;
    emitValue (newValue);
}

void WebSliderRelay::handlePageEvent (const juce::var& event)
{
    const auto type = event["eventType"].toString();
    if (type == valueChanged)
    {
        if (! isNumber (event["value"]))
            return;
        value = (float) (double) event["value"];
        listeners.call ([this] (Listener& l) { l.sliderValueChanged (this); });
    }
    else if (type == "sliderDragStarted")
        listeners.call ([this] (Listener& l) { l.sliderDragStarted (this); });
    else if (type == "sliderDragEnded")
        listeners.call ([this] (Listener& l) { l.sliderDragEnded (this); });
    else if (type == requestInitialUpdate)
        listeners.call ([this] (Listener& l) { l.initialUpdateRequested (this); });
}

void WebToggleButtonRelay::setToggleState (bool newState)
{
    state = newState;
    emitValue (newState);
}

void WebToggleButtonRelay::handlePageEvent (const juce::var& event)
{
    const auto type = event["eventType"].toString();
    if (type == valueChanged)
    {
        if (! event["value"].isBool())
            return;
        state = (bool) event["value"];
        listeners.call ([this] (Listener& l) { l.toggleStateChanged (state); });
    }
    else if (type == requestInitialUpdate)
        listeners.call ([] (Listener& l) { l.initialUpdateRequested(); });
}

void WebComboBoxRelay::setValue (float newNormalisedValue)
{
    value = newNormalisedValue;
    emitValue (newNormalisedValue);
}

void WebComboBoxRelay::handlePageEvent (const juce::var& event)
{
    const auto type = event["eventType"].toString();
    if (type == valueChanged)
    {
        if (! isNumber (event["value"]))
            return;
        value = juce::jlimit (0.0f, 1.0f, (float) (double) event["value"]);
        listeners.call ([this] (Listener& l) { l.valueChanged (value); });
    }
    else if (type == requestInitialUpdate)
        listeners.call ([] (Listener& l) { l.initialUpdateRequested(); });
}

//==============================================================================
WebBrowserComponent::Options
    WebControlParameterIndexReceiver::buildOptions (const WebBrowserComponent::Options& initialOptions)
{
    return initialOptions.withEventListener ("__juce__controlParameterIndexChanged",
                                             [this] (const juce::var& reported) { index = (int) reported; });
}
} // namespace kavro::web
