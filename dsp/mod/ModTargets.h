#pragma once

#include "dsp/util/FastMath.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <cmath>

// The 27 modulation targets and how each turns a unitless sum S of weighted sources into a change
// of its own value. The engine asks here; nothing else scales an offset.
namespace kavro
{
enum class ModTarget
{
    Cutoff, Reso, NdLevel, NdRelease, FbAmount, Tilt, Depth, Drive, Width,
    BpLo, BpHi, BpLink, SrHz, GrFb, GrMix, GrSpray,
    Lfo1Rate, Lfo1Depth, Lfo2Rate, Lfo2Depth, Vol, Mix, OttMix, Amount,
    EnvThresh, EnvAttack, EnvDecay
};

inline constexpr int numModTargets = 27;

// The targets moved every sample, in the order the sources keep their smoothed amounts.
enum class SampleTarget
{
    amount, cutoff, reso, ndLevel, fbAmount, drive, width, srHz, vol, mix
};

inline constexpr int numSampleTargets = 10;

inline constexpr std::array<ModTarget, numSampleTargets> sampleTargets {
    ModTarget::Amount, ModTarget::Cutoff, ModTarget::Reso, ModTarget::NdLevel, ModTarget::FbAmount,
    ModTarget::Drive,  ModTarget::Width,  ModTarget::SrHz, ModTarget::Vol,     ModTarget::Mix
};

// The engine's block-rate targets (the LFO rates and depths and the envelope settings are used
// inside the matrix itself).
enum class BlockTarget
{
    ndRelease, bpLo, bpHi, bpLink, grFb, grMix, grSpray, tilt, depth, ottMix
};

inline constexpr int numBlockTargets = 10;

inline constexpr std::array<ModTarget, numBlockTargets> blockTargets {
    ModTarget::NdRelease, ModTarget::BpLo, ModTarget::BpHi,  ModTarget::BpLink, ModTarget::GrFb,
    ModTarget::GrMix,     ModTarget::GrSpray, ModTarget::Tilt, ModTarget::Depth, ModTarget::OttMix
};

struct SampleOffsets
{
    std::array<float, numSampleTargets> sums {};
    float operator[] (SampleTarget t) const { return sums[(size_t) t]; }
};

struct BlockOffsets
{
    std::array<float, numBlockTargets> sums {};
    float operator[] (BlockTarget t) const { return sums[(size_t) t]; }
};

// How a target moves: added to its base after scaling (linear), or multiplying it by 2^(octaves S);
// then clamped to [minimum, maximum].
struct TargetScaling
{
    enum Kind
    {
        linear,
        octaves
    };
    Kind kind;
    float scale;
    float minimum, maximum;
};

namespace targets
{
    // A clamp that also maps NaN to the minimum, so a damaged sum can never carry NaN into a stage.
    inline float clampOrMinimum (float value, float minimum, float maximum)
    {
        return value > minimum ? (value < maximum ? value : maximum) : minimum;
    }

    // Indexed by ModTarget. Cutoff's octaves join the noise FM in the filter's exponent, and the
    // filter clamps the result to the sample rate's limit; Vol and the LFO depths are factors of
    // 1 + S; the envelope settings move within their parameters' normalised ranges.
    inline constexpr std::array<TargetScaling, numModTargets> table { {
        { TargetScaling::octaves, 9.966f, 20.0f, 20000.0f }, // Cutoff
        { TargetScaling::linear, 9.9f, 0.1f, 10.0f },       // Reso
        { TargetScaling::linear, 1.0f, 0.0f, 1.0f },        // NdLevel
        { TargetScaling::octaves, 2.0f, 5.0f, 500.0f },     // NdRelease (ms)
        { TargetScaling::linear, 0.45f, 0.0f, 0.45f },      // FbAmount
        { TargetScaling::linear, 1.0f, -1.0f, 1.0f },       // Tilt
        { TargetScaling::linear, 1.0f, 0.0f, 1.0f },        // Depth
        { TargetScaling::linear, 1.0f, 0.0f, 1.0f },        // Drive
        { TargetScaling::linear, 1.0f, 0.0f, 1.0f },        // Width
        { TargetScaling::octaves, 2.0f, 20.0f, 20000.0f },  // BpLo
        { TargetScaling::octaves, 2.0f, 20.0f, 20000.0f },  // BpHi
        { TargetScaling::octaves, 2.0f, 20.0f, 20000.0f },  // BpLink
        { TargetScaling::octaves, 4.0f, 200.0f, 192000.0f }, // SrHz
        { TargetScaling::linear, 1.0f, 0.0f, 0.95f },       // GrFb
        { TargetScaling::linear, 1.0f, 0.0f, 1.0f },        // GrMix
        { TargetScaling::linear, 250.0f, 0.0f, 250.0f },    // GrSpray (ms)
        { TargetScaling::octaves, 2.0f, 0.01f, 30.0f },     // Lfo1Rate (Hz)
        { TargetScaling::linear, 1.0f, 0.0f, 1.0e30f },     // Lfo1Depth: a scale of 1 + S
        { TargetScaling::octaves, 2.0f, 0.01f, 30.0f },     // Lfo2Rate (Hz)
        { TargetScaling::linear, 1.0f, 0.0f, 1.0e30f },     // Lfo2Depth
        { TargetScaling::linear, 1.0f, 0.0f, 2.0f },        // Vol: a gain factor of 1 + S
        { TargetScaling::linear, 1.0f, 0.0f, 1.0f },        // Mix
        { TargetScaling::linear, 1.0f, 0.0f, 1.0f },        // OttMix
        { TargetScaling::linear, 1.0f, 0.0f, 1.0f },        // Amount
        { TargetScaling::linear, 1.0f, 0.0f, 1.0f },        // EnvThresh: normalised range
        { TargetScaling::linear, 1.0f, 0.0f, 1.0f },        // EnvAttack
        { TargetScaling::linear, 1.0f, 0.0f, 1.0f },        // EnvDecay
    } };

    // The effective value of a target from its base and its sum S. A sum of exactly 0 returns the
    // clamped base without touching the exponent.
    inline float apply (ModTarget target, float base, float sum)
    {
        const auto& t = table[(size_t) target];
        float value = base;
        if (t.kind == TargetScaling::linear)
            value += t.scale * sum;
        else if (sum != 0.0f)
            value *= fastmath::exp2 (t.scale * sum);
        return clampOrMinimum (value, t.minimum, t.maximum);
    }

    // The multiplier an octave target applies for a sum (1 at 0).
    inline float octaveFactor (ModTarget target, float sum)
    {
        return sum == 0.0f ? 1.0f : fastmath::exp2 (table[(size_t) target].scale * sum);
    }

    // Moves a value by an offset measured in its parameter's normalised range (no snapping).
    inline float offsetNormalised (const juce::NormalisableRange<float>& range, float value, float offset)
    {
        if (offset == 0.0f)
            return value;
        const float p = juce::jlimit (0.0f, 1.0f, range.convertTo0to1 (value));
        return range.convertFrom0to1 (juce::jlimit (0.0f, 1.0f, p + offset));
    }
} // namespace targets
} // namespace kavro
