#pragma once

#include "dsp/NoiseGenerator.h"

#include <juce_dsp/juce_dsp.h>

namespace kavro
{
struct BandEdges
{
    float lowHz;
    float highHz;
};

// The noise band from the two edge settings: kept at least a quarter of the (skewed) 20 Hz..20 kHz
// range apart, moved by the modulation offsets (a full offset is two octaves; link moves both), and
// clamped to 20 Hz..limitHz with the high edge never below the low one.
BandEdges noiseBandEdges (float loHz, float hiHz, float loOffset, float hiOffset, float linkOffset, float limitHz);

// A high-cut and a low-cut filter in series, per channel, with edges retuned only when they change.
class NoiseBandFilter
{
public:
    void prepare (double sampleRate);
    void reset();
    void setEdges (BandEdges);
    void forgetEdges() { edges = { -1.0f, -1.0f }; }

    float process (int channel, float x) { return lowPass.processSample (channel, highPass.processSample (channel, x)); }

private:
    juce::dsp::StateVariableTPTFilter<float> highPass, lowPass;
    BandEdges edges { -1.0f, -1.0f };
};

// The noise that moves the filter: a generator per channel, blended towards independence by width,
// band-limited, and optionally held at a lower sample rate before or after the band filters.
class NoiseSource
{
public:
    static constexpr juce::int64 seeds[2] = { 24289, 12648430 };

    struct Settings
    {
        bool crackle = false;
        int colour = 0;      // white, pink, brown
        int crackleType = 0; // Dust, Crackle, Pops, Storm
        float density = 0.4f;
        bool reduceAfterBand = false; // "Post"
    };

    void prepare (double sampleRate, float reductionRateHz);
    void reset();

    void setBlock (const Settings&, int numChannels, float reductionRateHz);
    void setBand (BandEdges edges) { band.setEdges (edges); }
    void forgetBand() { band.forgetEdges(); }

    // One base-rate sample; srOffset is the sample-rate modulation offset. Writes numChannels values.
    void process (float width, float srOffset, float* out);

    // Compensation gain of a white or pink source held at rateHz before the band filters.
    static float reductionGain (float rateHz, double sampleRate);

private:
    NoiseGenerator generators[2];
    NoiseBandFilter band;
    juce::SmoothedValue<float> reductionRate;
    Settings settings;
    int numChannels = 2;
    double sampleRate = 44100.0;
    double phase = 0.0;
    bool started = false;
    float held[2] {};
    float cachedWidth = -1.0f, widthCos = 1.0f, widthSin = 0.0f;
};
} // namespace kavro
