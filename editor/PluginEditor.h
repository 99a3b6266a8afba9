#pragma once

#include "editor/ParameterRelays.h"
#include "plugin/PluginProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

// The web view never leaves the one page it was started on; other sites open in the system's browser.
class SinglePageBrowser : public kavro::web::WebBrowserComponent
{
public:
    using WebBrowserComponent::WebBrowserComponent;
    bool pageAboutToLoad (const juce::String& url) override;
};

// The plug-in's window: one web page, with the bridge to the processor around it (native functions,
// a relay per parameter, the events "viz", "presetState" and "macroNames").
class KavroLabAudioProcessorEditor : public juce::AudioProcessorEditor, private juce::Timer
{
public:
    explicit KavroLabAudioProcessorEditor (KavroLabAudioProcessor&);
    ~KavroLabAudioProcessorEditor() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    int getControlParameterIndex (juce::Component&) override;

    juce::File uiSettingsFile() const;
    juce::var loadUiSettings() const;
    juce::var macroNamesVar() const;

    bool isWhiteTheme() const { return whiteTheme; }

    // Where openURL hands a checked address; the system's browser unless replaced.
    std::function<void (const juce::URL&)> launchUrl = [] (const juce::URL& url) { url.launchInDefaultBrowser(); };

    static constexpr int minimumSize = 320, maximumSize = 2400;

private:
    void timerCallback() override;
    void applyKeyboardOwner();
    void emitVisualisation();
    void emitStateEvents();
    static int clampSize (const juce::var&);
    void pinSize (int width, int height);
    void applyEditorSize (int width, int height);
    void applyOversampling (int index);
    void storeUiSettings (std::initializer_list<std::pair<juce::Identifier, juce::var>> values) const;

    kavro::web::WebBrowserComponent::Options withNativeFunctions (const kavro::web::WebBrowserComponent::Options&);

    bool backgroundTinted = false;
    bool whiteTheme = false;
    bool keyboardToPage = false;
    bool keyboardFocusPending = false;
    bool applyingKeyboardFocus = false;
    juce::ComponentBoundsConstrainer constrainer;
    KavroLabAudioProcessor& processorRef;

    kavro::ParameterRelays relays;
    kavro::web::WebControlParameterIndexReceiver controlParameterIndexReceiver;
    SinglePageBrowser webComponent;
    kavro::ParameterRelayAttachments attachments;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KavroLabAudioProcessorEditor)
};
