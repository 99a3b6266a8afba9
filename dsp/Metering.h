#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <atomic>

namespace kavro
{
// Levels, band energies, a transient indicator and a filter snapshot, published lock-free for the
// editor. Measured only while an editor is open; the values keep their last state otherwise.
class Metering
{
public:
    struct FilterSnapshot
    {
        float cutoff, resonance, amount, modLow, modHigh;
        int filterType;
    };

    void prepare (double sampleRate);
    void reset();

    void measureInput (const juce::AudioBuffer<float>&, int channels, int numSamples);
    void analyseBands (const juce::AudioBuffer<float>&, int channels, int numSamples);
    void measurePreVolume (const juce::AudioBuffer<float>&, int channels, int numSamples);
    void measureOutputAndPublish (const juce::AudioBuffer<float>&, int channels, int numSamples, const FilterSnapshot&);

    std::atomic<float> inputLevel { 0.0f }, preVolumeLevel { 0.0f }, outputLevel { 0.0f };
    std::atomic<float> vizCutoff { 1000.0f }, vizResonance { 0.707f }, vizAmount { 0.0f };
    std::atomic<float> vizModLow { 1000.0f }, vizModHigh { 1000.0f };
    std::atomic<int> vizFilterType { 1 };
    std::atomic<float> vizLow { 0.0f }, vizMid { 0.0f }, vizHigh { 0.0f };
    std::atomic<float> vizHit { 0.0f }; // max-hold; the reader clears it with an exchange against 0

private:
    void measure (const juce::AudioBuffer<float>&, int channels, int numSamples, float& meanSquare,
                  std::atomic<float>& level) const;

    double sampleRate = 44100.0;
    float inputMeanSquare = 0.0f, preVolumeMeanSquare = 0.0f, outputMeanSquare = 0.0f;
    float bandLow1 = 0.0f, bandLow2 = 0.0f;
    float envLow = 0.0f, envMid = 0.0f, envHigh = 0.0f;
    float hitFast = 0.0f, hitSlow = 0.0f;
    float blockHit = 0.0f;
    float c220 = 0.0f, c3000 = 0.0f, bandAttack = 0.0f, bandRelease = 0.0f;
    float fastAttack = 0.0f, fastRelease = 0.0f, slowAttack = 0.0f, slowRelease = 0.0f;
};
} // namespace kavro
