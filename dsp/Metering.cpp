#include "dsp/Metering.h"

#include "dsp/util/OnePole.h"

namespace kavro
{
namespace
{
    void follow (float& envelope, float target, float attack, float release)
    {
        envelope += (target - envelope) * (envelope < target ? attack : release);
    }
} // namespace

void Metering::prepare (double newSampleRate)
{
    sampleRate = newSampleRate;
    c220 = onePoleForFrequency (220.0, sampleRate);
    c3000 = onePoleForFrequency (3000.0, sampleRate);
    bandAttack = onePoleForTime (0.008, sampleRate);
    bandRelease = onePoleForTime (0.12, sampleRate);
    fastAttack = onePoleForTime (0.001, sampleRate);
    fastRelease = onePoleForTime (0.02, sampleRate);
    slowAttack = onePoleForTime (0.04, sampleRate);
    slowRelease = onePoleForTime (0.12, sampleRate);
    reset();
}

void Metering::reset()
{
    inputMeanSquare = preVolumeMeanSquare = outputMeanSquare = 0.0f;
    bandLow1 = bandLow2 = 0.0f;
    envLow = envMid = envHigh = 0.0f;
    hitFast = hitSlow = 0.0f;
}

void Metering::measure (const juce::AudioBuffer<float>& buffer, int channels, int numSamples, float& meanSquare,
                        std::atomic<float>& level) const
{
    double sum = 0.0;
    for (int ch = 0; ch < channels; ++ch)
    {
        const float* x = buffer.getReadPointer (ch);
        for (int i = 0; i < numSamples; ++i)
            sum += (double) x[i] * x[i];
    }
    const float ms = (float) (sum / (std::max (channels, 1) * numSamples));
    const float c = (float) (1.0 - std::exp (numSamples / (-0.4 * sampleRate)));
    meanSquare += (ms - meanSquare) * c;
    level.store (std::sqrt (meanSquare), std::memory_order_relaxed);
}

void Metering::measureInput (const juce::AudioBuffer<float>& dry, int channels, int numSamples)
{
    measure (dry, channels, numSamples, inputMeanSquare, inputLevel);
}

void Metering::measurePreVolume (const juce::AudioBuffer<float>& buffer, int channels, int numSamples)
{
    measure (buffer, channels, numSamples, preVolumeMeanSquare, preVolumeLevel);
}

void Metering::analyseBands (const juce::AudioBuffer<float>& buffer, int channels, int numSamples)
{
    const float* left = buffer.getReadPointer (0);
    const float* right = buffer.getReadPointer (channels >= 2 ? 1 : 0);
    blockHit = 0.0f;

    for (int i = 0; i < numSamples; ++i)
    {
        const float m = 0.5f * (left[i] + right[i]);
        bandLow1 += (m - bandLow1) * c220;
        bandLow2 += (m - bandLow2) * c3000;

        follow (envLow, std::abs (bandLow1), bandAttack, bandRelease);
        follow (envMid, std::abs (bandLow2 - bandLow1), bandAttack, bandRelease);
        follow (envHigh, std::abs (m - bandLow2), bandAttack, bandRelease);

        follow (hitFast, std::abs (m), fastAttack, fastRelease);
        follow (hitSlow, std::abs (m), slowAttack, slowRelease);
        blockHit = std::max (blockHit, hitFast - hitSlow);
    }
}

void Metering::measureOutputAndPublish (const juce::AudioBuffer<float>& buffer, int channels, int numSamples,
                                        const FilterSnapshot& snapshot)
{
    measure (buffer, channels, numSamples, outputMeanSquare, outputLevel);

    vizCutoff.exchange (snapshot.cutoff);
    vizResonance.exchange (snapshot.resonance);
    vizAmount.exchange (snapshot.amount);
    vizModLow.exchange (snapshot.modLow);
    vizModHigh.exchange (snapshot.modHigh);
    vizFilterType.exchange (snapshot.filterType);

    vizLow.store (juce::jlimit (0.0f, 1.0f, 4.0f * envLow), std::memory_order_relaxed);
    vizMid.store (juce::jlimit (0.0f, 1.0f, 6.0f * envMid), std::memory_order_relaxed);
    vizHigh.store (juce::jlimit (0.0f, 1.0f, 10.0f * envHigh), std::memory_order_relaxed);

    // Raised only upwards here; the editor takes it with an exchange against 0.
    const float hit = juce::jlimit (0.0f, 1.0f, 6.0f * blockHit);
    if (hit > vizHit.load())
        vizHit.store (hit);
}
} // namespace kavro
