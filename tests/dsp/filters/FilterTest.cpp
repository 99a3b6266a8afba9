#include "dsp/filters/NoiseFmFilter.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

namespace
{
using namespace kavro;
using testsignals::gainAtDb;

TEST (InjectCurves, MoveTheCutoffByTheirOctaves)
{
    struct Case
    {
        int curve;
        float noise, expectedOctaves;
    };
    const Case cases[] = {
        { 0, 1.0f, 4.0f },  { 1, 1.0f, 6.5f },  { 2, 1.0f, 7.5f }, { 3, 1.0f, 7.0f },
        { 2, 0.0f, 1.0f },  { 0, -0.5f, -2.0f }, { 3, 0.5f, 7.0f * std::tanh (2.0f) / std::tanh (4.0f) },
    };
    for (const auto& c : cases)
        EXPECT_NEAR (injectOctaves (injectCurves[(size_t) c.curve], c.noise, 1.0f), c.expectedOctaves, 1.0e-5f)
            << "curve " << c.curve << " noise " << c.noise;

    EXPECT_FLOAT_EQ (injectOctaves (injectCurves[2], 1.0f, 0.5f), 3.75f);
}

TEST (ResonanceCompensation, ScalesEachModelByItsExponent)
{
    EXPECT_FLOAT_EQ (NoiseFmFilter::resonanceCompensation (FilterModel::clean, 10.0f), 0.2f);
    EXPECT_FLOAT_EQ (NoiseFmFilter::resonanceCompensation (FilterModel::bite, 10.0f), std::pow (0.2f, 0.4f));
    EXPECT_FLOAT_EQ (NoiseFmFilter::resonanceCompensation (FilterModel::comb, 10.0f), 1.0f);
    EXPECT_FLOAT_EQ (NoiseFmFilter::resonanceCompensation (FilterModel::clean, 2.0f), 1.0f);
}

TEST (CleanSvf, IsAButterworthAtLowResonance)
{
    constexpr double sr = 96000.0;
    struct Case
    {
        int tap;
        double hz, expectedDb;
    };
    const Case cases[] = {
        { CleanSvf::highPass, 1000.0, -3.01 }, { CleanSvf::highPass, 250.0, -24.1 }, { CleanSvf::highPass, 8000.0, 0.0 },
        { CleanSvf::lowPass, 1000.0, -3.01 },  { CleanSvf::lowPass, 4000.0, -24.1 }, { CleanSvf::bandPass, 1000.0, -3.01 }, // the band tap peaks at Q
    };
    for (const auto& c : cases)
    {
        CleanSvf svf;
        svf.prepare (sr);
        svf.setCutoffAndResonance (1000.0f, 0.7071f);
        svf.setTap (c.tap);
        svf.reset();
        EXPECT_NEAR (gainAtDb ([&] (float x) { return svf.process (x); }, c.hz, sr), c.expectedDb, 0.3)
            << "tap " << c.tap << " at " << c.hz << " Hz";
    }
}

TEST (CombFilter, EchoesOnePeriodOfTheCutoffLater)
{
    constexpr double sr = 96000.0;
    for (float cutoff : { 20.0f, 480.0f, 3000.0f })
    {
        CombFilter comb;
        comb.prepare (sr);
        comb.setCutoff (cutoff);
        comb.setResonance (0.707f);
        EXPECT_NEAR (comb.delaySamples(), sr / cutoff, 1.0e-3);

        std::vector<float> y (8000);
        for (size_t i = 0; i < y.size(); ++i)
            y[i] = comb.process (i == 0 ? 1.0f : 0.0f);
        const auto end = (std::ptrdiff_t) std::min ((size_t) (sr / cutoff) + 3, y.size());
        const auto echo = std::max_element (y.begin() + 1, y.begin() + end);
        EXPECT_NEAR ((double) (echo - y.begin()), sr / cutoff, 1.0) << cutoff << " Hz";
    }
}

TEST (WavefoldDrive, ZeroIsTheIdentityAndFullFoldsSixAndThreeQuarterTimes)
{
    WavefoldDrive drive;
    const auto off = WavefoldDrive::amountFor (0.0f);
    for (float x : { -2.0f, -0.3f, 0.0f, 0.7f, 5.0f })
        EXPECT_EQ (drive.process (x, off), x);

    const auto full = WavefoldDrive::amountFor (1.0f);
    EXPECT_EQ (full.folds, 6);
    EXPECT_NEAR (full.fraction, 0.75, 1.0e-9);
    const auto light = WavefoldDrive::amountFor (0.1f);
    EXPECT_EQ (light.folds, 0);
    EXPECT_NEAR (light.fraction, 0.675, 1.0e-6);

    // Folding adds harmonics: a pure sine comes out with energy outside its own frequency.
    constexpr double sr = 96000.0;
    const auto x = testsignals::sine (500.0, sr, 9600, 0.8f);
    double residual = 0.0;
    for (size_t i = 0; i < x.size(); ++i)
        residual += std::abs (drive.process (x[i], full) - x[i]);
    EXPECT_GT (residual / (double) x.size(), 0.05);
}

class NoiseFmFilterTest : public testing::Test
{
protected:
    void prepare (NoiseFmFilter::BlockSettings settings = {})
    {
        filter.prepare (48000.0, 2, settings);
        filter.setBlock (settings);
    }

