#include "support/EditorRig.h"

#include <gtest/gtest.h>

namespace
{
using Args = juce::Array<juce::var>;

juce::String json (const juce::var& value)
{
    return juce::JSON::toString (value, true);
}
} // namespace

TEST (NativeFunctions, AreRegisteredInTheirOrder)
{
    EditorRig rig;
    rig.open();
    const auto data = rig.page->initialisationData();
    juce::StringArray functions;
    for (const auto& name : *data["__juce__functions"].getArray())
        functions.add (name.toString());
    EXPECT_EQ (functions.joinIntoString (" "),
               "setEditorSize getUiSettings getPluginVersion setUiSetting setOversampling autoGain randomizePatch "
               "getPresetList loadPreset loadAdjacent savePreset deletePreset renamePreset setFavorite "
               "getMacroNames setMacroName setKeyboardOwner openURL");
    EXPECT_EQ (json (data["__juce__platform"]), R"(["linux"])");
}

TEST (NativeFunctions, AnswerSimpleQueriesAndUnknownNames)
{
    EditorRig rig;
    rig.open();
    EXPECT_EQ (rig.page->invoke ("getPluginVersion").toString(), "1.1.0");
    EXPECT_EQ (json (rig.page->invoke ("getUiSettings")), "{}");
    EXPECT_TRUE (rig.page->invoke ("noSuchFunction").isVoid());
    EXPECT_TRUE (rig.page->invoke ("getPresetList")["presets"].isArray());
}

TEST (NativeFunctions, SetEditorSizeClampsDefersAndStoresOnlyChanges)
{
    EditorRig rig;
    auto& editor = rig.open();

    EXPECT_TRUE (rig.page->invoke ("setEditorSize", { 800 }).isVoid());
    pumpMessages (20);
    EXPECT_EQ (editor.getWidth(), 640);
    EXPECT_FALSE (rig.settingsFile().exists());

    rig.page->invoke ("setEditorSize", { 100, 3000 });
    EXPECT_EQ (editor.getWidth(), 640); // answered before the resize happens
    pumpMessages (20);
    EXPECT_EQ (editor.getWidth(), 320);
    EXPECT_EQ (editor.getHeight(), 2400);
    EXPECT_EQ ((int) rig.settings()["editorW"], 320);

    rig.page->invoke ("setEditorSize", { 900, 600 });
    rig.page->invoke ("setEditorSize", { 1000, "700" });
    pumpMessages (20);
    EXPECT_EQ (editor.getWidth(), 1000);
    EXPECT_EQ (editor.getHeight(), 700);
    editor.setBoundsConstrained ({ 0, 0, 500, 500 });
    EXPECT_EQ (editor.getWidth(), 1000);

    const auto written = juce::Time (2000, 0, 1, 0, 0);
    rig.settingsFile().setLastModificationTime (written);
    rig.page->invoke ("setEditorSize", { 1000, 700 });
    pumpMessages (20);
    EXPECT_EQ (rig.settingsFile().getLastModificationTime(), written);
}

TEST (NativeFunctions, ASizeRequestStillQueuedWhenTheEditorClosesDoesNothing)
{
    EditorRig rig;
    rig.open();
    rig.page->invoke ("setEditorSize", { 800, 800 });
    rig.editor.reset();
    pumpMessages (20);
    EXPECT_FALSE (rig.settingsFile().exists());
}

TEST (NativeFunctions, SetUiSettingStoresAnyKeyAsMultiLineCrlfJson)
{
    EditorRig rig ("[1, 2]");
    auto& editor = rig.open();

    rig.page->invoke ("setUiSetting", { "lang", "de" });
    rig.page->invoke ("setUiSetting", { juce::var ("accent"), jsonObject ({ { "h", 200 } }) });
    rig.page->invoke ("setUiSetting", { juce::var ("mode") }); // one argument: nothing
    const auto text = rig.settingsFile().loadFileAsString();
    EXPECT_TRUE (text.contains ("\r\n"));
    EXPECT_FALSE (text.replace ("\r\n", "").contains ("\n"));
    EXPECT_EQ (json (rig.settings()), R"({"lang": "de", "accent": {"h": 200}})");
    EXPECT_FALSE (editor.isWhiteTheme());

    rig.page->invoke ("setUiSetting", { "theme", "white" });
    EXPECT_TRUE (editor.isWhiteTheme());
    rig.page->invoke ("setUiSetting", { "theme", "dark" });
    EXPECT_FALSE (editor.isWhiteTheme());
    EXPECT_EQ (rig.settings()["theme"].toString(), "dark");
}

