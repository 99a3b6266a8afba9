#include "editor/PluginEditor.h"

#include "editor/EmbeddedPage.h"
#include "editor/PlatformView.h"
#include "editor/linux/WebViewHelperConnection.h"
#include "plugin/UiSettings.h"

namespace
{
constexpr int tickPeriodMs = 33;

} // namespace

bool SinglePageBrowser::pageAboutToLoad (const juce::String& url)
{
    return url == getResourceProviderRoot();
}

int KavroLabAudioProcessorEditor::clampSize (const juce::var& value)
{
    return juce::jlimit (minimumSize, maximumSize, (int) value);
}

// Only the page sizes the editor: the host's resize attempts meet limits equal to this size.
void KavroLabAudioProcessorEditor::pinSize (int width, int height)
{
    constrainer.setSizeLimits (width, height, width, height);
    if (getWidth() != width || getHeight() != height)
        setSize (width, height);
}

//==============================================================================
KavroLabAudioProcessorEditor::KavroLabAudioProcessorEditor (KavroLabAudioProcessor& p)
    : AudioProcessorEditor (&p),
      processorRef (p),
      webComponent (withNativeFunctions (controlParameterIndexReceiver.buildOptions (
                                             relays.buildOptions (kavro::web::WebBrowserComponent::Options {}
                                                                      .withNativeIntegrationEnabled())))
                        .withResourceProvider (kavro::serveEmbeddedPage)
                        .withPageConnection (kavro::webview::helperProcess ("velbrook-webview"))),
      attachments (p.apvts, relays)
{
    ++processorRef.editorOpenCount;

    addAndMakeVisible (webComponent);
    webComponent.goToURL (kavro::web::WebBrowserComponent::getResourceProviderRoot());

    if (processorRef.presetManager != nullptr)
        processorRef.presetManager->onChanged = [this] { emitStateEvents(); };

    setConstrainer (&constrainer);
    setResizable (true, false);
    setOpaque (true);
    setWantsKeyboardFocus (true); // holds the keyboard for the host while the page does not

    const auto settings = loadUiSettings();
    whiteTheme = settings.getProperty ("theme", "dark").toString() == "white";
    const auto width = clampSize (settings.getProperty ("editorW", 640));
    const auto height = clampSize (settings.getProperty ("editorH", 535));
    pinSize (width, height);

    startTimer (tickPeriodMs);
}

KavroLabAudioProcessorEditor::~KavroLabAudioProcessorEditor()
{
    --processorRef.editorOpenCount;
    if (processorRef.presetManager != nullptr)
        processorRef.presetManager->onChanged = nullptr;
    stopTimer();
}

void KavroLabAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (kavro::pageColour (whiteTheme));
}

void KavroLabAudioProcessorEditor::resized()
{
    webComponent.setBounds (getLocalBounds());
}

int KavroLabAudioProcessorEditor::getControlParameterIndex (juce::Component&)
{
    return controlParameterIndexReceiver.getControlParameterIndex();
}

//==============================================================================
juce::File KavroLabAudioProcessorEditor::uiSettingsFile() const
{
    return kavro::uisettings::file();
}

juce::var KavroLabAudioProcessorEditor::loadUiSettings() const
{
    return kavro::uisettings::read();
}

void KavroLabAudioProcessorEditor::storeUiSettings (
    std::initializer_list<std::pair<juce::Identifier, juce::var>> values) const
{
    kavro::uisettings::update (values);
}

juce::var KavroLabAudioProcessorEditor::macroNamesVar() const
{
    auto* names = new juce::DynamicObject();
    for (int i = 0; i < 3; ++i)
        names->setProperty ("m" + juce::String (i + 1), processorRef.getMacroName (i));
    return names;
}

//==============================================================================
void KavroLabAudioProcessorEditor::timerCallback()
{
    if (! backgroundTinted && getPeer() != nullptr)
        backgroundTinted = kavro::tintWebViewBackground (webComponent, whiteTheme);
    if (keyboardFocusPending && ! applyingKeyboardFocus)
        applyKeyboardOwner();
    emitVisualisation();
}

void KavroLabAudioProcessorEditor::applyKeyboardOwner()
{
    auto* peer = getPeer();
    if (applyingKeyboardFocus || peer == nullptr)
        return;
    const juce::ScopedValueSetter<bool> guard (applyingKeyboardFocus, true);

    if (! keyboardToPage)
        webComponent.giveAwayKeyboardFocus();

    auto* target = keyboardToPage ? kavro::findWebView (webComponent) : static_cast<juce::Component*> (this);
    if (target == nullptr)
        return; // the page's window does not exist yet: retried by the timer

    // Focus moves only while it is inside the plug-in's own window; the host's fields keep theirs.
    if (peer->isFocused() && ! target->hasKeyboardFocus (false))
        target->grabKeyboardFocus();
    keyboardFocusPending = false;
}

void KavroLabAudioProcessorEditor::emitVisualisation()
{
    auto& meters = processorRef.engine.meters;
    auto* viz = new juce::DynamicObject();
    viz->setProperty ("sr", processorRef.vizSampleRate.load());
    viz->setProperty ("cutoff", meters.vizCutoff.load());
    viz->setProperty ("reso", meters.vizResonance.load());
    viz->setProperty ("type", meters.vizFilterType.load());
    viz->setProperty ("amount", meters.vizAmount.load());
    viz->setProperty ("modLow", meters.vizModLow.load());
    viz->setProperty ("modHigh", meters.vizModHigh.load());
    viz->setProperty ("low", meters.vizLow.load());
    viz->setProperty ("mid", meters.vizMid.load());
    viz->setProperty ("high", meters.vizHigh.load());
    viz->setProperty ("inLvl", meters.inputLevel.load());
    viz->setProperty ("outLvl", meters.outputLevel.load());
    viz->setProperty ("hit", meters.vizHit.exchange (0.0f)); // read and cleared at once: each hit is reported once
    webComponent.emitEventIfBrowserIsVisible ("viz", viz);
}

void KavroLabAudioProcessorEditor::emitStateEvents()
{
    webComponent.emitEventIfBrowserIsVisible ("presetState", processorRef.presetManager->getStateForUI());
    webComponent.emitEventIfBrowserIsVisible ("macroNames", macroNamesVar());
}