    // One base-rate sample with no noise; returns how many sub-samples ran.
    void step (float cutoff = 1000.0f)
    {
        NoiseFmFilter::SampleInputs in;
        in.cutoff = cutoff;
        filter.beginSample (in);
        for (int ch = 0; ch < 2; ++ch)
            filter.updateChannel (ch, 0.0f);
        for (int j = 0; j < 2; ++j)
        {
            for (int ch = 0; ch < 2; ++ch)
                filter.processSubSample (ch, 0.1f);
            filter.endSubSample();
        }
    }

    int subSamplesWhile (bool (NoiseFmFilter::*running)() const)
    {
        int count = 0;
        while ((filter.*running)() && count < 100000)
        {
            step();
            count += 2;
        }
        return count;
    }

    NoiseFmFilter filter;
};

TEST_F (NoiseFmFilterTest, ModelChangesCrossfadeOver24MsAndSlopeChangesOver3Ms)
{
    prepare();
    NoiseFmFilter::BlockSettings toComb;
    toComb.model = (int) FilterModel::comb;
    filter.setBlock (toComb);
    EXPECT_EQ (filter.modelCrossfadeLength(), (int) (0.024 * 96000.0));
    EXPECT_EQ (subSamplesWhile (&NoiseFmFilter::isCrossfadingModels), filter.modelCrossfadeLength());

    NoiseFmFilter::BlockSettings to24 = toComb;
    to24.slope24 = true;
    filter.setBlock (to24);
    EXPECT_EQ (filter.slopeCrossfadeLength(), (int) (0.003 * 96000.0));
    EXPECT_EQ (subSamplesWhile (&NoiseFmFilter::isCrossfadingSlopes), filter.slopeCrossfadeLength());

    filter.setBlock (to24);
    EXPECT_FALSE (filter.isCrossfadingModels());
    EXPECT_FALSE (filter.isCrossfadingSlopes());
}

TEST_F (NoiseFmFilterTest, CombTuningGlidesAtALimitedSpeed)
{
    NoiseFmFilter::BlockSettings comb;
    comb.model = (int) FilterModel::comb;
    prepare (comb);

    step (1000.0f);
    EXPECT_NEAR (filter.combDelay (0), 96000.0 / 1000.0, 1.0e-3) << "a fresh comb jumps to its tuning";

    // From 96 samples of delay to 480: at most 1.5 x factor (3) samples per base-rate sample.
    float previous = filter.combDelay (0);
    int steps = 0;
    while (std::abs (filter.combDelay (0) - 480.0f) > 1.0e-3f && steps < 1000)
    {
        step (200.0f);
        EXPECT_LE (filter.combDelay (0) - previous, 3.0f + 1.0e-3f);
        previous = filter.combDelay (0);
        ++steps;
    }
    EXPECT_EQ (steps, 128);
}
} // namespace