TEST (NativeFunctions, SetOversamplingClampsAndReprepareOnlyOnChange)
{
    struct Case
    {
        juce::var requested;
        int expectedIndex, preparations;
    };
    const Case cases[] { { 5, 2, 1 }, { -1, 0, 1 }, { 1, 1, 0 }, { "2", 2, 1 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.requested.toString());
        EditorRig rig;
        rig.processor.oversamplingIndex = 1;
        rig.processor.setRateAndBufferSizeDetails (48000.0, 256);
        rig.processor.prepareToPlay (48000.0, 256);
        rig.open();
        const auto before = rig.processor.preparations;

        EXPECT_TRUE (rig.page->invoke ("setOversampling", { c.requested }).isVoid());
        pumpMessages (20);
        EXPECT_EQ (rig.processor.oversamplingIndex.load(), c.expectedIndex);
        EXPECT_EQ (rig.processor.preparations - before, c.preparations);
        EXPECT_EQ (rig.processor.getLatencySamples(), kavro::Engine::latencyFor (c.expectedIndex));
    }
}

TEST (NativeFunctions, AutoGainMatchesTheOutputToTheInput)
{
    struct Case
    {
        float input, mixed;
        bool applied;
        float volumeDb;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] {
        { 0.0f, 0.2f, false, 0.0f },        // silence at the input
        { 0.0009f, 0.2f, false, 0.0f },     // below the input floor
        { 0.5f, 1.0e-7f, false, 0.0f },     // nothing left after the mix
        { nan, 0.2f, false, 0.0f },
        { 0.5f, 0.25f, true, 6.0206f },
        { 0.001f, 10.0f, true, -36.0f },    // -80 dB, clamped
        { 1.0f, 0.01f, true, 12.0f },       // +40 dB, clamped
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.input) + " / " + juce::String (c.mixed));
        EditorRig rig;
        rig.open();
        auto* volume = rig.processor.apvts.getParameter ("volume");
        volume->setValueNotifyingHost (volume->convertTo0to1 (0.0f));
        rig.processor.engine.meters.inputLevel = c.input;
        rig.processor.engine.meters.preVolumeLevel = c.mixed;

        EXPECT_EQ ((bool) rig.page->invoke ("autoGain"), c.applied);
        EXPECT_NEAR (rig.plainValue ("volume"), c.volumeDb, 0.05f); // the parameter's step is 0.1 dB
    }
}

