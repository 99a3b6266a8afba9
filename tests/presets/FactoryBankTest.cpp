// Every factory preset rendered and measured against the promises of its tags and macro names.

#include "AudioAnalysis.h"
#include "DemoSignal.h"
#include "OfflineHost.h"
#include "plugin/FactoryBank.h"
#include "plugin/PluginProcessor.h"

#include <gtest/gtest.h>

#include <iostream>

namespace
{
using namespace kavro;
constexpr double sr = 48000.0;

juce::AudioBuffer<float> demoExcerpt (double seconds)
{
    const auto demo = demo::makeDemoSignal();
    juce::AudioBuffer<float> excerpt (2, (int) (seconds * sr));
    for (int ch = 0; ch < 2; ++ch)
        excerpt.copyFrom (ch, 0, demo, ch, 0, excerpt.getNumSamples());
    return excerpt;
}

// A steady, slightly decorrelated pink-ish bed: any level movement in the output is the preset's.
juce::AudioBuffer<float> steadyBed (double seconds)
{
    juce::AudioBuffer<float> bed (2, (int) (seconds * sr));
    juce::Random random (11);
    float state[2] {};
    for (int i = 0; i < bed.getNumSamples(); ++i)
        for (int ch = 0; ch < 2; ++ch)
        {
            state[ch] = 0.97f * state[ch] + 0.03f * (random.nextFloat() * 2.0f - 1.0f);
            bed.setSample (ch, i, 0.3f * (random.nextFloat() * 2.0f - 1.0f) * 0.3f + 3.0f * state[ch]);
        }
    return bed;
}

struct Measurement
{
    double centroid, correlation, rmsDb, levelSwingDb;
};

Measurement measure (juce::AudioBuffer<float> audio)
{
    // Level in 20 ms windows (a third of a sixteenth note at 120 BPM), after the first beat.
    const int window = (int) (sr * 0.02);
    double lowest = 1.0e9, highest = -1.0e9;
    for (int start = (int) (sr * 0.5); start + window <= audio.getNumSamples(); start += window)
    {
        const double db = juce::Decibels::gainToDecibels ((double) audio.getRMSLevel (0, start, window), -120.0);
        lowest = std::min (lowest, db);
        highest = std::max (highest, db);
    }
    return { analysis::spectralCentroid (audio, 0, audio.getNumSamples(), sr), analysis::stereoCorrelation (audio),
             (double) measureLevels (audio).rmsDb, highest - lowest };
}

class FactoryBank : public testing::TestWithParam<FactoryPreset>
{
protected:
    // Renders a signal through the preset, with optional parameter changes on top.
    Measurement render (const juce::AudioBuffer<float>& input, const std::vector<std::pair<juce::String, float>>& changes = {})
    {
        return measure (renderAudio (input, changes));
    }

    juce::AudioBuffer<float> renderAudio (const juce::AudioBuffer<float>& input,
                                          const std::vector<std::pair<juce::String, float>>& changes = {})
    {
        KavroLabAudioProcessor processor;
        EXPECT_TRUE (processor.presetManager->loadPreset (GetParam().uuid));
        for (const auto& [id, value] : changes)
        {
            auto* param = processor.apvts.getParameter (id);
            param->setValueNotifyingHost (param->convertTo0to1 (value));
        }
        auto audio = input;
        renderInPlace (processor, audio, sr, 512);
        return audio;
    }

    float value (const char* id)
    {
        const auto xml = juce::parseXML (GetParam().xml);
        return (float) xml->getChildByAttribute ("id", id)->getDoubleAttribute ("value");
    }

