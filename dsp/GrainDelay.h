#pragma once

#include "dsp/mod/Lfo.h"

#include <vector>

namespace kavro
{
// A tempo-synced delay with a cloud of up to 16 short, slightly detuned and panned grains read from
// the same memory. The grain rate wanders between 4 and 30 per second under a smooth random LFO at
// two cycles per beat. The feedback path is DC-blocked and saturated.
class GrainDelay
{
public:
    static constexpr juce::int64 lfoSeed = 397610, grainSeed = 1267611;

    struct BlockSettings
    {
        bool enabled = false;
        float feedback = 0.4f, mix = 0.5f, sprayMs = 35.0f; // modulated
        int division = 1;                                   // 1/16, 1/8, 1/6, 1/4, 1/3, 1/2
    };

    // Delay in samples of a division at a tempo: 4 / divisor beats, tempos below 20 BPM count as 20.
    static float delayFor (int division, float tempo, double sampleRate);

    void prepare (double sampleRate, int numChannels, const BlockSettings&, float tempo);
    void reset();

    // Enable bookkeeping and the tempo-derived settings of a block.
    void setBlock (const BlockSettings&, float tempo);

    // A fault elsewhere: silence the wet path and warm up again.
    void restart();

    // Processes the first channels of the buffer in place (while on or fading out).
    void process (juce::AudioBuffer<float>&, int channels);

    bool isRunning() const { return active; }
    float delaySamples() const { return targetDelay; }
    int warmUpSamplesLeft() const { return warmUpRemaining; }

private:
    float readLagrange (const std::vector<float>& buffer, float position) const;

    struct Grain
    {
        bool active = false;
        float age = 0.0f, length = 0.0f, position = 0.0f, speed = 1.0f, gainL = 1.0f, gainR = 1.0f;
    };

    std::vector<float> bufferL, bufferR;
    std::array<Grain, 16> grains;
    int bufferSize = 0, mask = 0, writeIndex = 0, numChannels = 2;
    float sampleRate = 44100.0f;
    float targetDelay = 3.0f, baseDelay = 3.0f, rawTempoDelay = 3.0f;
    float grainCountdown = 0.0f;
    float pitchJitter = 0.2f, stereoSpread = 0.5f, sprayMs = 35.0f;
    float dcCoeff = 0.0f, dcInput[2] {}, dcOutput[2] {};
    Lfo lfo;
    juce::Random grainRandom;
    juce::SmoothedValue<float> mixSmoother, feedbackSmoother, delaySmoother;

    bool enabledLastBlock = true, active = false, warmUpPending = false;
    int fadeOutLength = 0, fadeOutRemaining = 0, warmUpRemaining = 0;
    BlockSettings settings;
};
} // namespace kavro
