#include "plugin/PluginProcessor.h"
#include "support/ProcessorRig.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
using namespace kavro::params;

struct Registered
{
    int number; // 1-based, as the host lists them
    const char* id;
    const char* name;
};

TEST (ParameterTable, RegistersAllParametersInOrder)
{
    KavroLabAudioProcessor processor;
    const auto& params = processor.getParameters();
    ASSERT_EQ (params.size(), 208);

    const Registered expected[] = {
        { 1, "filterType", "Filter" },       { 5, "cutoff", "Cutoff" },
        { 16, "amount", "Amount" },          { 17, "lfoWave", "LFO Wave" },
        { 22, "lfoEnable", "LFO On" },       { 23, "lfoToCutoff", "LFO Cutoff" },
        { 39, "lfoToLfo2Rate", "LFO LFO2 Rate" }, { 44, "lfoToAmount", "LFO Amount" },
        { 45, "lfo2Wave", "LFO2 Wave" },     { 68, "lfo2ToLfo1Depth", "LFO2 LFO1 Depth" },
        { 72, "lfo2ToAmount", "LFO2 Amount" }, { 73, "envEnable", "ENV On" },
        { 78, "envDecay", "ENV Decay" },     { 90, "envToBpLink", "ENV BP Sweep" },
        { 102, "envToAmount", "ENV Amount" }, { 103, "macro1", "M1" },
        { 104, "macro1Pol", "M1 Polarity" }, { 105, "macro1ToCutoff", "M1 Cutoff" },
        { 131, "macro1ToEnvDecay", "M1 Env Decay" }, { 132, "macro2", "M2" },
        { 149, "macro2ToGrSpray", "M2 Grain Spray" }, { 161, "macro3", "M3" },
        { 189, "macro3ToEnvDecay", "M3 Env Decay" }, { 190, "width", "Width" },
        { 191, "mix", "Dry/Wet" },           { 206, "grSpray", "Grain Spray" },
        { 208, "volume", "Volume" },
    };

    for (const auto& row : expected)
    {
        auto* param = dynamic_cast<juce::RangedAudioParameter*> (params[row.number - 1]);
        ASSERT_NE (param, nullptr);
        EXPECT_EQ (param->getParameterID(), row.id) << "#" << row.number;
        EXPECT_EQ (param->getName (100), row.name) << "#" << row.number;
        EXPECT_EQ (param->getVersionHint(), 1);
    }
}

TEST (ParameterTable, ModulationAmountsFormFiveFamilies)
{
    std::map<juce::String, int> perSource;
    for (const auto& def : all())
    {
        if (! def.id.matchesWildcard ("*To*", false) || def.range.start != -1.0f)
            continue;
        EXPECT_EQ (def.kind, Kind::Float);
        EXPECT_EQ (def.range.end, 1.0f);
        EXPECT_EQ (def.defaultValue, 0.0f);
        ++perSource[def.id.upToFirstOccurrenceOf ("To", false, false)];
    }

    const std::map<juce::String, int> expected { { "lfo", 22 },    { "lfo2", 22 },   { "env", 24 },
                                                 { "macro1", 27 }, { "macro2", 27 }, { "macro3", 27 } };
    EXPECT_EQ (perSource, expected);
}

// The defaults the host sees, read back through the raw table once every parameter sits on its default.
TEST (ParameterTable, DefaultsReachTheRawTable)
{
    ProcessorRig rig;
    auto raw = [&] (int slotIndex) { return rig.processor.rawParam[(size_t) slotIndex]->load(); };

    const std::pair<int, float> expected[] = {
        { slot::filterType, 1.0f },   { slot::cutoff, 1000.0f },   { slot::resonance, 0.707f },
        { slot::noiseSrHz, 192000.0f }, { slot::amount, 0.3f },    { slot::mix, 1.0f },
        { slot::otDepth, 0.5f },      { slot::shHz, 1000.0f },     { slot::ndRelease, 150.0f },
        { slot::grFeedback, 0.4f },   { slot::grSpray, 35.0f },    { slot::grDelay, 1.0f },
        { slot::volume, 0.0f },       { slot::lfo1 + slot::lfoDivision, 5.0f },
        { slot::lfo2 + slot::lfoDivision, 5.0f }, { slot::lfo1 + slot::lfoEnable, 1.0f },
        { slot::env + slot::envThreshold, -24.0f }, { slot::env + slot::envEnable, 1.0f },
    };
    for (auto [slotIndex, value] : expected)
        EXPECT_NEAR (raw (slotIndex), value, std::abs (value) * 1.0e-5f) << rawSlotIds()[(size_t) slotIndex];

    for (const auto& route : amountSlots())
        EXPECT_EQ (raw (route.slot), 0.0f) << rawSlotIds()[(size_t) route.slot];
}

