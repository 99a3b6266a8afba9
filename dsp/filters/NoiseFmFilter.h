#pragma once

#include "dsp/filters/BiteFilter.h"
#include "dsp/filters/CleanSvf.h"
#include "dsp/filters/CombFilter.h"
#include "dsp/filters/WavefoldDrive.h"
#include "dsp/mod/ModTargets.h"
#include "dsp/util/FastMath.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>

namespace kavro
{
enum class FilterModel
{
    clean = 0,
    comb = 1,
    bite = 2
};

// How noise becomes a frequency offset: depth and offset in octaves at full amount, and a tanh
// shaping of the noise first (Soft, Deep, Bright, Aggressive).
struct InjectCurve
{
    float depth, offset, shape;
};

inline constexpr std::array<InjectCurve, 4> injectCurves { { { 4.0f, 0.0f, 0.0f },
                                                             { 6.5f, 0.0f, 0.0f },
                                                             { 6.5f, 1.0f, 0.0f },
                                                             { 7.0f, 0.0f, 4.0f } } };

// Octaves the cutoff moves for a noise value at the given amount (before clamping); tanhShape is
// tanh (curve.shape), passed in so that the per-sample caller computes it once.
inline float injectOctaves (const InjectCurve& curve, float noise, float amount, float tanhShape)
{
    if (curve.shape > 0.01f)
        noise = fastmath::tanh (curve.shape * noise) / tanhShape;
    return (noise * curve.depth + curve.offset) * amount;
}

inline float injectOctaves (const InjectCurve& curve, float noise, float amount)
{
    return injectOctaves (curve, noise, amount, std::tanh (curve.shape));
}

// The noise-modulated filter: drive, feedback, and one of three filter models (Clean, Comb, Bite)
// whose frequency follows the noise every sample. Model, response and slope changes crossfade.
// Coefficients move once per base-rate sample; the audio runs at the oversampled rate.
class NoiseFmFilter
{
public:
    struct BlockSettings
    {
        int filterType = 1; // Low Cut, Bandpass, High Cut
        bool slope24 = false;
        int model = 0;
        int inject = 0;
        float fbAmount = 0.0f;
        int numChannels = 2;
    };

    // Smoothed parameter values of one base-rate sample.
    struct SampleInputs
    {
        float cutoff = 1000.0f, resonance = 0.707f, amount = 0.0f, drive = 0.0f;
    };

    void prepare (double baseSampleRate, int oversamplingFactor, const BlockSettings&);
    void reset();

    void setBlock (const BlockSettings&);

    void beginSample (const SampleInputs&, const SampleOffsets& = {});
    void updateChannel (int channel, float noise);
    float processSubSample (int channel, float x);
    void endSubSample();

    // What the block did, for the visualiser.
    struct BlockStats
    {
        float maxAmount, minFrequency, maxFrequency;
    };
    void beginBlockStats();
    BlockStats blockStats() const { return stats; }

    float combDelay (int channel) const { return combs[(size_t) channel].delaySamples(); }
    bool isCrossfadingModels() const { return modelFadePosition >= 0; }
    bool isCrossfadingSlopes() const { return slopeFadePosition >= 0; }
    int modelCrossfadeLength() const { return modelFadeLength; }
    int slopeCrossfadeLength() const { return slopeFadeLength; }

    static float resonanceCompensation (FilterModel, float resonance);

private:
    void clearModel (int model);
    void updateCoefficients (int model, int channel, float cutoffHz);
    float runModel (int model, int channel, float x);
    float soft (float v) const;

    double baseRate = 44100.0, oversampledRate = 88200.0;
    int factor = 2;
    int numChannels = 2;
    float limitHz = 20000.0f;

    std::array<CleanSvf, 2> cleanStage1, cleanStage2;
    std::array<CombFilter, 2> combs;
    BiteFilter bite;
    std::array<WavefoldDrive, 2> drives;

    int currentModel = 0, incomingModel = 0;
    int modelFadePosition = -1, modelFadeLength = 1;
    bool slope24 = false;
    int slopeFadePosition = -1, slopeFadeLength = 1;
    double trackedDelay = -1.0;
    bool combTracking = false;
    float combBase = 1000.0f;

    float feedbackLp[2] {}, feedbackPreviousLp[2] {}, feedbackDc[2] {};
    float feedbackLpCoeff = 0.0f, feedbackDcPole = 0.0f;

    juce::SmoothedValue<float> fbSmoother, depthSmoother, offsetSmoother, shapeSmoother;

    // Per base-rate sample.
    float smoothedCutoff = 1000.0f;
    float amount = 0.0f, feedback = 0.0f, resonance = 0.707f, resoDrive = 0.0f;
    float cutoffOctaves = 0.0f;
    InjectCurve inject { 4.0f, 0.0f, 0.0f };
    float tanhShape = 1.0f;
    float compensation[3] { 1.0f, 1.0f, 1.0f };
    WavefoldDrive::Amount driveAmount;

    BlockStats stats {};
};
} // namespace kavro
