#include "plugin/PluginProcessor.h"
#include "plugin/StateMigration.h"

#include <gtest/gtest.h>

namespace
{
juce::MemoryBlock blobFromText (const juce::String& xmlText, juce::uint32 magic = 0x21324356)
{
    juce::MemoryOutputStream out;
    out.writeInt ((int) magic);
    out.writeInt ((int) xmlText.getNumBytesAsUTF8());
    out << xmlText;
    out.writeByte (0);
    return out.getMemoryBlock();
}

juce::MemoryBlock stateOf (KavroLabAudioProcessor& processor)
{
    juce::MemoryBlock blob;
    processor.getStateInformation (blob);
    return blob;
}

float valueOf (KavroLabAudioProcessor& processor, const char* id)
{
    return processor.apvts.getRawParameterValue (id)->load();
}

void restore (KavroLabAudioProcessor& processor, const juce::MemoryBlock& blob)
{
    processor.setStateInformation (blob.getData(), (int) blob.getSize());
}

TEST (HostState, BlobIsTheFrameworksXmlLayout)
{
    KavroLabAudioProcessor processor;
    const auto blob = stateOf (processor);
    const auto* bytes = static_cast<const char*> (blob.getData());

    ASSERT_GT (blob.getSize(), 9u);
    EXPECT_EQ (juce::String (bytes, 4), "VC2!");
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (bytes + 4), (juce::uint32) blob.getSize() - 9);
    EXPECT_EQ (bytes[blob.getSize() - 1], 0);

    const auto text = juce::String::fromUTF8 (bytes + 8, (int) blob.getSize() - 9);
    EXPECT_TRUE (text.startsWith (R"(<?xml version="1.0" encoding="UTF-8"?>)"));
    EXPECT_FALSE (text.containsAnyOf ("\r\n"));

    const auto xml = juce::parseXML (text);
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getTagName(), "PARAMS");
    EXPECT_EQ (xml->getIntAttribute ("schemaVersion"), 2);
    int params = 0;
    for (auto* child : xml->getChildWithTagNameIterator ("PARAM"))
        params += child != nullptr ? 1 : 0;
    EXPECT_EQ (params, 208);
}

TEST (HostState, RoundTripRestoresEveryParameterAndMacroName)
{
    KavroLabAudioProcessor source;
    juce::Random random (42);
    for (auto* p : source.getParameters())
    {
        auto* param = dynamic_cast<juce::RangedAudioParameter*> (p);
        param->setValueNotifyingHost (param->convertTo0to1 (param->convertFrom0to1 (random.nextFloat())));
    }
    source.apvts.state.removeChild (source.apvts.state.getChildWithName ("uiMeta"), nullptr);
    auto meta = source.apvts.state.getOrCreateChildWithName ("uiMeta", nullptr);
    meta.setProperty ("macroName1", "Noise", nullptr);
    meta.setProperty ("macroName3", "Space", nullptr);

    KavroLabAudioProcessor restored;
    restore (restored, stateOf (source));

    for (int i = 0; i < source.getParameters().size(); ++i)
        EXPECT_EQ (source.getParameters()[i]->getValue(), restored.getParameters()[i]->getValue())
            << source.getParameters()[i]->getName (100);

    EXPECT_EQ (restored.presetManager->currentPresetKey(), "") << "a restored project has no current preset";
    EXPECT_FALSE (restored.presetManager->isModified());
    EXPECT_EQ (restored.getMacroName (0), "Noise");
    EXPECT_EQ (restored.getMacroName (1), "M2");
    EXPECT_EQ (restored.getMacroName (2), "Space");
    EXPECT_EQ (stateOf (restored), stateOf (source));
}

TEST (HostState, MalformedBlobsLeaveTheStateUntouched)
{
    const juce::String validParams = R"(<?xml version="1.0"?><PARAMS><PARAM id="cutoff" value="50"/></PARAMS>)";
    auto truncated = blobFromText (validParams);
    truncated.setSize (truncated.getSize() / 2);
    auto zeroLength = blobFromText (validParams);
    static_cast<char*> (zeroLength.getData())[4] = 0;

    const std::pair<const char*, juce::MemoryBlock> cases[] = {
        { "empty", {} },
        { "header only", juce::MemoryBlock (blobFromText ("").getData(), 8) },
        { "wrong magic", blobFromText (validParams, 0x12345678) },
        { "zero stored length", zeroLength },
        { "truncated text", truncated },
        { "not XML", blobFromText ("this is not xml") },
        { "another root", blobFromText (R"(<OTHER><PARAM id="cutoff" value="50"/></OTHER>)") },
        { "random bytes", [] { juce::MemoryBlock b (4096); juce::Random (7).fillBitsRandomly (b.getData(), b.getSize()); return b; }() },
    };

    for (const auto& [name, blob] : cases)
    {
        KavroLabAudioProcessor processor;
        processor.apvts.getParameter ("cutoff")->setValueNotifyingHost (0.25f);
        const auto before = stateOf (processor);
        restore (processor, blob);
        EXPECT_EQ (stateOf (processor), before) << name;
    }
}

TEST (HostState, RootTagIsMatchedIgnoringCase)
{
    KavroLabAudioProcessor processor;
    restore (processor, blobFromText (R"(<params schemaVersion="2"><PARAM id="cutoff" value="50"/></params>)"));
    EXPECT_FLOAT_EQ (valueOf (processor, "cutoff"), 50.0f);
    EXPECT_EQ (processor.apvts.state.getType().toString(), "PARAMS");
}