// A new instance starts with the Start preset: Init's values, three macros ready, not modified.
TEST (ParameterTable, AFreshInstanceStartsWithTheStartPreset)
{
    KavroLabAudioProcessor processor;
    auto value = [&] (const char* id) { return processor.apvts.getRawParameterValue (id)->load(); };
    EXPECT_NEAR (value ("cutoff"), 20000.0f, 0.01f);
    EXPECT_EQ (value ("filterType"), 2.0f);
    EXPECT_NEAR (value ("macro1"), 0.715f, 1.0e-6f);
    EXPECT_EQ (value ("macro2ToCutoff"), -1.0f);
    EXPECT_EQ (value ("amount"), 0.0f);
    EXPECT_EQ (processor.getMacroName (0), "Noise");
    EXPECT_EQ (processor.getMacroName (2), "RESO");
    EXPECT_EQ (processor.presetManager->currentPresetKey(), "factory-start-0001");
    EXPECT_FALSE (processor.presetManager->isModified());
    EXPECT_EQ (processor.apvts.state.getProperty ("schemaVersion"), juce::var (2));
}

TEST (ParameterTable, HostValuesSnapAndSkewAsDeclared)
{
    KavroLabAudioProcessor processor;
    auto setNormalised = [&] (const char* id, float normalised) {
        auto* param = processor.apvts.getParameter (id);
        param->setValueNotifyingHost (normalised);
        return processor.apvts.getRawParameterValue (id)->load();
    };

    EXPECT_NEAR (setNormalised ("cutoff", 0.5f), 1268.75f, 0.01f);
    EXPECT_EQ (setNormalised ("grSpray", 0.4321f), 108.0f);
    const float volume = setNormalised ("volume", 0.3333f);
    EXPECT_NEAR (volume, -20.0f, 1.0e-4f);
    EXPECT_FLOAT_EQ (volume * 10.0f, std::round (volume * 10.0f));
}

TEST (ParameterTable, ChoiceListsAreComplete)
{
    const std::pair<const char*, juce::StringArray> expected[] = {
        { "lfoWave", { "Sine", "Triangle", "Saw", "Square", "S&H", "Smooth Rnd", "Duck A", "Duck B", "Gate A", "Gate B" } },
        { "lfo2SyncDiv", { "1/1", "1/2.", "1/2", "1/4.", "1/2T", "1/4", "1/8.", "1/4T", "1/8", "1/16.", "1/8T", "1/16",
                           "1/32", "1/64", "1/128" } },
        { "grDelay", { "1/16", "1/8", "1/6", "1/4", "1/3", "1/2" } },
        { "noiseInject", { "Soft", "Deep", "Bright", "Aggressive" } },
    };
    for (const auto& [id, choices] : expected)
    {
        ASSERT_NE (find (id), nullptr) << id;
        EXPECT_EQ (find (id)->choices, choices) << id;
    }
}

// The audio thread reads by slot; each slot must hold the parameter its name promises.
TEST (RawParamTable, EverySlotResolvesToItsParameter)
{
    KavroLabAudioProcessor processor;
    std::set<std::atomic<float>*> distinct;
    for (size_t i = 0; i < processor.rawParam.size(); ++i)
    {
        ASSERT_NE (processor.rawParam[i], nullptr) << i;
        EXPECT_EQ (processor.rawParam[i], processor.apvts.getRawParameterValue (rawSlotIds()[i])) << i;
        distinct.insert (processor.rawParam[i]);
    }
    EXPECT_EQ (distinct.size(), 208u);

    const std::pair<int, const char*> layout[] = {
        { slot::lfo1 + slot::lfoRate, "lfoRateHz" },       { slot::lfo1 + slot::lfoWave, "lfoWave" },
        { slot::lfo1 + slot::lfoFirstAmount, "lfoToCutoff" }, { slot::lfo1 + 27, "lfoToAmount" },
        { slot::lfo2 + slot::lfoSync, "lfo2Sync" },        { slot::lfo2 + 27, "lfo2ToAmount" },
        { slot::macroBase (0) + slot::macroValue, "macro1" }, { slot::macroBase (1) + slot::macroPolarity, "macro2Pol" },
        { slot::macroBase (2) + slot::macroFirstAmount + 18, "macro3ToAmount" },
        { slot::macroBase (2) + slot::macroFirstAmount + 19, "macro3ToOttMix" },
        { slot::macroBase (2) + 28, "macro3ToEnvDecay" },  { slot::env + slot::envHold, "envHold" },
        { slot::env + slot::envFirstAmount, "envToCutoff" }, { slot::env + 29, "envToAmount" },
    };
    for (auto [slotIndex, id] : layout)
        EXPECT_EQ (rawSlotIds()[(size_t) slotIndex], id) << slotIndex;

    const char* plainInOrder[] = { "filterType", "filterSlope", "filterChar", "filterDrive", "cutoff", "resonance",
                                   "noiseType", "noiseModel", "noiseCrackleType", "noiseDensity", "noiseLoHz",
                                   "noiseHiHz", "noiseSrHz", "noiseSrPos", "noiseInject", "amount", "width", "mix",
                                   "fbAmount", "otEnable", "otMix", "otDepth", "shTilt", "shHz", "ndEnable", "ndLevel",
                                   "ndRelease", "ndMode", "ndNoiseType", "grEnable", "grFeedback", "grMix", "grSpray",
                                   "grDelay", "volume" };
    static_assert (std::size (plainInOrder) == slot::count - slot::firstPlain);
    for (size_t i = 0; i < std::size (plainInOrder); ++i)
        EXPECT_EQ (rawSlotIds()[(size_t) slot::firstPlain + i], plainInOrder[i]);
    EXPECT_EQ (rawSlotIds()[slot::cutoff], "cutoff");
    EXPECT_EQ (rawSlotIds()[slot::volume], "volume");
}
} // namespace
