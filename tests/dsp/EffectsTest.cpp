#include "dsp/Finish.h"
#include "dsp/GrainDelay.h"
#include "dsp/NoiseDecay.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

namespace
{
using namespace kavro;
constexpr double sr = 48000.0;

//==============================================================================
NoiseDecay makeDecay (bool transient)
{
    NoiseDecay decay;
    decay.prepare (sr, 1.0f);
    decay.setBand ({ 20.0f, 20000.0f });
    decay.setBlock ({ true, transient, 150.0f, 0, 1.0f, 2 });
    return decay;
}

TEST (NoiseDecay, OffAddsNothingAndLeavesItsNoiseWhereItWas)
{
    NoiseDecay wasOff = makeDecay (false), fresh = makeDecay (false);
    wasOff.setBlock ({ false, false, 150.0f, 0, 1.0f, 2 });
    float out[2];
    for (int i = 0; i < 4800; ++i)
    {
        wasOff.process (0.5f, 0.5f, 0.0f, out);
        ASSERT_EQ (out[0], 0.0f);
        ASSERT_EQ (out[1], 0.0f);
    }

    wasOff.setBlock ({ true, false, 150.0f, 0, 1.0f, 2 });
    float expected[2];
    for (int i = 0; i < 4800; ++i)
    {
        wasOff.process (0.5f, 0.5f, 0.0f, out);
        fresh.process (0.5f, 0.5f, 0.0f, expected);
        ASSERT_EQ (out[0], expected[0]) << i;
    }
}

TEST (NoiseDecay, FollowLaysASteadyBedUnderASteadyInput)
{
    for (float x : { 0.1f, 0.3f, 0.6f })
    {
        NoiseDecay decay = makeDecay (false);
        float out[2];
        std::vector<float> bed;
        for (int i = 0; i < (int) sr; ++i)
        {
            decay.process (x, -x, 0.0f, out);
            if (i > sr / 2)
                bed.push_back (out[0]);
        }
        EXPECT_NEAR (decay.envelope(), x * x, 0.01f * x * x) << x;
        // White noise through the open band has an RMS near 1/sqrt (3); the bed is 10 x^2 of it.
        EXPECT_NEAR (testsignals::rms (bed), 10.0 * x * x / std::sqrt (3.0), 0.15 * 10.0 * x * x) << x;
    }
}

TEST (NoiseDecay, TransientModeFiresOnceOnASustainedToneAndReArmsAfterIt)
{
    NoiseDecay decay = makeDecay (true);
    float out[2];
    int triggers = 0;
    bool wasArmed = decay.armed();
    auto feed = [&] (float amplitude, double seconds) {
        const auto tone = testsignals::sine (220.0, sr, (int) (seconds * sr), amplitude);
        for (float s : tone)
        {
            decay.process (s, s, 0.0f, out);
            triggers += wasArmed && ! decay.armed() ? 1 : 0;
            wasArmed = decay.armed();
        }
    };

    feed (0.0f, 0.5);
    feed (0.5f, 2.0);
    EXPECT_EQ (triggers, 1);
    feed (0.0f, 0.5);
    feed (0.5f, 0.5);
    EXPECT_EQ (triggers, 2);
}

//==============================================================================
TEST (OttCore, LowBandExampleAndDepthZero)
{
    EXPECT_NEAR (OttCore::bandGainDb (OttCore::curves[0], -60.0f), 14.6f + 25.3f, 0.05f);
    EXPECT_NEAR (OttCore::bandGainDb (OttCore::curves[0], -200.0f), 24.0f + 25.3f, 0.05f) << "floor at -120 dB, cap 24 dB";

    // At depth 0 the compressor is transparent in level: only the crossovers' phase remains.
    for (double hz : { 50.0, 500.0, 2500.0, 9000.0 })
    {
        OttCore ott;
        ott.prepare (sr, 1, 0.0f);
        const double gain = testsignals::gainAtDb ([&] (float x) {
            ott.process (&x, 1);
            return x;
        }, hz, sr);
        EXPECT_NEAR (gain, 0.0, 0.05) << hz << " Hz";
    }
}

TEST (TiltEq, TiltsTwelveDecibelsEachWayAroundTheShelf)
{
    auto gainDb = [] (float tiltValue, float shelfHz, double hz) {
        TiltEq tilt;
        tilt.prepare (sr, 1);
        tilt.setTarget (tiltValue, shelfHz);
        tilt.setTarget (tiltValue, shelfHz); // no glide: both ends of the chunk at the new gains
        return testsignals::gainAtDb ([&] (float x) {
            float* channel[] = { &x };
            tilt.process (channel, 1, 1);
            return x;
        }, hz, sr, 2.0);
    };

    // Well below and well above the shelf the gains reach -12 and +12 dB; the one-pole makes no
    // difference at the shelf between the two directions.
    struct Case
    {
        float tilt, shelfHz;
        double hz, expectedDb;
    };
    for (const auto& c : { Case { 1.0f, 2000.0f, 15.0, -12.0 }, Case { 1.0f, 200.0f, 12000.0, 12.0 },
                           Case { -1.0f, 2000.0f, 15.0, 12.0 }, Case { -1.0f, 200.0f, 12000.0, -12.0 },
                           Case { 0.0f, 1000.0f, 1000.0, 0.0 }, Case { 0.5f, 2000.0f, 15.0, -6.0 } })
        EXPECT_NEAR (gainDb (c.tilt, c.shelfHz, c.hz), c.expectedDb, 0.5) << "tilt " << c.tilt << " at " << c.hz << " Hz";

    EXPECT_NEAR (gainDb (1.0f, 1000.0f, 1000.0), 0.0, 0.3) << "the tilt pivots at the shelf frequency";
    EXPECT_NEAR (gainDb (-1.0f, 1000.0f, 1000.0), 0.0, 0.3) << "the tilt pivots at the shelf frequency";
}

juce::AudioBuffer<float> noise (int numSamples, int seed = 2)
{
    juce::AudioBuffer<float> b (2, numSamples);
    juce::Random random (seed);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < numSamples; ++i)
            b.setSample (ch, i, 0.4f * (random.nextFloat() - 0.5f));
    return b;
}

