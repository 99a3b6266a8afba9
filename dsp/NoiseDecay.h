#pragma once

#include "dsp/NoiseBand.h"

namespace kavro
{
// A layer of band-limited noise shaped by the dry input's loudness, added in front of the filter:
// either following the input's envelope, or a burst fired on each attack that dies away with the
// release time.
class NoiseDecay
{
public:
    static constexpr juce::int64 seeds[2] = { 912545, 1044178 };

    struct BlockSettings
    {
        bool enabled = false;
        bool transient = false;
        float releaseMs = 150.0f; // modulated, 5..500
        int noiseType = 0;        // white, pink, brown
        float level = 0.5f;
        int numChannels = 2;
    };

    void prepare (double sampleRate, float level);
    void reset();

    void setBlock (const BlockSettings&);
    void setBand (BandEdges edges) { band.setEdges (edges); }
    void forgetBand() { band.forgetEdges(); }

    // One base-rate sample: the dry input's left and right, the NdLevel offset; writes one value per
    // channel (0 while the layer is silent).
    void process (float dryLeft, float dryRight, float levelOffset, float* out);

    float envelope() const { return settings.transient ? gate * gate : env * env; }
    bool armed() const { return detectorArmed; }

private:
    float detect (float x);

    BlockSettings settings;
    double sampleRate = 44100.0;
    NoiseGenerator generators[2];
    NoiseBandFilter band;
    juce::SmoothedValue<float> levelSmoother;

    float env = 0.0f, gate = 0.0f, fast = 0.0f, baseline = 0.0f, valley = 0.0f, peak = 0.0f;
    bool detectorArmed = true;
    int holdRemaining = 0;
    float cBaseline = 0.0f, cFast = 0.0f, cAttack = 0.0f, cRelease = 0.0f, cFollowAttack = 0.0f, cDecay = 0.0f;
    int holdSamples = 0;
};
} // namespace kavro