// Trees written by earlier releases, restored through the host state.
TEST (HostState, MigratesOlderTrees)
{
    struct Case
    {
        const char* name;
        const char* params;
        std::vector<std::pair<const char*, float>> expected;
    };
    const Case cases[] = {
        { "old division list", R"(<PARAMS><PARAM id="lfoSyncDiv" value="4"/><PARAM id="lfo2SyncDiv" value="9"/></PARAMS>)",
          { { "lfoSyncDiv", 8.0f }, { "lfo2SyncDiv", 14.0f } } },
        { "current division list", R"(<PARAMS schemaVersion="2"><PARAM id="lfoSyncDiv" value="4"/></PARAMS>)",
          { { "lfoSyncDiv", 4.0f } } },
        { "old division out of the old list", R"(<PARAMS><PARAM id="lfoSyncDiv" value="12"/></PARAMS>)",
          { { "lfoSyncDiv", 12.0f } } },
        { "depth before the amount route", R"(<PARAMS><PARAM id="lfoDepth" value="0.6"/></PARAMS>)",
          { { "lfoToAmount", 0.6f }, { "lfoDepth", 1.0f }, { "lfo2ToAmount", 0.0f }, { "lfo2Depth", 1.0f } } },
        { "both depths", R"(<PARAMS><PARAM id="lfoDepth" value="0.6"/><PARAM id="lfo2Depth" value="0.25"/></PARAMS>)",
          { { "lfoToAmount", 0.6f }, { "lfoDepth", 1.0f }, { "lfo2ToAmount", 0.25f }, { "lfo2Depth", 1.0f } } },
        { "amount route already there",
          R"(<PARAMS><PARAM id="lfoDepth" value="0.6"/><PARAM id="lfoToAmount" value="0.1"/><PARAM id="lfo2Depth" value="0.3"/></PARAMS>)",
          { { "lfoToAmount", 0.1f }, { "lfoDepth", 0.6f }, { "lfo2ToAmount", 0.0f }, { "lfo2Depth", 0.3f } } },
        { "only cutoff", R"(<PARAMS schemaVersion="2"><PARAM id="cutoff" value="440"/></PARAMS>)",
          { { "cutoff", 440.0f }, { "filterType", 1.0f }, { "resonance", 0.707f }, { "lfoSyncDiv", 5.0f },
            { "grDelay", 1.0f }, { "mix", 1.0f }, { "lfoEnable", 1.0f }, { "macro2ToGrSpray", 0.0f } } },
        { "values that are not finite numbers",
          R"(<PARAMS schemaVersion="2"><PARAM id="cutoff" value="nan"/><PARAM id="mix" value="inf"/><PARAM id="volume" value="-inf"/><PARAM id="grSpray" value="abc"/><PARAM id="filterType" value="1e30"/></PARAMS>)",
          { { "cutoff", 1000.0f }, { "mix", 1.0f }, { "volume", 0.0f }, { "grSpray", 35.0f }, { "filterType", 2.0f } } },
    };

    for (const auto& c : cases)
    {
        KavroLabAudioProcessor processor;
        for (auto* param : processor.getParameters())
            param->setValueNotifyingHost (0.9f); // anything the tree does not name must not survive

        restore (processor, blobFromText (c.params));
        for (const auto& [id, value] : c.expected)
            EXPECT_NEAR (valueOf (processor, id), value, 1.0e-6f * std::max (1.0f, value) * 100.0f) << c.name << ": " << id;
        EXPECT_EQ (processor.apvts.state.getProperty ("schemaVersion"), juce::var (2)) << c.name;
    }
}

TEST (StateMigration, FillsEveryParameterOnceAndKeepsForeignChildren)
{
    juce::ValueTree tree ("PARAMS");
    tree.appendChild (juce::ValueTree ("PARAM", { { "id", "cutoff" }, { "value", 300.0 } }), nullptr);
    tree.appendChild (juce::ValueTree ("uiMeta", { { "macroName2", "Grit" } }), nullptr);
    tree.appendChild (juce::ValueTree ("somethingElse"), nullptr);

    kavro::migration::migrateState (tree);
    kavro::migration::migrateState (tree); // idempotent

    int params = 0;
    for (const auto& child : tree)
        params += child.hasType ("PARAM") ? 1 : 0;
    EXPECT_EQ (params, 208);
    EXPECT_TRUE (tree.getChildWithName ("somethingElse").isValid());
    EXPECT_EQ (tree.getChildWithName ("uiMeta")["macroName2"], juce::var ("Grit"));
    EXPECT_EQ (tree.getChildWithProperty ("id", "cutoff")["value"], juce::var (300.0));

    juce::ValueTree invalid;
    kavro::migration::migrateState (invalid);
    EXPECT_FALSE (invalid.isValid());
}

TEST (MacroNames, FallBackToTheDefaultName)
{
    KavroLabAudioProcessor processor;
    processor.apvts.state.removeChild (processor.apvts.state.getChildWithName ("uiMeta"), nullptr);
    EXPECT_EQ (processor.getMacroName (0), "M1");

    auto meta = processor.apvts.state.getOrCreateChildWithName ("uiMeta", nullptr);
    meta.setProperty ("macroName1", "Noise", nullptr);
    meta.setProperty ("macroName2", "", nullptr);
    EXPECT_EQ (processor.getMacroName (0), "Noise");
    EXPECT_EQ (processor.getMacroName (1), "M2");
    EXPECT_EQ (processor.getMacroName (2), "M3");
}
} // namespace
