#pragma once

#include <juce_dsp/juce_dsp.h>

#include <array>

namespace kavro
{
// A first-order tilt: lows and highs pivot around a shelf frequency in opposite directions, up to
// +-12 dB. Gains glide linearly across each chunk.
class TiltEq
{
public:
    void prepare (double sampleRate, int numChannels);
    void reset();

    // New tilt (-1..1) and frequency for the next chunk.
    void setTarget (float tilt, float frequencyHz);
    void process (float* const* channels, int numChannels, int numSamples);

    static float lowGainFor (float tilt) { return juce::Decibels::decibelsToGain (-12.0f * tilt); }

private:
    double sampleRate = 44100.0;
    int channelCount = 2;
    float coefficient = 0.0f;
    float lowGain = 1.0f, highGain = 1.0f, previousLowGain = 1.0f, previousHighGain = 1.0f;
    float lowState[2] {};
};

// A three-band upward and downward compressor ("OTT"): split at 88.3 Hz and 2.5 kHz, RMS envelopes
// per band, soft knees, makeup in front and a soft clip after, all scaled by depth.
class OttCore
{
public:
    struct BandCurve
    {
        float upKneeStart, upKneeEnd, upThreshold;
        float downKneeStart, downKneeEnd, downThreshold;
        float downFactor, offsetDb;
    };

    static constexpr std::array<BandCurve, 3> curves { { { -43.8f, -37.8f, -40.8f, -36.8f, -30.8f, -33.8f, 0.9850075f, 10.3f },
                                                         { -44.8f, -38.8f, -41.8f, -33.2f, -27.2f, -30.2f, 0.9850075f, 5.7f },
                                                         { -43.8f, -37.8f, -40.8f, -38.5f, -32.5f, -35.5f, 0.999f, 10.3f } } };

    // The gain in dB a band at level levelDb receives at depth 1.
    static float bandGainDb (const BandCurve& c, float level)
    {
        level = std::max (level, -120.0f);

        float up = 0.0f;
        if (level < c.upKneeStart)
            up = c.upThreshold - level;
        else if (level < c.upKneeEnd)
            up = (c.upKneeEnd - level) * (c.upKneeEnd - level) / 12.0f;

        float down = 0.0f;
        if (level > c.downKneeEnd)
            down = level - c.downThreshold;
        else if (level > c.downKneeStart)
            down = (level - c.downKneeStart) * (level - c.downKneeStart) / 12.0f;

        return std::min (0.76019186f * up, 24.0f) - c.downFactor * down + c.offsetDb + 15.0f;
    }

    void prepare (double sampleRate, int numChannels, float depth);
    void reset();

    void setDepth (float newDepth);

    // Compresses one sample of every channel in place.
    void process (float* samples, int numChannels);

private:
    void updateDerivedParameters();

    double sampleRate = 44100.0;
    int channelCount = 2;
    float time = 0.45f, depth = 0.5f;
    float attackPole[3] {}, releasePole[3] {};
    float makeup = 1.0f;
    juce::dsp::LinkwitzRileyFilter<float> split88, split2500, allpass2500;
    float envelope[3][2] {};
    juce::SmoothedValue<float> depthSmoother, makeupSmoother;
};

// Tilt, then the compressor, blended by otMix and switched by otEnable with a 50 ms fade.
class FinishSection
{
public:
    struct BlockSettings
    {
        bool enabled = false;
        float mix = 0.0f, depth = 0.5f, tilt = 0.0f, shelfHz = 1000.0f; // mix, depth and tilt modulated
    };

    void prepare (double sampleRate, int numChannels, int maxBlockSize, const BlockSettings&);
    void grow (int numSamples) { preFinish.setSize (2, numSamples); }
    void reset (const BlockSettings& present);

    // Runs over the first channels of the buffer in place, or only advances its ramps while off.
    void process (juce::AudioBuffer<float>&, int channels, const BlockSettings&);

    bool isRunning() const { return processedLastBlock; }

private:
    static constexpr int chunkSize = 32;

    TiltEq tilt;
    OttCore ott;
    juce::SmoothedValue<float> fade, mixSmoother, depthSmoother, tiltSmoother, shelfSmoother;
    bool enabledLastBlock = true, processedLastBlock = false;
    juce::AudioBuffer<float> preFinish;
};
} // namespace kavro
