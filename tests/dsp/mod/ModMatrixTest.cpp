#include "AudioAnalysis.h"
#include "dsp/mod/ModMatrix.h"
#include "support/ProcessorRig.h"

#include <gtest/gtest.h>

namespace
{
using namespace kavro;

TEST (ModTargets, ScaleAndClampEachTarget)
{
    struct Case
    {
        ModTarget target;
        float base, sum, expected;
    };
    const Case cases[] = {
        { ModTarget::Amount, 0.3f, 0.5f, 0.8f },        { ModTarget::Amount, 0.3f, 1.0f, 1.0f },
        { ModTarget::Reso, 0.707f, 0.5f, 5.657f },      { ModTarget::Reso, 0.707f, -1.0f, 0.1f },
        { ModTarget::FbAmount, 0.1f, 0.5f, 0.325f },    { ModTarget::FbAmount, 0.1f, 1.0f, 0.45f },
        { ModTarget::SrHz, 1000.0f, 0.5f, 4000.0f },    { ModTarget::SrHz, 1000.0f, -1.0f, 200.0f },
        { ModTarget::SrHz, 192000.0f, 0.0f, 192000.0f }, { ModTarget::Vol, 1.0f, -1.0f, 0.0f },
        { ModTarget::Vol, 1.0f, 1.0f, 2.0f },           { ModTarget::Vol, 1.0f, 3.0f, 2.0f },
        { ModTarget::NdRelease, 150.0f, 0.5f, 300.0f }, { ModTarget::NdRelease, 150.0f, 1.0f, 500.0f },
        { ModTarget::NdRelease, 150.0f, -1.0f, 37.5f }, { ModTarget::GrSpray, 35.0f, 0.5f, 160.0f },
        { ModTarget::GrFb, 0.4f, 1.0f, 0.95f },         { ModTarget::Tilt, 0.0f, -2.0f, -1.0f },
        { ModTarget::Lfo1Rate, 1.0f, 0.5f, 2.0f },      { ModTarget::Lfo2Rate, 20.0f, 1.0f, 30.0f },
        { ModTarget::Lfo1Depth, 1.0f, -1.5f, 0.0f },    { ModTarget::Lfo2Depth, 1.0f, 2.0f, 3.0f },
        { ModTarget::Mix, 1.0f, std::numeric_limits<float>::quiet_NaN(), 0.0f },
    };
    for (const auto& c : cases)
        EXPECT_NEAR (targets::apply (c.target, c.base, c.sum), c.expected, std::abs (c.expected) * 1.0e-4f + 1.0e-6f)
            << "target " << (int) c.target << " base " << c.base << " sum " << c.sum;
}

TEST (ModTargets, OffsetNormalisedMovesAlongTheSkewedRange)
{
    const juce::NormalisableRange<float> attack { 0.1f, 200.0f, 0.0f, 0.3f };
    EXPECT_EQ (targets::offsetNormalised (attack, 5.0f, 0.0f), 5.0f);
    const float p = attack.convertTo0to1 (5.0f);
    EXPECT_NEAR (targets::offsetNormalised (attack, 5.0f, 0.5f), attack.convertFrom0to1 (p + 0.5f), 1.0e-4f);
    EXPECT_FLOAT_EQ (targets::offsetNormalised (attack, 150.0f, 0.5f), 200.0f);
    EXPECT_FLOAT_EQ (targets::offsetNormalised (attack, 5.0f, -2.0f), 0.1f);
}

class Matrix : public testing::Test
{
protected:
    void SetUp() override { matrix.prepare (48000.0, 4096); }

    void block (const float* sidechain = nullptr, int n = 512) { matrix.beginBlock (params, sidechain, n, {}); }

    // The sums of a whole block, sample by sample.
    std::vector<SampleOffsets> run (int n = 512)
    {
        std::vector<SampleOffsets> out;
        for (int i = 0; i < n; ++i)
            out.push_back (matrix.next (i));
        return out;
    }

