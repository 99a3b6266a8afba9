#include "dsp/mod/ModMatrix.h"

#include <gtest/gtest.h>

namespace
{
using kavro::Lfo;

TEST (Lfo, WavesHaveTheirShapes)
{
    struct Case
    {
        int wave;
        float phase, expected;
    };
    const Case cases[] = {
        { Lfo::sine, 0.0f, 0.0f },       { Lfo::sine, 0.25f, 1.0f },      { Lfo::sine, 0.75f, -1.0f },
        { Lfo::triangle, 0.0f, 1.0f },   { Lfo::triangle, 0.5f, -1.0f },  { Lfo::triangle, 0.75f, 0.0f },
        { Lfo::saw, 0.0f, -1.0f },       { Lfo::saw, 0.75f, 0.5f },       { Lfo::square, 0.49f, 1.0f },
        { Lfo::square, 0.5f, -1.0f },    { Lfo::duckA, 0.0f, -1.0f },     { Lfo::duckA, 0.475f, 0.125f - 1.0f },
        { Lfo::duckA, 0.975f, -0.5f },   { Lfo::duckB, 0.475f, 1.0f / 64.0f - 1.0f },
        { Lfo::gateA, 0.0f, 0.0f },      { Lfo::gateA, 0.5f, -0.75f },    { Lfo::gateB, 0.5f, 1.0f / 64.0f - 1.0f },
        { 10, 0.3f, 0.0f },
    };
    Lfo lfo;
    lfo.prepare (48000.0, 1);
    for (const auto& c : cases)
    {
        lfo.setWave (c.wave);
        EXPECT_NEAR (lfo.shape (c.phase), c.expected, 1.0e-5f) << "wave " << c.wave << " at " << c.phase;
    }
}

TEST (Lfo, SampleAndHoldChangesExactlyAtEachWrapAndRepeatsAfterPrepare)
{
    auto run = [] (Lfo& lfo) {
        lfo.prepare (1000.0, 0xBEEF);
        lfo.setWave (Lfo::sampleAndHold);
        lfo.setRate (1000.0 / 64.0); // an exact cycle of 64 samples
        std::vector<float> out (1000);
        for (auto& y : out)
            y = lfo.shape (lfo.phaseNow()), lfo.tick();
        return out;
    };

    Lfo lfo;
    const auto first = run (lfo);
    for (size_t i = 1; i < first.size(); ++i)
        if (first[i] != first[i - 1])
            EXPECT_EQ (i % 64, 0u) << "changed at sample " << i;

    // The draws at the wraps repeat after every prepare; the value shown before the first wraps
    // comes from the generator's earlier state.
    const auto second = run (lfo);
    EXPECT_TRUE (std::equal (first.begin() + 128, first.end(), second.begin() + 128));
}

TEST (Lfo, DivisionsAreBeatLengths)
{
    const std::pair<int, float> expected[] = { { 0, 4.0f }, { 2, 2.0f }, { 4, 4.0f / 3.0f }, { 5, 1.0f },
                                               { 8, 0.5f }, { 14, 0.03125f }, { 15, 1.0f }, { -1, 1.0f } };
    for (auto [division, beats] : expected)
        EXPECT_FLOAT_EQ (Lfo::divisionBeats (division), beats) << division;
}

// Rates and phase through the matrix's block setup, as the processor runs it.
class LfoSync : public testing::Test
{
protected:
    void SetUp() override { matrix.prepare (48000.0, 512); }

    void block (float tempo, bool playing, double ppq = 0.0)
    {
        kavro::Transport transport { tempo, playing, true, ppq };
        matrix.beginBlock (params, nullptr, 512, transport);
    }

    kavro::ModMatrix matrix;
    kavro::ModParams params;
};

TEST_F (LfoSync, FollowsTheTempoWithinItsLimits)
{
    struct Case
    {
        float tempo;
        int division;
        double expectedHz;
    };
    for (const auto& c : { Case { 120.0f, 5, 2.0 }, Case { 120.0f, 14, 30.0 }, Case { 1.0f, 0, 0.01 },
                           Case { 90.0f, 8, 3.0 }, Case { 120.0f, 4, 1.5 } })
    {
        params.lfos[0].sync = true;
        params.lfos[0].division = c.division;
        block (c.tempo, false);
        EXPECT_NEAR (matrix.lfoRate (0), c.expectedHz, 1.0e-4) << c.tempo << " BPM, division " << c.division;
    }

    params.lfos[0].sync = false;
    params.lfos[0].rateHz = 0.005f;
    block (120.0f, true);
    EXPECT_NEAR (matrix.lfoRate (0), 0.01, 1.0e-6) << "free rates are clamped too";
}

TEST_F (LfoSync, LocksToTheHostPositionOnlyWhilePlaying)
{
    params.lfos[0].sync = true;
    params.lfos[0].division = 5; // a beat per cycle
    block (120.0f, false, 10.25);
    EXPECT_EQ (matrix.lfo (0).phaseNow(), 0.0f) << "a stopped host leaves the phase where it was";

    block (120.0f, true, 10.25);
    EXPECT_NEAR (matrix.lfo (0).phaseNow(), 0.25f, 1.0e-6f);
    params.lfos[0].division = 4; // 1/2T: 4/3 beats
    block (120.0f, true, 3.0 * 4.0 / 3.0 + 2.0 / 3.0);
    EXPECT_NEAR (matrix.lfo (0).phaseNow(), 0.5f, 1.0e-5f);
}

TEST_F (LfoSync, RateAndDepthSumsScaleTheOtherLfo)
{
    // LFO 1 at its peak on LFO 2's rate and depth.
    params.lfos[0].wave = Lfo::square;
    params.lfos[0].amounts[(size_t) kavro::ModTarget::Lfo2Rate] = 0.5f;
    params.lfos[0].amounts[(size_t) kavro::ModTarget::Lfo2Depth] = 1.0f;
    params.lfos[1].rateHz = 2.0f;
    block (120.0f, false);
    EXPECT_NEAR (matrix.lfoRate (1), 4.0, 1.0e-5);
    EXPECT_FLOAT_EQ (matrix.lfoDepthScale (1), 2.0f);

    params.lfos[0].amounts[(size_t) kavro::ModTarget::Lfo2Rate] = -0.5f;
    params.lfos[0].amounts[(size_t) kavro::ModTarget::Lfo2Depth] = -1.0f;
    block (120.0f, false);
    EXPECT_NEAR (matrix.lfoRate (1), 1.0, 1.0e-5);
    EXPECT_FLOAT_EQ (matrix.lfoDepthScale (1), 0.0f);
}
} // namespace