TEST (FinishSection, MixZeroIsTheTiltedSignalAndMixOneTheCompressor)
{
    FinishSection::BlockSettings settings { true, 0.0f, 0.8f, 0.0f, 1000.0f };
    FinishSection finish;
    finish.prepare (sr, 2, 512, settings);
    const auto input = noise (512);
    auto buffer = input;
    finish.process (buffer, 2, settings);
    for (int i = 0; i < 512; ++i)
        ASSERT_NEAR (buffer.getSample (0, i), input.getSample (0, i), 1.0e-6f);

    settings.mix = 1.0f;
    FinishSection compressed;
    compressed.prepare (sr, 2, 512, settings);
    OttCore ott;
    ott.prepare (sr, 2, 0.8f);
    buffer = input;
    compressed.process (buffer, 2, settings);
    for (int i = 0; i < 512; ++i)
    {
        float frame[2] = { input.getSample (0, i), input.getSample (1, i) };
        ott.setDepth (0.8f);
        ott.process (frame, 2);
        ASSERT_NEAR (buffer.getSample (0, i), frame[0], 1.0e-5f) << i;
    }
}

TEST (FinishSection, FadesOutOver50MsThenIdlesAndRestartsClean)
{
    FinishSection::BlockSettings settings { true, 1.0f, 1.0f, 0.5f, 1000.0f };
    FinishSection finish;
    finish.prepare (sr, 2, 480, settings);
    auto block = noise (480);
    finish.process (block, 2, settings);
    EXPECT_TRUE (finish.isRunning());

    settings.enabled = false;
    int blocksRunning = 0;
    for (int b = 0; b < 10; ++b)
    {
        block = noise (480, b);
        finish.process (block, 2, settings);
        blocksRunning += finish.isRunning() ? 1 : 0;
    }
    EXPECT_EQ (blocksRunning, 4) << "50 ms is five 10 ms blocks, the last of which ends at zero";

    const auto untouched = noise (480, 99);
    block = untouched;
    finish.process (block, 2, settings);
    for (int i = 0; i < 480; ++i)
        ASSERT_EQ (block.getSample (0, i), untouched.getSample (0, i));

    // Back on from silence: the fade starts at 0, so the first sample is the input itself.
    settings.enabled = true;
    block = untouched;
    finish.process (block, 2, settings);
    EXPECT_NEAR (block.getSample (0, 0), untouched.getSample (0, 0), 1.0e-3f);
    EXPECT_GT (std::abs (block.getSample (0, 479) - untouched.getSample (0, 479)), 1.0e-4f);
}

//==============================================================================
TEST (GrainDelay, DelayFollowsTheTempoWithinItsLimits)
{
    EXPECT_FLOAT_EQ (GrainDelay::delayFor (3, 120.0f, sr), 0.5f * sr);
    EXPECT_FLOAT_EQ (GrainDelay::delayFor (0, 120.0f, sr), 0.125f * sr);
    EXPECT_FLOAT_EQ (GrainDelay::delayFor (3, 10.0f, sr), GrainDelay::delayFor (3, 20.0f, sr));

    GrainDelay grains;
    GrainDelay::BlockSettings settings { true, 0.4f, 0.5f, 35.0f, 5 };
    grains.prepare (sr, 2, settings, 20.0f);
    EXPECT_FLOAT_EQ (grains.delaySamples(), 2.0f * (float) sr) << "6 s of 1/2 at 20 BPM is capped at 2 s";
    grains.setBlock ({ true, 0.4f, 0.5f, 35.0f, 0 }, 999.0f);
    EXPECT_GE (grains.delaySamples(), 3.0f);
}