TEST (NativeFunctions, PresetFunctionsCheckTheirArguments)
{
    EditorRig rig;
    rig.open();
    auto& presets = *rig.processor.presetManager;
    const auto factoryKey = presets.list().front().key;
    const auto factoryName = presets.list().front().name;
    const auto count = presets.list().size();

    EXPECT_EQ (json (rig.page->invoke ("savePreset", { "Only a name" })), R"({"ok": false})");
    EXPECT_EQ (json (rig.page->invoke ("savePreset", { "   ", "Texture" })),
               R"({"ok": false, "error": "Ungueltiger Name"})");
    EXPECT_EQ (json (rig.page->invoke ("savePreset", { "Night Air", "Texture" })), R"({"ok": true})");
    EXPECT_EQ (presets.list().size(), count + 1);
    EXPECT_EQ (rig.page->invoke ("getPresetList")["current"]["name"].toString(), "Night Air");

    EXPECT_FALSE ((bool) rig.page->invoke ("deletePreset", { factoryKey }));
    EXPECT_FALSE ((bool) rig.page->invoke ("deletePreset", { "" }));
    EXPECT_FALSE ((bool) rig.page->invoke ("deletePreset"));
    EXPECT_FALSE ((bool) rig.page->invoke ("renamePreset", { factoryKey, "Mine now" }));
    EXPECT_FALSE ((bool) rig.page->invoke ("renamePreset", { factoryKey }));
    EXPECT_EQ (presets.list().size(), count + 1);
    EXPECT_EQ (presets.list().front().name, factoryName);

    const auto favouritesBefore = json (rig.page->invoke ("getPresetList"));
    EXPECT_TRUE ((bool) rig.page->invoke ("setFavorite", { juce::var (""), true }));
    EXPECT_TRUE ((bool) rig.page->invoke ("setFavorite", { factoryKey }));
    EXPECT_EQ (json (rig.page->invoke ("getPresetList")), favouritesBefore);

    EXPECT_FALSE ((bool) rig.page->invoke ("loadPreset"));
    EXPECT_FALSE ((bool) rig.page->invoke ("loadPreset", { "no-such-preset" }));
    EXPECT_TRUE ((bool) rig.page->invoke ("loadAdjacent"));
    EXPECT_TRUE ((bool) rig.page->invoke ("loadAdjacent", { 1 }));
    EXPECT_TRUE ((bool) rig.page->invoke ("randomizePatch"));
}

TEST (NativeFunctions, SetMacroNameTrimsCutsAndMarksThePresetModifiedOnce)
{
    EditorRig rig;
    rig.open();
    auto& presets = *rig.processor.presetManager;
    pumpMessages (50);
    ASSERT_FALSE (presets.isModified());
    const auto stateEventsBefore = rig.page->events ("presetState").size();

    const juce::String longName = "  " + juce::String::repeatedString ("abcdefghij", 4) + "  ";
    rig.page->invoke ("setMacroName", { 1, longName });
    EXPECT_EQ (rig.processor.getMacroName (1), "abcdefghijabcdefghijabcd");
    EXPECT_TRUE (presets.isModified());

    rig.page->invoke ("setMacroName", { 0, "Bloom" });
    EXPECT_EQ (rig.processor.getMacroName (0), "Bloom");
    rig.page->invoke ("setMacroName", { 0, "   " });
    EXPECT_EQ (rig.processor.getMacroName (0), "M1");
    EXPECT_FALSE (rig.processor.apvts.state.getChildWithName ("uiMeta").hasProperty ("macroName1"));

    const auto third = rig.processor.getMacroName (2);
    rig.page->invoke ("setMacroName", { 3, "Nope" });
    rig.page->invoke ("setMacroName", { -1, "Nope" });
    rig.page->invoke ("setMacroName", { juce::var (2) });
    EXPECT_EQ (rig.processor.getMacroName (2), third);

    EXPECT_EQ (rig.page->events ("presetState").size(), stateEventsBefore + 1);
    EXPECT_EQ (rig.page->events ("macroNames").back()["m2"].toString(), "abcdefghijabcdefghijabcd");
}

TEST (NativeFunctions, OpenUrlHandsOnlySecureAddressesToTheBrowser)
{
    EditorRig rig;
    auto& editor = rig.open();
    juce::StringArray opened;
    editor.launchUrl = [&opened] (const juce::URL& url) { opened.add (url.toString (false)); };

    for (const auto* address : { "https://kavro.audio/manual", "HTTPS://KAVRO.AUDIO/", "   https://kavro.audio/x  ",
                                 "http://kavro.audio/", "file:///etc/passwd", "mailto:hello@kavro.audio",
                                 "javascript:alert(1)", "/home/user", "kavro", "" })
        EXPECT_TRUE (rig.page->invoke ("openURL", { address }).isVoid());
    rig.page->invoke ("openURL");

    EXPECT_EQ (opened, juce::StringArray ({ "https://kavro.audio/manual", "HTTPS://KAVRO.AUDIO/", "https://kavro.audio/x" }));
}
