#include "editor/EmbeddedPage.h"
#include "support/EditorRig.h"

#include <gtest/gtest.h>

namespace
{
juce::Colour paintedColour (juce::Component& editor)
{
    return editor.createComponentSnapshot ({ 0, 0, 4, 4 }).getPixelAt (1, 1);
}
} // namespace

TEST (Editor, OpensAtTheStoredSizeAndTheme)
{
    struct Case
    {
        const char* settings;
        int width, height;
        bool white;
    };
    const Case cases[] {
        { nullptr, 640, 535, false },
        { R"({"editorW": 100, "editorH": 5000})", 320, 2400, false },
        { R"({"editorW": 900})", 900, 535, false },
        { R"({"editorW": "wide", "editorH": 700})", 320, 700, false },
        { R"({"theme": "White"})", 640, 535, false },
        { R"({"theme": "white"})", 640, 535, true },
        { "[1, 2, 3]", 640, 535, false },
        { "{ not json", 640, 535, false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.settings != nullptr ? c.settings : "no settings file");
        auto rig = c.settings != nullptr ? std::make_unique<EditorRig> (c.settings) : std::make_unique<EditorRig>();
        auto& editor = rig->open();
        EXPECT_EQ (editor.getWidth(), c.width);
        EXPECT_EQ (editor.getHeight(), c.height);
        EXPECT_EQ (editor.isWhiteTheme(), c.white);
        EXPECT_EQ (paintedColour (editor), juce::Colour (c.white ? 0xffe3e5e8 : 0xff000000));
    }
}

TEST (Editor, AHostResizeSnapsBackToTheStoredSize)
{
    EditorRig rig (R"({"editorW": 700, "editorH": 500})");
    auto& editor = rig.open();
    editor.setBoundsConstrained ({ 0, 0, 1200, 900 });
    EXPECT_EQ (editor.getWidth(), 700);
    EXPECT_EQ (editor.getHeight(), 500);
}

TEST (Editor, CountsOpenEditorsAndUnhooksThePresetManagerOnClose)
{
    EditorRig rig;
    rig.open();
    EXPECT_EQ (rig.processor.editorOpenCount.load(), 1);
    EXPECT_TRUE (rig.processor.presetManager->onChanged != nullptr);

    auto second = std::make_unique<KavroLabAudioProcessorEditor> (rig.processor);
    EXPECT_EQ (rig.processor.editorOpenCount.load(), 2);
    second.reset();
    EXPECT_EQ (rig.processor.editorOpenCount.load(), 1);

    rig.editor.reset();
    EXPECT_EQ (rig.processor.editorOpenCount.load(), 0);
    EXPECT_TRUE (rig.processor.presetManager->onChanged == nullptr);
}

TEST (Editor, ServesOnlyThePagesThreeFiles)
{
    EditorRig rig;
    rig.open();
    const std::pair<const char*, const char*> requests[] {
        { "/", "text/html" },
        { "", "text/html" },
        { "/index.html", "text/html" },
        { "/bundle.js?v=2", "text/javascript" },
        { "/kavro-logo.svg", "image/svg+xml" },
        { "/Bundle.js", nullptr },
        { "/x/bundle.js", nullptr },
        { "/favicon.ico", nullptr },
        { "/../index.html", nullptr },
    };

    int id = 0;
    for (const auto& [path, mime] : requests)
    {
        SCOPED_TRACE (path);
        rig.page->fromPageSide (jsonObject ({ { "type", "resource-request" }, { "id", ++id }, { "path", path } }));
        const auto answer = rig.page->sentOfType ("resource").back();
        EXPECT_EQ ((int) answer["id"], id);
        EXPECT_EQ ((bool) answer["found"], mime != nullptr);
        if (mime == nullptr)
            continue;
        EXPECT_EQ (answer["mime"].toString(), mime);
        juce::MemoryOutputStream bytes;
        ASSERT_TRUE (juce::Base64::convertFromBase64 (bytes, answer["data"].toString()));
        EXPECT_GT (bytes.getDataSize(), 100u);
    }

    const auto index = kavro::serveEmbeddedPage ("/");
    ASSERT_TRUE (index.has_value());
    const juce::String html (reinterpret_cast<const char*> (index->data.data()), index->data.size());
    EXPECT_TRUE (html.contains ("bundle.js"));
}

