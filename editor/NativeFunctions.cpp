// The functions the page calls. Each completes exactly once; missing or wrong arguments read as the
// framework's conversions give them (0, false, empty text).
#include "editor/PluginEditor.h"
#include "editor/PlatformView.h"

namespace
{
using Arguments = juce::Array<juce::var>;
using Completion = kavro::web::WebBrowserComponent::NativeFunctionCompletion;

juce::var saveFailure()
{
    auto* result = new juce::DynamicObject();
    result->setProperty ("ok", false);
    return result;
}

juce::String textAt (const Arguments& args, int index)
{
    return index < args.size() ? args[index].toString() : juce::String();
}
} // namespace

kavro::web::WebBrowserComponent::Options
    KavroLabAudioProcessorEditor::withNativeFunctions (const kavro::web::WebBrowserComponent::Options& initial)
{
    auto* presets = processorRef.presetManager.get();
    using SafeEditor = juce::Component::SafePointer<KavroLabAudioProcessorEditor>;

    return initial
        .withNativeFunction ("setEditorSize",
                             [this] (const Arguments& args, Completion complete) {
                                 if (args.size() >= 2)
                                     juce::MessageManager::callAsync (
                                         [editor = SafeEditor (this), width = clampSize (args[0]),
                                          height = clampSize (args[1])] {
                                             if (editor != nullptr)
                                                 editor->applyEditorSize (width, height);
                                         });
                                 complete ({});
                             })
        .withNativeFunction ("getUiSettings",
                             [this] (const Arguments&, Completion complete) { complete (loadUiSettings()); })
        .withNativeFunction ("getPluginVersion",
                             [] (const Arguments&, Completion complete) { complete (JucePlugin_VersionString); })
        .withNativeFunction ("setUiSetting",
                             [this] (const Arguments& args, Completion complete) {
                                 if (args.size() >= 2)
                                 {
                                     const auto key = args[0].toString();
                                     storeUiSettings ({ { key, args[1] } });
                                     if (key == "theme")
                                     {
                                         whiteTheme = args[1].toString() == "white";
                                         repaint();
                                         if (isShowing())
                                             kavro::tintWebViewBackground (webComponent, whiteTheme);
                                     }
                                 }
                                 complete ({});
                             })
        .withNativeFunction ("setOversampling",
                             [this] (const Arguments& args, Completion complete) {
                                 if (! args.isEmpty())
                                     juce::MessageManager::callAsync ([editor = SafeEditor (this), index = (int) args[0]] {
                                         if (editor != nullptr)
                                             editor->applyOversampling (index);
                                     });
                                 complete ({});
                             })
        .withNativeFunction ("autoGain",
                             [this] (const Arguments&, Completion complete) {
                                 const auto input = processorRef.engine.meters.inputLevel.load();
                                 const auto mixed = processorRef.engine.meters.preVolumeLevel.load();
                                 if (! std::isfinite (input) || ! std::isfinite (mixed) || input < 0.001f || mixed < 1.0e-6f)
                                 {
                                     complete (false);
                                     return;
                                 }
                                 const auto gainDb = juce::jlimit (
                                     -36.0f, 12.0f, juce::Decibels::gainToDecibels (input / mixed, -100.0f));
                                 if (auto* volume = processorRef.apvts.getParameter ("volume"))
                                 {
                                     volume->beginChangeGesture();
                                     volume->setValueNotifyingHost (volume->convertTo0to1 (gainDb));
                                     volume->endChangeGesture();
                                 }
                                 complete (true);
                             })
        .withNativeFunction ("randomizePatch",
                             [this] (const Arguments& args, Completion complete) {
                                 const auto mode = args.isEmpty() ? juce::String ("roll") : args[0].toString();
                                 complete (processorRef.randomizer != nullptr && processorRef.randomizer->randomize (mode));
                             })
        .withNativeFunction ("getPresetList",
                             [presets] (const Arguments&, Completion complete) {
                                 complete (presets != nullptr ? presets->getStateForUI() : juce::var());
                             })
        .withNativeFunction ("loadPreset",
                             [presets] (const Arguments& args, Completion complete) {
                                 complete (presets != nullptr && ! args.isEmpty() && presets->loadPreset (args[0].toString()));
                             })
        .withNativeFunction ("loadAdjacent",
                             [presets] (const Arguments& args, Completion complete) {
                                 if (presets != nullptr && ! args.isEmpty())
                                     presets->loadAdjacent ((int) args[0]);
                                 complete (true);
                             })
        .withNativeFunction ("savePreset",
                             [presets] (const Arguments& args, Completion complete) {
                                 if (presets == nullptr || args.size() < 2)
                                 {
                                     complete (saveFailure());
                                     return;
                                 }
                                 complete (presets->savePreset (textAt (args, 0), textAt (args, 1), textAt (args, 2),
                                                                textAt (args, 3)));
                             })
        .withNativeFunction ("deletePreset",
                             [presets] (const Arguments& args, Completion complete) {
                                 const auto uuid = textAt (args, 0);
                                 complete (presets != nullptr && uuid.isNotEmpty() && presets->deletePreset (uuid));
                             })
        .withNativeFunction ("renamePreset",
                             [presets] (const Arguments& args, Completion complete) {
                                 complete (presets != nullptr && args.size() >= 2
                                           && presets->renamePreset (textAt (args, 0), textAt (args, 1)));
                             })
        .withNativeFunction ("setFavorite",
                             [presets] (const Arguments& args, Completion complete) {
                                 if (presets != nullptr && args.size() >= 2 && textAt (args, 0).isNotEmpty())
                                     presets->setFavorite (textAt (args, 0), (bool) args[1]);
                                 complete (true);
                             })
        .withNativeFunction ("getMacroNames",
                             [this] (const Arguments&, Completion complete) { complete (macroNamesVar()); })
        .withNativeFunction ("setMacroName",
                             [this, presets] (const Arguments& args, Completion complete) {
                                 const auto index = args.size() >= 2 ? (int) args[0] : -1;
                                 if (juce::isPositiveAndBelow (index, 3))
                                 {
                                     processorRef.setMacroName (index, args[1].toString());
                                     if (presets != nullptr)
                                         presets->markModified();
                                 }
                                 complete ({});
                             })
        .withNativeFunction ("setKeyboardOwner",
                             [this] (const Arguments& args, Completion complete) {
                                 keyboardToPage = ! args.isEmpty() && (bool) args[0];
                                 keyboardFocusPending = true;
                                 if (! applyingKeyboardFocus)
                                     applyKeyboardOwner();
                                 complete ({});
                             })
        .withNativeFunction ("openURL", [this] (const Arguments& args, Completion complete) {
            const auto url = textAt (args, 0).trim();
            if (url.startsWithIgnoreCase ("https://"))
                launchUrl (juce::URL (url));
            complete ({});
        });
}

void KavroLabAudioProcessorEditor::applyEditorSize (int width, int height)
{
    pinSize (width, height);

    const auto stored = loadUiSettings();
    if ((int) stored["editorW"] == width && (int) stored["editorH"] == height)
        return;
    storeUiSettings ({ { "editorW", width }, { "editorH", height } });
}

void KavroLabAudioProcessorEditor::applyOversampling (int requested)
{
    const auto index = juce::jlimit (0, 2, requested);
    if (index == processorRef.oversamplingIndex.load())
        return;
    processorRef.oversamplingIndex = index;
    // An instance the host has not prepared yet starts with the new factor when it is.
    if (processorRef.getSampleRate() > 0.0)
        processorRef.prepareToPlay (processorRef.getSampleRate(), processorRef.getBlockSize());
}
