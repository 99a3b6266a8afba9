#pragma once

#include <juce_core/juce_core.h>

#include <vector>

namespace kavro
{
// Turns the dry input's level into a control signal in [0, 1], one value per sample. Follow tracks
// the level with attack, hold and decay; Trigger fires a fixed attack-hold-decay envelope each time
// the level crosses the threshold, at most once per sixteenth note.
class EnvelopeFollower
{
public:
    struct Settings
    {
        bool trigger = false;
        float thresholdDb = -24.0f;
        float attackMs = 5.0f, holdMs = 0.0f, decayMs = 150.0f;
        float tempo = 120.0f;

        bool operator== (const Settings& o) const
        {
            return trigger == o.trigger && thresholdDb == o.thresholdDb && attackMs == o.attackMs
                   && holdMs == o.holdMs && decayMs == o.decayMs && tempo == o.tempo;
        }
    };

    void prepare (double sampleRate, int maxBlockSize);
    void reset();

    // Sizes the output for a longer block (the audio thread's one growth) and restarts the state.
    void grow (int numSamples);

    // Runs over one block of the mono sidechain (nullptr: silence).
    void process (const Settings&, const float* sidechain, int numSamples);

    const float* output() const { return out.data(); }

    // Samples between triggers at least: a sixteenth note, or 0.75 s below 20 BPM.
    int minimumTriggerInterval() const { return minInterval; }

private:
    void updateDerived();

    float sampleRate = 48000.0f;
    Settings settings;
    bool derivedValid = false;

    float attackCoeff = 0.0f, decayCoeff = 0.0f;
    float attackIncrement = 1.0f, decayIncrement = 1.0f;
    float holdLength = 0.0f;
    float inputCoeff = 0.0f;
    float thresholdLevel = 0.0f, rearmLevel = 0.0f;
    float peakCoeff = 0.0f;
    int minInterval = 1;

    float lp = 0.0f;
    float envelope = 0.0f, followHold = 0.0f;
    float peak = 0.0f;
    int sinceTrigger = 268435456;
    bool armed = true;
    enum Stage
    {
        idle,
        attack,
        hold,
        decay
    };
    Stage stage = idle;
    float level = 0.0f, triggerHold = 0.0f;

    std::vector<float> out;
};
} // namespace kavro