    bool tagged (const char* tag) const { return GetParam().tags.contains (tag); }
};

TEST_P (FactoryBank, SoundsLikeItsTags)
{
    const auto& preset = GetParam();
    const auto dry = measure (demoExcerpt (4.0));
    const auto wet = render (demoExcerpt (4.0));
    std::cout << "  " << preset.name << ": centroid " << juce::roundToInt (wet.centroid) << " Hz, correlation "
              << juce::String (wet.correlation, 2) << ", RMS " << juce::String (wet.rmsDb, 1) << " dBFS\n";

    EXPECT_GT (wet.rmsDb, -40.0) << "audible";
    EXPECT_LT (wet.rmsDb, -6.0) << "not overwhelming";
    if (tagged ("dark"))
        EXPECT_LT (wet.centroid, 2000.0);
    if (tagged ("bright"))
        EXPECT_GT (wet.centroid, 3500.0);
    if (tagged ("wide"))
        EXPECT_LT (wet.correlation, dry.correlation - 0.1);
    if (tagged ("mono"))
        EXPECT_GE (wet.correlation, dry.correlation - 0.02);
    if (tagged ("clean"))
    {
        EXPECT_EQ (value ("filterDrive"), 0.0f);
        EXPECT_EQ (value ("fbAmount"), 0.0f);
    }
    if (tagged ("distorted") || tagged ("gritty"))
        EXPECT_TRUE (value ("filterDrive") >= 0.2f || value ("fbAmount") >= 0.15f);
    if (tagged ("resonant"))
        EXPECT_TRUE (value ("resonance") >= 2.5f || value ("filterChar") == 1.0f);
    if (tagged ("gated"))
    {
        // Something opens and closes the output: a source on the volume or the dry/wet.
        float strongest = 0.0f;
        for (auto* id : { "lfoToVol", "lfo2ToVol", "envToVol", "lfoToMix", "lfo2ToMix", "envToMix" })
            strongest = std::max (strongest, std::abs (value (id)));
        EXPECT_GE (strongest, 0.3f);
    }
    if (preset.category == "Rhythmic")
    {
        const auto steady = render (steadyBed (4.0));
        EXPECT_GT (steady.levelSwingDb, 6.0) << "moves in time on a steady input";
        EXPECT_TRUE (value ("lfoSync") > 0.5f || value ("lfo2Sync") > 0.5f) << "locked to the host tempo";
    }
}

TEST_P (FactoryBank, EveryNamedMacroMovesSomethingAudible)
{
    // Init and Start have fixed values: Start's macros are a starting point, not a sound design.
    if (GetParam().uuid == "factory-init-0001" || GetParam().uuid == "factory-start-0001")
        return;

    const auto xml = juce::parseXML (GetParam().xml);
    const auto* meta = xml->getChildByName ("uiMeta");
    const auto input = demoExcerpt (2.0);
    for (int m = 1; m <= 3; ++m)
    {
        const auto name = meta != nullptr ? meta->getStringAttribute ("macroName" + juce::String (m)) : juce::String();
        if (name.isEmpty())
            continue;
        // Audible: turning the macro from 0 to 1 changes the output by at least a twentieth of its
        // level, and clearly more than two renders of the same setting differ (random LFO waves
        // start from a random value in each new instance).
        const auto id = "macro" + juce::String (m);
        const auto low = renderAudio (input, { { id, 0.0f } });
        auto changeFrom = [&] (juce::AudioBuffer<float> other) {
            for (int ch = 0; ch < 2; ++ch)
                other.addFrom (ch, 0, low, ch, 0, low.getNumSamples(), -1.0f);
            return (double) (measureLevels (other).rmsDb - measureLevels (low).rmsDb);
        };
        const double changeDb = changeFrom (renderAudio (input, { { id, 1.0f } }));
        const double chanceDb = changeFrom (renderAudio (input, { { id, 0.0f } }));
        EXPECT_GT (changeDb, std::max (-26.0, chanceDb + 6.0)) << name << " changes the sound by only " << changeDb << " dB";
    }
}

INSTANTIATE_TEST_SUITE_P (Presets, FactoryBank, testing::ValuesIn (loadFactoryPresets()), [] (const auto& info) {
    return juce::String (info.param.name).retainCharacters ("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")
        .toStdString();
});

TEST (FactoryBankAsAWhole, HoldsTheListedPresets)
{
    const auto bank = loadFactoryPresets();
    ASSERT_EQ (bank.size(), 55u);

    auto find = [&] (const char* name) -> const FactoryPreset* {
        for (const auto& preset : bank)
            if (preset.name == name)
                return &preset;
        return nullptr;
    };
    struct Row
    {
        const char* name;
        const char* category;
        juce::StringArray tags;
        const char* author;
    };
    const Row rows[] = {
        { "Kick Texture", "", {}, "" },
        { "AM Radio", "Character", { "dirty", "gritty", "mono", "noisy" }, "KAVRO" },
        { "Dust & Air", "Subtle", { "bus", "clean", "bright" }, "KAVRO" },
        { "Noise Accent", "Texture", {}, "" },
        { "Strobe Width", "Rhythmic", { "wide", "modulated", "gated" }, "KAVRO" },
        { "Init", "Essentials", {}, "KAVRO" },
    };
    for (const auto& row : rows)
    {
        const auto* preset = find (row.name);
        ASSERT_NE (preset, nullptr) << row.name;
        EXPECT_EQ (preset->category, row.category) << row.name;
        EXPECT_EQ (preset->tags, row.tags) << row.name;
        EXPECT_EQ (preset->author, row.author) << row.name;
        EXPECT_EQ (preset->description.isEmpty(), juce::String (row.author).isEmpty()) << row.name;
    }

    // Init and Start carry exactly their listed values; Start adds three macro routes and names.
    KavroLabAudioProcessor processor;
    for (const auto* name : { "Init", "Start" })
    {
        const auto xml = juce::parseXML (find (name)->xml);
        auto value = [&] (const char* id) { return (float) xml->getChildByAttribute ("id", id)->getDoubleAttribute ("value"); };
        const std::pair<const char*, float> listed[] = {
            { "cutoff", 20000.0f }, { "filterType", 2.0f }, { "resonance", 0.1f }, { "mix", 1.0f }, { "volume", 0.0f },
            { "lfoRateHz", 1.0f },  { "lfo2SyncDiv", 5.0f }, { "envThresh", -24.0f }, { "noiseSrHz", 192000.0f },
            { "ndRelease", 150.0f }, { "grSpray", 35.0f },  { "amount", 0.0f },     { "filterDrive", 0.0f },
        };
        for (auto [id, expected] : listed)
            EXPECT_NEAR (value (id), expected, std::abs (expected) * 1.0e-5f + 1.0e-6f) << name << " " << id;
        const bool start = juce::String (name) == "Start";
        EXPECT_NEAR (value ("macro1"), start ? 0.715f : 0.0f, 1.0e-6f);
        EXPECT_EQ (value ("macro2ToCutoff"), start ? -1.0f : 0.0f);
        EXPECT_EQ (xml->getChildByName ("uiMeta") != nullptr, start);
    }
    EXPECT_EQ (find ("Init")->uuid, "factory-init-0001");
    EXPECT_EQ (find ("Start")->uuid, "factory-start-0001");
}

// No two presets may be near-copies: their parameter positions differ by a clear margin.
TEST (FactoryBankAsAWhole, HasNoNearCopies)
{
    KavroLabAudioProcessor processor;
    const auto bank = loadFactoryPresets();
    std::vector<std::vector<float>> positions;
    for (const auto& preset : bank)
    {
        const auto xml = juce::parseXML (preset.xml);
        std::vector<float> position;
        for (auto* param : processor.getParameters())
        {
            auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (param);
            const auto* entry = xml->getChildByAttribute ("id", ranged->getParameterID());
            position.push_back (entry != nullptr ? ranged->convertTo0to1 ((float) entry->getDoubleAttribute ("value")) : 0.0f);
        }
        positions.push_back (position);
    }
    for (size_t a = 0; a < positions.size(); ++a)
        for (size_t b = a + 1; b < positions.size(); ++b)
        {
            double distance = 0.0;
            for (size_t i = 0; i < positions[a].size(); ++i)
                distance += std::abs (positions[a][i] - positions[b][i]);
            EXPECT_GT (distance, 0.5) << bank[a].name << " and " << bank[b].name;
        }
}
} // namespace
