#include "presets/PresetFile.h"

#include <gtest/gtest.h>

namespace
{
using namespace kavro;

class PresetFile : public testing::Test
{
protected:
    juce::File fileWith (const juce::String& name, const juce::String& text)
    {
        auto file = folder.getFile().getChildFile (name);
        folder.getFile().createDirectory();
        file.replaceWithText (text);
        return file;
    }

    juce::TemporaryFile folder;
};

TEST_F (PresetFile, ReadsEveryFormItAccepts)
{
    struct Case
    {
        const char* fileName;
        const char* text;
        bool isPreset, legacy;
        const char* expectedName;
        const char* cutoff; // value of the cutoff PARAM in the state read
    };
    const Case cases[] = {
        { "Kick Texture.preset", R"(<PARAMS schemaVersion="2"><PARAM id="cutoff" value="300"/></PARAMS>)", true, true, "Kick Texture", "300" },
        { "Named.preset", R"(<KavroPreset name="Dust" uuid="u"><PARAMS><PARAM id="cutoff" value="1"/></PARAMS></KavroPreset>)", true, false, "Dust", "1" },
        { "Unnamed.preset", R"(<KavroPreset name=""><PARAMS><PARAM id="cutoff" value="2"/></PARAMS></KavroPreset>)", true, false, "Unnamed", "2" },
        { "Other.preset", R"(<Anything><params><PARAM id="cutoff" value="3"/></params></Anything>)", true, false, "Other", "3" },
        { "Two.preset", R"(<KavroPreset><PARAMS><PARAM id="cutoff" value="4"/></PARAMS><PARAMS><PARAM id="cutoff" value="5"/></PARAMS></KavroPreset>)", true, false, "Two", "4" },
        { "Format.preset", R"(<KavroPreset format="banana"><PARAMS/></KavroPreset>)", true, false, "Format", "" },
        { "NoParams.preset", R"(<KavroPreset name="x"><STATE/></KavroPreset>)", false, false, "", "" },
        { "Broken.preset", R"(<KavroPreset name="x"><PARAMS>)", false, false, "", "" },
        { "Empty.preset", "", false, false, "", "" },
    };

    for (const auto& c : cases)
    {
        const auto preset = presetfile::readFile (fileWith (c.fileName, c.text), "PARAMS");
        ASSERT_EQ (preset.has_value(), c.isPreset) << c.fileName;
        if (! preset)
            continue;
        EXPECT_EQ (preset->legacy, c.legacy) << c.fileName;
        EXPECT_EQ (preset->meta.name, c.expectedName) << c.fileName;
        EXPECT_EQ (preset->state.getType().toString(), "PARAMS") << c.fileName;
        EXPECT_EQ (preset->state.getChildWithProperty ("id", "cutoff")["value"].toString(), c.cutoff) << c.fileName;
    }

    // Without a file, a missing name stays missing.
    const auto element = juce::parseXML (R"(<KavroPreset><PARAMS/></KavroPreset>)");
    EXPECT_TRUE (presetfile::readElement (*element, "PARAMS")->meta.name.isEmpty());
}

TEST_F (PresetFile, TagsAreTrimmedAndJoinedWithoutBlanks)
{
    EXPECT_EQ (presetfile::tagsFromString (" dark , ,wide,, dark "), juce::StringArray ({ "dark", "wide", "dark" }));
    EXPECT_TRUE (presetfile::tagsFromString (" , ").isEmpty());

    PresetMeta meta;
    meta.tags = presetfile::tagsFromString (" gritty ,, slow ");
    const auto document = presetfile::wrap (meta, std::make_unique<juce::XmlElement> ("PARAMS"));
    EXPECT_EQ (document->getStringAttribute ("tags"), "gritty,slow");
}

TEST_F (PresetFile, WritesAttributesInOrderAndRoundTrips)
{
    PresetMeta meta;
    meta.uuid = presetfile::newUuid();
    meta.name = "Glass Rain";
    meta.category = "Textures";
    meta.tags = { "bright", "wide" };
    meta.plugin = "Tolm";
    meta.pluginName = "Velbrook";
    meta.pluginVersion = "1.1.0";
    meta.created = presetfile::timestampNow();

    juce::ValueTree state ("PARAMS", { { "schemaVersion", 2 } });
    state.appendChild (juce::ValueTree ("PARAM", { { "id", "cutoff" }, { "value", 149.9999847412109 } }), nullptr);
    state.appendChild (juce::ValueTree ("uiMeta", { { "macroName1", "Rain" } }), nullptr);

    const auto document = presetfile::wrap (meta, state.createXml());
    juce::StringArray attributes;
    for (int i = 0; i < document->getNumAttributes(); ++i)
        attributes.add (document->getAttributeName (i));
    EXPECT_EQ (attributes, juce::StringArray ({ "format", "uuid", "name", "category", "tags", "author", "plugin",
                                                "pluginName", "pluginVersion", "created" }))
        << "no description when it is empty; author always";

    const auto file = folder.getFile().getChildFile ("Glass Rain.preset");
    ASSERT_TRUE (presetfile::write (*document, file));
    const auto text = file.loadFileAsString();
    EXPECT_TRUE (text.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<KavroPreset")) << text;

    const auto read = presetfile::readFile (file, "PARAMS");
    ASSERT_TRUE (read.has_value());
    EXPECT_EQ (read->meta.uuid, meta.uuid);
    EXPECT_EQ (read->meta.tags, meta.tags);
    EXPECT_EQ (read->meta.created, meta.created);
    EXPECT_TRUE (read->state.isEquivalentTo (state));
}

TEST_F (PresetFile, ReportsAWriteThatCannotHappen)
{
    const auto notAFolder = fileWith ("plain.txt", "I am a file");
    const auto document = presetfile::wrap ({}, std::make_unique<juce::XmlElement> ("PARAMS"));
    EXPECT_FALSE (presetfile::write (*document, notAFolder.getChildFile ("x.preset")));
    EXPECT_EQ (notAFolder.loadFileAsString(), "I am a file");
}

TEST (PresetKeys, AreVersionFourUuids)
{
    const auto a = presetfile::newUuid(), b = presetfile::newUuid();
    EXPECT_NE (a, b);
    for (const auto& key : { a, b })
    {
        ASSERT_EQ (key.length(), 36) << key;
        EXPECT_TRUE (key.containsOnly ("0123456789abcdef-")) << key;
        EXPECT_EQ (key[14], '4') << key;
        EXPECT_TRUE (juce::String ("89ab").containsChar (key[19])) << key;
        for (int dash : { 8, 13, 18, 23 })
            EXPECT_EQ (key[dash], '-') << key;
    }

    const auto time = presetfile::timestampNow();
    EXPECT_TRUE (time.matchesWildcard ("????-??-??T??:??:??.???*", false)) << time;
}
} // namespace