TEST (GrainDelay, MixZeroIsTheInputAndMixOneOnlyTheEchoes)
{
    GrainDelay::BlockSettings settings { true, 0.0f, 0.0f, 0.0f, 0 };
    GrainDelay dry;
    dry.prepare (sr, 2, settings, 120.0f);
    const auto input = noise (4800);
    auto buffer = input;
    dry.process (buffer, 2);
    for (int i = 0; i < 4800; ++i)
        ASSERT_EQ (buffer.getSample (1, i), input.getSample (1, i));

    // An impulse through the fully wet delay comes back one sixteenth (6000 samples) later.
    settings.mix = 1.0f;
    GrainDelay wet;
    wet.prepare (sr, 2, settings, 120.0f);
    juce::AudioBuffer<float> impulse (2, 12000);
    impulse.clear();
    impulse.setSample (0, 0, 1.0f);
    impulse.setSample (1, 0, 1.0f);
    wet.process (impulse, 2);
    EXPECT_NEAR (impulse.getSample (0, 0), 0.0f, 1.0e-6f);
    EXPECT_NEAR (impulse.getMagnitude (0, 5990, 20), 0.5f, 0.05f) << "the delay tap at half level";
}

TEST (GrainDelay, MaximumFeedbackNeverRunsAway)
{
    GrainDelay::BlockSettings settings { true, 2.0f, 1.0f, 250.0f, 0 }; // feedback asked far above its cap
    GrainDelay grains;
    grains.prepare (sr, 2, settings, 200.0f);
    float peak = 0.0f;
    for (int b = 0; b < 200; ++b) // 20 s
    {
        auto block = noise (4800, b);
        grains.setBlock (settings, 200.0f);
        grains.process (block, 2);
        peak = std::max (peak, block.getMagnitude (0, 4800));
    }
    EXPECT_LT (peak, 4.0f);
}

TEST (GrainDelay, SwitchingOnWarmsUpInSilenceThenFadesIn)
{
    GrainDelay::BlockSettings off { false, 0.4f, 1.0f, 35.0f, 3 };
    GrainDelay grains;
    grains.prepare (sr, 2, off, 120.0f);
    auto block = noise (480);
    grains.setBlock (off, 120.0f);
    grains.process (block, 2);

    auto on = off;
    on.enabled = true;
    grains.setBlock (on, 120.0f);
    const int warmUp = grains.warmUpSamplesLeft();
    EXPECT_EQ (warmUp, (int) std::ceil (0.5 * sr + 0.29 * sr) + 4);

    // Blocks that finish inside the warm-up pass the input untouched (mix held at 0).
    int processed = 0;
    while (processed + 480 <= warmUp)
    {
        const auto input = noise (480, processed);
        block = input;
        grains.setBlock (on, 120.0f);
        grains.process (block, 2);
        for (int i = 0; i < 480; ++i)
            ASSERT_EQ (block.getSample (0, i), input.getSample (0, i)) << "warm-up sample " << processed + i;
        processed += 480;
    }

    // Then the mix rises over 20 ms to fully wet.
    for (int b = 0; b < 8; ++b)
    {
        block = noise (480, 1000 + b);
        grains.setBlock (on, 120.0f);
        grains.process (block, 2);
    }
    const auto input = noise (480, 77);
    block = input;
    grains.setBlock (on, 120.0f);
    grains.process (block, 2);
    double difference = 0.0;
    for (int i = 0; i < 480; ++i)
        difference += std::abs (block.getSample (0, i) - input.getSample (0, i));
    EXPECT_GT (difference / 480.0, 0.02);
}

TEST (GrainDelay, MonoIsTheLeftChannelOfStereo)
{
    GrainDelay::BlockSettings settings { true, 0.5f, 0.7f, 60.0f, 1 };
    GrainDelay mono, stereo;
    mono.prepare (sr, 1, settings, 120.0f);
    stereo.prepare (sr, 2, settings, 120.0f);
    for (int b = 0; b < 20; ++b)
    {
        auto both = noise (480, b);
        both.copyFrom (1, 0, both, 0, 0, 480);
        juce::AudioBuffer<float> left (1, 480);
        left.copyFrom (0, 0, both, 0, 0, 480);
        mono.process (left, 1);
        stereo.process (both, 2);
        for (int i = 0; i < 480; ++i)
            ASSERT_EQ (left.getSample (0, i), both.getSample (0, i)) << b << ":" << i;
    }
}
} // namespace
