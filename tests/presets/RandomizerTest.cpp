#include "support/MessagePump.h"
#include "support/ProcessorRig.h"

#include <gtest/gtest.h>

namespace
{
class RandomizerTest : public testing::Test
{
protected:
    float value (const char* id) { return rig.processor.apvts.getRawParameterValue (id)->load(); }
    float normalised (const char* id) { return rig.processor.apvts.getParameter (id)->getValue(); }
    void set (const char* id, float plain) { rig.set (id, plain); }
    bool dice (const char* mode) { return rig.processor.randomizer->randomize (mode); }

    ProcessorRig rig;
};

TEST_F (RandomizerTest, UndoSwapsWithTheSoundBeforeTheLastChange)
{
    EXPECT_FALSE (dice ("undo")) << "nothing to undo yet";

    rig.processor.randomizer->reseed (7);
    const auto before = rig.processor.apvts.copyState();
    ASSERT_TRUE (dice ("roll"));
    const auto rolled = rig.processor.apvts.copyState();
    EXPECT_FALSE (rolled.isEquivalentTo (before));

    ASSERT_TRUE (dice ("undo"));
    EXPECT_TRUE (rig.processor.apvts.copyState().isEquivalentTo (before));
    ASSERT_TRUE (dice ("undo"));
    EXPECT_TRUE (rig.processor.apvts.copyState().isEquivalentTo (rolled)) << "a second undo brings the roll back";
}

TEST_F (RandomizerTest, RollsStayInTheirRangesAndLeaveSwitchedOffModulesAlone)
{
    const char* untouched[] = { "otMix", "otDepth", "shTilt", "ndLevel", "ndRelease", "grFeedback", "grMix", "grSpray",
                                "grDelay", "lfoToCutoff", "lfo2Wave", "volume", "mix", "otEnable", "lfo2RateHz" };
    std::map<std::string, float> kept;
    for (auto* id : untouched)
        kept[id] = value (id);

    const juce::NormalisableRange<float> edges { 20.0f, 20000.0f, 0.0f, 0.25f };
    for (int seed = 0; seed < 200; ++seed)
    {
        rig.processor.randomizer->reseed (seed);
        ASSERT_TRUE (dice (seed % 2 == 0 ? "roll" : "ROLL"));
        EXPECT_GE (value ("cutoff"), 40.0f - 0.01f);
        EXPECT_LE (value ("cutoff"), 2000.0f + 0.01f);
        EXPECT_GE (value ("filterDrive"), 0.1f - 1.0e-5f);
        EXPECT_LE (value ("filterDrive"), 0.35f + 1.0e-5f);
        EXPECT_LE (value ("resonance"), 2.0f + 1.0e-4f);
        const float fb = value ("fbAmount");
        EXPECT_TRUE (fb == 0.0f || (fb >= 0.05f - 1.0e-5f && fb <= 0.25f + 1.0e-5f)) << fb;
        EXPECT_GE (edges.convertTo0to1 (value ("noiseHiHz")),
                   std::min (1.0f, edges.convertTo0to1 (value ("noiseLoHz")) + 0.25f) - 1.0e-4f);
        for (auto* id : untouched)
            ASSERT_EQ (value (id), kept[id]) << id << " after seed " << seed;
    }
}

TEST_F (RandomizerTest, RollsReachEveryChoiceAtRoughlyItsShare)
{
    std::map<int, int> models;
    for (int seed = 0; seed < 2000; ++seed)
    {
        rig.processor.randomizer->reseed (1000 + seed);
        dice ("roll");
        ++models[(int) value ("filterChar")];
    }
    EXPECT_NEAR (models[0] / 2000.0, 0.2, 0.04);
    EXPECT_NEAR (models[1] / 2000.0, 0.4, 0.04);
    EXPECT_NEAR (models[2] / 2000.0, 0.4, 0.04);
}

TEST_F (RandomizerTest, VariationNudgesWithoutPushingFurtherOut)
{
    set ("cutoff", 10000.0f); // outside the roll's 40..2000 Hz
    set ("fbAmount", 0.0f);
    set ("filterType", 0.0f);
    const float cutoffBefore = normalised ("cutoff");
    for (int seed = 0; seed < 50; ++seed)
    {
        rig.processor.randomizer->reseed (seed);
        set ("cutoff", 10000.0f);
        ASSERT_TRUE (dice ("variation"));
        EXPECT_LE (value ("cutoff"), 10000.0f + 0.01f);
        EXPECT_LE (std::abs (normalised ("cutoff") - cutoffBefore), 0.12f + 1.0e-4f);
        EXPECT_EQ (value ("fbAmount"), 0.0f);
        EXPECT_EQ (value ("filterType"), 0.0f) << "choices never change";
    }
}

TEST_F (RandomizerTest, RollsMarkTheCurrentPresetModified)
{
    KavroLabAudioProcessor processor;
    pumpMessages (20); // closes the startup preset's apply window
    ASSERT_FALSE (processor.presetManager->isModified());
    processor.randomizer->randomize ("roll");
    EXPECT_TRUE (processor.presetManager->isModified());
}
} // namespace