    ModMatrix matrix;
    ModParams params;
};

TEST_F (Matrix, WithoutAmountsEveryOffsetIsExactlyZero)
{
    params.macros[0].value = 1.0f;
    params.lfos[1].wave = Lfo::square;
    const auto loud = std::vector<float> (512, 0.9f);
    for (int b = 0; b < 4; ++b)
    {
        block (loud.data());
        for (const auto& offsets : run())
            for (float s : offsets.sums)
                ASSERT_EQ (s, 0.0f);
        for (float s : matrix.blockOffsets().sums)
            ASSERT_EQ (s, 0.0f);
    }
}

TEST_F (Matrix, MacrosReachTheirTargetsUnipolarOrBipolar)
{
    params.macros[0].value = 1.0f;
    params.macros[0].amounts[(size_t) ModTarget::Cutoff] = 1.0f;
    params.macros[0].amounts[(size_t) ModTarget::Vol] = -1.0f;
    params.macros[0].amounts[(size_t) ModTarget::GrSpray] = 0.5f;
    block();
    auto last = run (2000).back(); // past the 20 ms ramps
    EXPECT_FLOAT_EQ (last[SampleTarget::cutoff], 1.0f);
    EXPECT_FLOAT_EQ (targets::apply (ModTarget::Vol, 1.0f, last[SampleTarget::vol]), 0.0f);
    EXPECT_FLOAT_EQ (matrix.blockOffsets()[BlockTarget::grSpray], 0.5f);

    params.macros[0].bipolar = true;
    params.macros[0].value = 0.5f;
    block();
    last = run (2000).back();
    EXPECT_FLOAT_EQ (last[SampleTarget::cutoff], 0.0f);
    EXPECT_FLOAT_EQ (matrix.blockOffsets()[BlockTarget::grSpray], 0.0f);
}

TEST_F (Matrix, EnvelopeBlockTargetsTakeTheFirstSample)
{
    params.env.attackMs = 0.1f;
    params.env.amounts[(size_t) ModTarget::GrSpray] = 1.0f;
    params.env.amounts[(size_t) ModTarget::Cutoff] = 1.0f;

    std::vector<float> sidechain (512, 0.0f);
    sidechain[0] = 0.8f; // loud first sample, silence after
    block (sidechain.data());
    const float e0 = matrix.envelope().output()[0];
    EXPECT_GT (e0, 0.0f);
    EXPECT_FLOAT_EQ (matrix.blockOffsets()[BlockTarget::grSpray], e0);

    // Per sample the envelope's own values come through (after the amount's 20 ms glide in).
    for (int b = 0; b < 2; ++b)
    {
        block (sidechain.data());
        run (512);
    }
    block (sidechain.data());
    const auto offsets = run (1);
    EXPECT_NEAR (offsets[0][SampleTarget::cutoff], matrix.envelope().output()[0], 1.0e-6f);
}

TEST_F (Matrix, ASwitchedOffSourceGlidesOutOver20Ms)
{
    params.lfos[0].wave = Lfo::square; // +1 at the start
    params.lfos[0].amounts[(size_t) ModTarget::Amount] = 1.0f;
    block();
    run (2000);
    params.lfos[0].enabled = false;
    block (nullptr, 2000);
    const auto out = run (2000);
    EXPECT_GT (std::abs (out[100][SampleTarget::amount]), 0.1f) << "still audible 2 ms after";
    EXPECT_EQ (out[960][SampleTarget::amount], 0.0f) << "gone after 20 ms";
    EXPECT_EQ (matrix.blockOffsets()[BlockTarget::tilt], 0.0f);
}

TEST_F (Matrix, MacrosMoveTheEnvelopeSettingsInTheirNormalisedRange)
{
    // With a slow attack the envelope climbs slowly; a macro on EnvAttack of -1 makes it instant.
    params.env.attackMs = 200.0f;
    const std::vector<float> loud (512, 0.5f);
    block (loud.data());
    const float slow = matrix.envelope().output()[100];

    matrix.prepare (48000.0, 4096);
    params.macros[2].value = 1.0f;
    params.macros[2].amounts[(size_t) ModTarget::EnvAttack] = -1.0f;
    block (loud.data());
    EXPECT_GT (matrix.envelope().output()[100], slow * 10.0f);
}

// Through the whole processor: a fresh instance without modulation renders exactly as before.
TEST (Modulation, AllAmountsZeroLeaveTheSoundUntouched)
{
    auto render = [] (bool sourcesBusy) {
        ProcessorRig rig;
        if (sourcesBusy)
        {
            rig.set ("macro1", 1.0f);
            rig.set ("lfoWave", 3.0f);
            rig.set ("lfo2RateHz", 20.0f);
            rig.set ("envMode", 1.0f);
        }
        rig.prepare (48000.0, 256);
        juce::AudioBuffer<float> audio (2, 9600);
        juce::Random random (9);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < audio.getNumSamples(); ++i)
                audio.setSample (ch, i, random.nextFloat() - 0.5f);
        rig.processInBlocks (audio, 256);
        return audio;
    };
    const auto quiet = render (false), busy = render (true);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < quiet.getNumSamples(); ++i)
            ASSERT_EQ (quiet.getSample (ch, i), busy.getSample (ch, i)) << i;
}
// An LFO on the cutoff makes the sound brighten and darken at the LFO's rate.
TEST (Modulation, AnLfoOnTheCutoffMovesTheBrightness)
{
    ProcessorRig rig;
    rig.set ("lfoRateHz", 1.0f);
    rig.set ("lfoToCutoff", 0.5f);
    rig.set ("amount", 0.1f);
    rig.prepare (48000.0, 512);

    juce::AudioBuffer<float> audio (2, 2 * 48000);
    juce::Random random (4);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < audio.getNumSamples(); ++i)
            audio.setSample (ch, i, 0.5f * (random.nextFloat() - 0.5f));
    rig.processInBlocks (audio, 512);

    // Eighth-second windows: the sine's peak falls in windows 2 and 10, its trough in 6 and 14.
    const auto trace = kavro::analysis::centroidTrace (audio, 48000.0, 0.125);
    ASSERT_EQ (trace.size(), 16u);
    for (size_t cycle = 0; cycle < 2; ++cycle)
        EXPECT_GT (trace[2 + 8 * cycle], 3.0 * trace[6 + 8 * cycle]) << "cycle " << cycle;
}
} // namespace
