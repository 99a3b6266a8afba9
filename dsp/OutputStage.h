#pragma once

#include <juce_dsp/juce_dsp.h>

namespace kavro
{
using LatencyDelay = juce::dsp::DelayLine<float, juce::dsp::DelayLineInterpolationTypes::None>;

// A whole-sample delay of the engine's latency, for the paths that bypass the oversampler.
void prepareLatencyDelay (LatencyDelay&, double sampleRate, int latencySamples, int maxBlockSize);

// The end of the chain: the dry/wet blend against the dry signal delayed by the engine's latency,
// with a saturated low restore that gives back bass the filter removed, then the output volume.
class OutputStage
{
public:
    void prepare (double sampleRate, int latencySamples, int maxBlockSize, float mix, float volumeDb);
    void reset();

    void setTargets (float mix, float volumeDb);

    // wet is processed in place. mixOffsets and volumeOffsets hold one offset per sample.
    void mixDryWet (juce::AudioBuffer<float>& wet, const juce::AudioBuffer<float>& dry,
                    const juce::AudioBuffer<float>& filtered, const float* mixOffsets, int channels, int numSamples);
    void applyVolume (juce::AudioBuffer<float>& buffer, const float* volumeOffsets, int channels, int numSamples);

    static float volumeGain (float volumeDb) { return volumeDb <= -100.0f ? 0.0f : juce::Decibels::decibelsToGain (volumeDb); }

private:
    LatencyDelay dryDelay;
    juce::SmoothedValue<float> mixSmoother, volumeSmoother;
    float lowRestoreCoeff = 0.0f;
    float lowRestoreDry[2] {}, lowRestoreWet[2] {};
};
} // namespace kavro
