#include "dsp/NoiseDecay.h"

#include "dsp/mod/ModTargets.h"
#include "dsp/util/OnePole.h"

namespace kavro
{
void NoiseDecay::prepare (double newSampleRate, float level)
{
    sampleRate = newSampleRate;
    for (int ch = 0; ch < 2; ++ch)
        generators[ch].prepare (sampleRate, seeds[ch]);
    band.prepare (sampleRate);

    cBaseline = onePoleForTime (0.2, sampleRate);
    cFast = onePoleForTime (0.003, sampleRate);
    cAttack = onePoleForTime (0.001, sampleRate);
    cRelease = onePoleForTime (0.01, sampleRate);
    cFollowAttack = onePoleForTime (0.0015, sampleRate);
    cDecay = onePoleForTime (0.15, sampleRate);
    holdSamples = juce::roundToInt (0.02 * sampleRate);

    levelSmoother.reset (sampleRate, 0.02);
    levelSmoother.setCurrentAndTargetValue (level);
    reset();
}

void NoiseDecay::reset()
{
    env = gate = fast = baseline = valley = peak = 0.0f;
    holdRemaining = 0;
    detectorArmed = true;
    band.reset();
}

void NoiseDecay::setBlock (const BlockSettings& newSettings)
{
    settings = newSettings;
    cDecay = onePoleForTime (juce::jlimit (5.0f, 500.0f, settings.releaseMs) * 0.001, sampleRate);
    for (int ch = 0; ch < juce::jlimit (1, 2, settings.numChannels); ++ch)
        generators[ch].setColour (settings.noiseType);
    levelSmoother.setTargetValue (settings.level);
}

float NoiseDecay::detect (float x)
{
    if (! settings.transient)
    {
        env += (x - env) * (x > env ? cFollowAttack : cDecay);
        return env * env;
    }

    fast += (x - fast) * cFast;
    env += (fast - env) * (fast > env ? cAttack : cRelease);
    const float s = env;
    baseline = baseline > s ? s : baseline + (s - baseline) * cBaseline;

    // Fires on a rise that stands out from both the slow baseline and the quietest level since arming.
    if (detectorArmed)
    {
        valley = std::min (valley, s);
        if (s > 0.0025f && s > 1.8f * baseline && s > 1.5f * valley)
        {
            detectorArmed = false;
            holdRemaining = holdSamples;
            peak = s;
        }
    }
    if (! detectorArmed)
    {
        peak = std::max (peak, s);
        if (holdRemaining == 0 && (s < 1.5f * baseline || s < 0.55f * peak))
        {
            detectorArmed = true;
            valley = s;
        }
    }
    if (holdRemaining > 0)
    {
        gate = std::max (gate, juce::jlimit (0.3f, 1.0f, std::sqrt (4.0f * s)));
        --holdRemaining;
    }
    gate -= gate * cDecay;
    return gate * gate;
}

void NoiseDecay::process (float dryLeft, float dryRight, float levelOffset, float* out)
{
    const int channels = juce::jlimit (1, 2, settings.numChannels);
    out[0] = out[1] = 0.0f;
    if (! settings.enabled)
        return;

    const float e = detect (0.5f * (std::abs (dryLeft) + std::abs (channels >= 2 ? dryRight : dryLeft)));
    const float amount = targets::apply (ModTarget::NdLevel, levelSmoother.getNextValue(), levelOffset);
    const float level = amount * amount;
    if (e <= 0.0f || level <= 0.0f)
        return;

    for (int ch = 0; ch < channels; ++ch)
    {
        const float n = band.process (ch, generators[ch].nextSample());
        float v = e * n * level * 10.0f;
        if (std::abs (v) > 4.0f)
        {
            const float limited = 3.0f * fastmath::tanh ((std::abs (v) - 4.0f) / 3.0f) + 4.0f;
            v = v > 0.0f ? limited : -limited;
        }
        out[ch] = v;
    }
}
} // namespace kavro
