#pragma once

#include "dsp/mod/ModTargets.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <vector>

// Every automatable parameter described as data: the host's list, the saved state, presets,
// the engine and the page all use these IDs.
namespace kavro::params
{
enum class Kind
{
    Float,
    Choice,
    Bool
};

struct Definition
{
    juce::String id;
    juce::String name;
    Kind kind;
    juce::NormalisableRange<float> range; // Float only
    float defaultValue;                   // plain value: a Choice's index, a Bool's 0 or 1
    juce::StringArray choices;            // Choice only
};

// The 208 parameters in registration order.
const std::vector<Definition>& all();

const Definition* find (const juce::String& id);

// ---------------------------------------------------------------------------------------------
// Modulation amounts: source prefix + "To" + target key, range -1..1, default 0.

using Target = ModTarget;
inline constexpr int numTargets = numModTargets;

const char* targetKey (Target);
const char* targetSuffix (Target);

enum class Source
{
    Lfo1,
    Lfo2,
    Env,
    Macro1,
    Macro2,
    Macro3
};

inline constexpr int numSources = 6;

// Targets of a source in registration order.
const std::vector<Target>& targetsOf (Source);

juce::String amountId (Source, Target);

// ---------------------------------------------------------------------------------------------
// The raw value table the audio thread reads: fixed slots, one per parameter.
namespace slot
{
    inline constexpr int lfoBlockSize = 28;   // rate, sync, division, wave, depth, enable, 22 amounts
    inline constexpr int macroBlockSize = 29; // value, polarity, 27 amounts in macroAmountOrder
    inline constexpr int envBlockSize = 30;   // enable, mode, threshold, attack, hold, decay, 24 amounts

    inline constexpr int lfo1 = 0;
    inline constexpr int lfo2 = lfo1 + lfoBlockSize;
    inline constexpr int macro1 = lfo2 + lfoBlockSize;
    inline constexpr int env = macro1 + 3 * macroBlockSize;
    inline constexpr int firstPlain = env + envBlockSize;

    inline constexpr int lfoBase (int lfoIndex) { return lfoIndex == 0 ? lfo1 : lfo2; }
    inline constexpr int macroBase (int macroIndex) { return macro1 + macroIndex * macroBlockSize; }

    enum LfoOffset { lfoRate, lfoSync, lfoDivision, lfoWave, lfoDepth, lfoEnable, lfoFirstAmount };
    enum MacroOffset { macroValue, macroPolarity, macroFirstAmount };
    enum EnvOffset { envEnable, envMode, envThreshold, envAttack, envHold, envDecay, envFirstAmount };

    enum Plain : int
    {
        filterType = firstPlain, filterSlope, filterChar, filterDrive, cutoff, resonance,
        noiseType, noiseModel, noiseCrackleType, noiseDensity, noiseLoHz, noiseHiHz, noiseSrHz,
        noiseSrPos, noiseInject, amount,
        width, mix, fbAmount, otEnable, otMix, otDepth, shTilt, shHz,
        ndEnable, ndLevel, ndRelease, ndMode, ndNoiseType,
        grEnable, grFeedback, grMix, grSpray, grDelay, volume,
        count
    };

    static_assert (count == 208);
} // namespace slot

// The macros' amounts sit in the raw table in this order (Amount before OttMix).
const std::array<Target, numTargets>& macroAmountOrder();

// The parameter ID behind every raw slot.
const std::array<juce::String, slot::count>& rawSlotIds();

// Where each of the 149 modulation amounts sits in the raw table.
struct AmountSlot
{
    int slot;
    Source source;
    Target target;
};

const std::vector<AmountSlot>& amountSlots();

} // namespace kavro::params
