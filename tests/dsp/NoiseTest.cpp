#include "dsp/NoiseBand.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

namespace
{
using kavro::NoiseGenerator;
using kavro::NoiseSource;

std::vector<float> generate (NoiseGenerator& generator, int numSamples)
{
    std::vector<float> out ((size_t) numSamples);
    for (auto& x : out)
        x = generator.nextSample();
    return out;
}

TEST (NoiseGenerator, RepeatsItsSequenceAfterEveryPrepare)
{
    for (int mode = 0; mode < 4; ++mode)
    {
        NoiseGenerator a, b;
        a.prepare (48000.0, 24289);
        b.prepare (48000.0, 24289);
        if (mode == 3)
        {
            a.setCrackle (3, 1.0f);
            b.setCrackle (3, 1.0f);
        }
        else
        {
            a.setColour (mode);
            b.setColour (mode);
        }

        const auto first = generate (a, 4096);
        EXPECT_EQ (first, generate (b, 4096)) << "mode " << mode;
        a.prepare (48000.0, 24289);
        EXPECT_EQ (first, generate (a, 4096)) << "mode " << mode << " after a second prepare";
    }
}

TEST (NoiseGenerator, ColoursHaveTheirLevelsAndBounds)
{
    struct Case
    {
        int colour;
        double minRms, maxRms;
    };
    // White: a uniform draw has RMS 1/sqrt(3); pink and brown are scaled towards the same loudness.
    const Case cases[] = { { NoiseGenerator::white, 0.57, 0.59 }, { NoiseGenerator::pink, 0.1, 0.6 },
                           { NoiseGenerator::brown, 0.1, 0.8 } };
    for (const auto& c : cases)
    {
        NoiseGenerator generator;
        generator.prepare (48000.0, 12648430);
        generator.setColour (c.colour);
        const auto x = generate (generator, 480000);
        EXPECT_GT (testsignals::rms (x), c.minRms) << c.colour;
        EXPECT_LT (testsignals::rms (x), c.maxRms) << c.colour;
        for (float v : x)
            ASSERT_LE (std::abs (v), 1.5f);
    }

    NoiseGenerator white96;
    white96.prepare (96000.0, 1);
    EXPECT_NEAR (testsignals::rms (generate (white96, 96000)), std::sqrt (2.0 / 3.0), 0.01) << "white gains sqrt(sr/48k)";
}

TEST (NoiseGenerator, CrackleDensitySpansSixteenTimesEachWay)
{
    const auto& pops = NoiseGenerator::crackleTable[2];
    EXPECT_FLOAT_EQ (NoiseGenerator::crackleEventRate (pops, 0.5f), 45.0f);
    EXPECT_FLOAT_EQ (NoiseGenerator::crackleEventRate (pops, 0.0f), 45.0f / 16.0f);
    EXPECT_FLOAT_EQ (NoiseGenerator::crackleEventRate (pops, 1.0f), 45.0f * 16.0f);
    EXPECT_FLOAT_EQ (NoiseGenerator::crackleEventRate (NoiseGenerator::crackleTable[0], 1.0f), 8000.0f) << "capped";

    // Sparse clicks: Pops at density 0 leave long stretches of silence, Dust at 1 almost none.
    auto silentShare = [] (int type, float density) {
        NoiseGenerator generator;
        generator.prepare (48000.0, 912545);
        generator.setCrackle (type, density);
        const auto x = generate (generator, 480000);
        return (double) std::count (x.begin(), x.end(), 0.0f) / (double) x.size();
    };
    EXPECT_GT (silentShare (2, 0.0f), 0.8);
    EXPECT_LT (silentShare (0, 1.0f), 0.01);
}

TEST (NoiseBandEdges, KeepAQuarterOfTheRangeApartAndFollowModulation)
{
    const juce::NormalisableRange<float> range { 20.0f, 20000.0f, 0.0f, 0.25f };

    const auto pushed = kavro::noiseBandEdges (5000.0f, 6000.0f, 0.0f, 0.0f, 0.0f, 20000.0f);
    EXPECT_NEAR (range.convertTo0to1 (pushed.highHz) - range.convertTo0to1 (pushed.lowHz), 0.25f, 1.0e-5f);
    EXPECT_FLOAT_EQ (pushed.lowHz, 5000.0f);

    struct Case
    {
        float lo, hi, loOffset, hiOffset, link, limit;
        float expectedLo, expectedHi;
    };
    const Case cases[] = {
        { 100.0f, 10000.0f, 0.0f, 0.0f, 0.0f, 20000.0f, 100.0f, 10000.0f },
        { 100.0f, 10000.0f, 1.0f, -1.0f, 0.0f, 20000.0f, 400.0f, 2500.0f },   // two octaves each way
        { 100.0f, 10000.0f, 0.0f, 0.0f, 0.5f, 20000.0f, 200.0f, 20000.0f },   // link moves both, clamped
        { 100.0f, 10000.0f, 0.0f, 0.0f, 0.0f, 8000.0f, 100.0f, 8000.0f },     // limit of a low sample rate
        { 100.0f, 10000.0f, 0.0f, 0.0f, -1.0f, 20000.0f, 25.0f, 2500.0f },
        { 40.0f, 10000.0f, 0.0f, 0.0f, -1.0f, 20000.0f, 20.0f, 2500.0f },
        { 1000.0f, 19000.0f, 1.0f, -1.0f, 0.0f, 20000.0f, 4000.0f, 4750.0f },
        { 4000.0f, 19000.0f, 1.0f, -1.0f, 0.0f, 20000.0f, 16000.0f, 16000.0f }, // high never below low
    };
    for (const auto& c : cases)
    {
        const auto edges = kavro::noiseBandEdges (c.lo, c.hi, c.loOffset, c.hiOffset, c.link, c.limit);
        EXPECT_NEAR (edges.lowHz, c.expectedLo, c.expectedLo * 1.0e-4f) << c.lo << ".." << c.hi;
        EXPECT_NEAR (edges.highHz, c.expectedHi, c.expectedHi * 1.0e-4f) << c.lo << ".." << c.hi;
    }
}

TEST (NoiseSource, ReductionHoldsValuesAndCompensatesLevel)
{
    EXPECT_FLOAT_EQ (NoiseSource::reductionGain (192000.0f, 44100.0), 1.0f);
    EXPECT_FLOAT_EQ (NoiseSource::reductionGain (192000.0f, 192000.0), 1.0f);
    EXPECT_NEAR (NoiseSource::reductionGain (200.0f, 44100.0), std::sqrt (48000.0 / 44100.0), 1.0e-6);
    EXPECT_NEAR (NoiseSource::reductionGain (200.0f, 96000.0), std::sqrt (0.5), 1.0e-6);

    // Held after the band filters, each value lasts sr / rate samples; crackle is never held.
    struct Case
    {
        bool crackle;
        double expectedRun;
    };
    for (const auto& c : { Case { false, 44100.0 / 200.0 }, Case { true, 1.0 } })
    {
        NoiseSource source;
        source.prepare (44100.0, 200.0f);
        source.setBlock ({ c.crackle, NoiseGenerator::white, 3, 1.0f, true }, 2, 200.0f);
        source.setBand ({ 20.0f, 20000.0f });

        int changes = 0;
        float previous = 0.0f, out[2];
        constexpr int numSamples = 44100;
        for (int i = 0; i < numSamples; ++i)
        {
            source.process (0.0f, 0.0f, out);
            changes += out[0] != previous ? 1 : 0;
            previous = out[0];
        }
        EXPECT_NEAR ((double) numSamples / changes, c.expectedRun, c.expectedRun * 0.02) << (c.crackle ? "crackle" : "white");
    }
}

TEST (NoiseSource, MonoLeavesTheRightGeneratorAlone)
{
    auto makeSource = [] {
        NoiseSource source;
        source.prepare (48000.0, 192000.0f);
        source.setBand ({ 20.0f, 20000.0f });
        return source;
    };
    NoiseSource afterMono = makeSource(), fresh = makeSource();
    float out[2];

    afterMono.setBlock ({}, 1, 192000.0f);
    for (int i = 0; i < 100; ++i)
        afterMono.process (1.0f, 0.0f, out);

    float expected[2];
    afterMono.setBlock ({}, 2, 192000.0f);
    fresh.setBlock ({}, 2, 192000.0f);
    afterMono.process (1.0f, 0.0f, out);
    fresh.process (1.0f, 0.0f, expected);
    EXPECT_NEAR (out[1], expected[1], 1.0e-6f);

    // Width 0 puts the same noise on both sides.
    NoiseSource narrow = makeSource();
    narrow.setBlock ({}, 2, 192000.0f);
    for (int i = 0; i < 100; ++i)
    {
        narrow.process (0.0f, 0.0f, out);
        ASSERT_EQ (out[0], out[1]);
    }
}
} // namespace
