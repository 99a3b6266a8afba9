#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace kavro
{
// The dice: rolls a new sound from curated ranges, nudges the current one a little, or swaps back
// the sound from before the last roll or nudge. Touches only sound-shaping parameters of the
// filter, the noise, LFO 1, the feedback, the macros and the effects that are switched on.
class Randomizer
{
public:
    explicit Randomizer (juce::AudioProcessorValueTreeState&);

    // "roll", "variation" or "undo"; anything else rolls. True when something was applied.
    bool randomize (const juce::String& mode);

    // Makes the following draws repeatable.
    void reseed (juce::int64 seed) { rng.setSeed (seed); }

private:
    bool change (bool roll);
    void roll (juce::ValueTree&);
    void vary (juce::ValueTree&);

    juce::ValueTree node (juce::ValueTree&, const juce::String& id);
    float physicalOf (juce::ValueTree&, const juce::String& id);
    void setPhysical (juce::ValueTree&, const juce::String& id, float value);
    void setFloat (juce::ValueTree&, const juce::String& id, float lo, float hi);
    void jitter (juce::ValueTree&, const juce::String& id, float lo, float hi);
    float jitterN (juce::ValueTree&, const juce::String& id, float lo, float hi);
    void setNoiseBand (juce::ValueTree&, float loNormalised, float hiNormalised);
    bool isOn (juce::ValueTree& tree, const juce::String& id) { return physicalOf (tree, id) > 0.5f; }
    const juce::NormalisableRange<float>* rangeOf (const juce::String& id) const;

    juce::AudioProcessorValueTreeState& state;
    juce::ValueTree lastState;
    juce::Random rng;
};
} // namespace kavro
