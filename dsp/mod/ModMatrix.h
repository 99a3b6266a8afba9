#pragma once

#include "dsp/mod/EnvelopeFollower.h"
#include "dsp/mod/Lfo.h"

namespace kavro
{
// One block's modulation settings, read from the parameters. Amounts are indexed by ModTarget; a
// source has 0 for targets it cannot reach.
struct ModParams
{
    using Amounts = std::array<float, numModTargets>;

    struct LfoSettings
    {
        float rateHz = 1.0f;
        bool sync = false;
        int division = 5;
        int wave = 0;
        float depth = 1.0f;
        bool enabled = true;
        Amounts amounts {};
    };

    struct EnvSettings
    {
        bool enabled = true;
        bool trigger = false;
        float thresholdDb = -24.0f, attackMs = 5.0f, holdMs = 0.0f, decayMs = 150.0f;
        Amounts amounts {};
    };

    struct MacroSettings
    {
        float value = 0.0f;
        bool bipolar = false;
        Amounts amounts {};

        float effectiveValue() const { return bipolar ? 2.0f * value - 1.0f : value; }
    };

    std::array<LfoSettings, 2> lfos;
    EnvSettings env;
    std::array<MacroSettings, 3> macros;
};

// Where the host's transport is.
struct Transport
{
    float tempo = 120.0f;
    bool playing = false;
    bool hasPosition = false;
    double ppq = 0.0;
};

// The five sources (two LFOs, the envelope follower, three macros) and their sums per target: once
// per block for the block-rate targets, every sample for the ten per-sample targets. A source that
// cannot contribute is skipped for the whole block.
class ModMatrix
{
public:
    static constexpr juce::int64 lfoSeeds[2] = { 0xBEEF, 0x15D26 };

    struct EnvelopeRanges
    {
        juce::NormalisableRange<float> threshold, attack, decay;
    };

    // The parameter ranges in which the macros move the envelope's settings.
    void setEnvelopeRanges (const EnvelopeRanges& ranges) { envelopeRanges = ranges; }

    // Lands every smoother on the given settings, so a render after a prepare never depends on what
    // ran before it.
    void prepare (double sampleRate, int maxBlockSize, const ModParams& present = {});
    void grow (int numSamples) { follower.grow (numSamples); }
    void reset();

    // Block steps: macros, the envelope over the block's sidechain, the LFOs, the block sums.
    void beginBlock (const ModParams&, const float* sidechain, int numSamples, const Transport&);

    const BlockOffsets& blockOffsets() const { return blockSums; }

    // The per-sample sums of sample i of the block; call once per sample, in order.
    SampleOffsets next (int i);

    const Lfo& lfo (int index) const { return lfos[(size_t) index].lfo; }
    double lfoRate (int index) const { return effectiveRate[index]; }
    float lfoDepthScale (int index) const { return depthScale[index]; }
    const EnvelopeFollower& envelope() const { return follower; }

private:
    void setSmootherTargets (const ModParams&);

    std::array<LfoBank, 2> lfos;
    EnvelopeFollower follower;
    SourceSmoothers envAmounts; // gain unused: the envelope's own value takes its place
    std::array<SourceSmoothers, 3> macros;

    EnvelopeRanges envelopeRanges { { -60.0f, 0.0f }, { 0.1f, 200.0f, 0.0f, 0.3f }, { 5.0f, 2000.0f, 0.0f, 0.3f } };
    double sampleRate = 44100.0;
    double effectiveRate[2] { 1.0, 1.0 };
    float depthScale[2] { 1.0f, 1.0f };
    bool lfoIdle[2] { true, true }, envIdle = true, macroIdle[3] { true, true, true };
    BlockOffsets blockSums;
};
} // namespace kavro