TEST (Editor, KnowsTheMimeTypesOfThePagesFileKinds)
{
    const std::pair<const char*, const char*> names[] {
        { "a.html", "text/html" },       { "a.CSS", "text/css" },          { "a.b.js", "text/javascript" },
        { "a.svg", "image/svg+xml" },    { "a.json", "application/json" }, { "a.png", "image/png" },
        { "a.woff2", "font/woff2" },     { "a.wasm", "application/octet-stream" }, { "README", "application/octet-stream" },
    };
    for (const auto& [name, mime] : names)
        EXPECT_EQ (kavro::mimeTypeFor (name), mime) << name;
}

TEST (Editor, TheWebViewStaysOnItsOnePage)
{
    FakePageFactory pages;
    SinglePageBrowser browser (kavro::web::WebBrowserComponent::Options {});
    EXPECT_TRUE (browser.pageAboutToLoad ("juce://juce.backend/"));
    for (const auto* url : { "juce://juce.backend/index.html", "juce://juce.backend", "https://example.com/",
                             "JUCE://juce.backend/", "" })
        EXPECT_FALSE (browser.pageAboutToLoad (url)) << url;

    browser.goToURL ("https://example.com/");
    pages.latest->open();
    const auto loads = pages.latest->sentOfType ("load");
    ASSERT_TRUE (loads.empty()); // never asked for; the editor asks for the root itself
}

TEST (Editor, SendsTheRootAndItsInitialisationScriptOnceThePageSideIsReady)
{
    EditorRig rig;
    rig.open();
    const auto loads = rig.page->sentOfType ("load");
    ASSERT_EQ (loads.size(), 1u);
    EXPECT_EQ (loads[0]["url"].toString(), "juce://juce.backend/");
    EXPECT_TRUE (loads[0]["script"].toString().contains ("window.__JUCE__"));
}

TEST (Editor, EmitsVisualisationAboutThirtyTimesASecondAndReportsAHitOnce)
{
    EditorRig rig;
    rig.open();
    rig.processor.engine.meters.vizHit = 0.7f;
    pumpMessages (500);

    const auto viz = rig.page->events ("viz");
    EXPECT_GE (viz.size(), 12u);
    EXPECT_LE (viz.size(), 17u);

    const juce::StringArray keys { "sr", "cutoff", "reso", "type", "amount", "modLow", "modHigh",
                                   "low", "mid", "high", "inLvl", "outLvl", "hit" };
    juce::StringArray sentKeys;
    for (const auto& property : viz.front().getDynamicObject()->getProperties())
        sentKeys.add (property.name.toString());
    EXPECT_EQ (sentKeys, keys);

    EXPECT_FLOAT_EQ ((float) viz[0]["hit"], 0.7f);
    for (size_t i = 1; i < viz.size(); ++i)
        EXPECT_EQ ((float) viz[i]["hit"], 0.0f);
}

TEST (Editor, LoadingAPresetEmitsPresetStateThenMacroNames)
{
    EditorRig rig;
    rig.open();
    const auto& list = rig.processor.presetManager->list();
    ASSERT_GE (list.size(), 2u);

    const auto before = rig.page->emitted().size();
    ASSERT_TRUE ((bool) rig.page->invoke ("loadPreset", { list[1].key }));
    pumpMessages (100);

    juce::StringArray stateEvents;
    const auto emitted = rig.page->emitted();
    for (auto event = emitted.begin() + (long) before; event != emitted.end(); ++event)
        if (event->first == "presetState" || event->first == "macroNames")
            stateEvents.add (event->first);
    EXPECT_EQ (stateEvents, juce::StringArray ({ "presetState", "macroNames" }));

    EXPECT_EQ (rig.page->events ("presetState").back()["current"]["uuid"].toString(), list[1].key);
    const auto names = rig.page->events ("macroNames").back();
    EXPECT_EQ (juce::JSON::toString (names, true), juce::JSON::toString (rig.editor->macroNamesVar(), true));
}

TEST (Editor, MacroNamesFallBackToTheirDefaults)
{
    EditorRig rig;
    rig.open();
    rig.processor.apvts.state.getOrCreateChildWithName ("uiMeta", nullptr).removeAllProperties (nullptr);
    EXPECT_EQ (juce::JSON::toString (rig.page->invoke ("getMacroNames"), true),
               R"({"m1": "M1", "m2": "M2", "m3": "M3"})");
}
