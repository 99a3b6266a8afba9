#include "dsp/GrainDelay.h"

#include "dsp/util/FastMath.h"
#include "dsp/util/Lagrange.h"

namespace kavro
{
namespace
{
    constexpr int divisors[] = { 16, 8, 6, 4, 3, 2 };
}

float GrainDelay::delayFor (int division, float tempo, double sampleRate)
{
    const int divisor = divisors[juce::jlimit (0, 5, division)];
    return (float) std::max (3.0, (4.0 / divisor) * 60.0 / std::max (tempo, 20.0f) * sampleRate);
}

void GrainDelay::prepare (double newSampleRate, int channels, const BlockSettings& present, float tempo)
{
    sampleRate = (float) newSampleRate;
    numChannels = channels <= 1 ? 1 : 2;
    bufferSize = (int) juce::nextPowerOfTwo ((int) (3.27 * newSampleRate) + 8);
    mask = bufferSize - 1;
    bufferL.assign ((size_t) bufferSize, 0.0f);
    bufferR.assign ((size_t) bufferSize, 0.0f);
    dcCoeff = std::exp (-18.849556f / sampleRate); // 3 Hz

    settings = present;
    baseDelay = delayFor (present.division, tempo, newSampleRate);
    targetDelay = juce::jlimit (3.0f, 2.0f * sampleRate, baseDelay);
    mixSmoother.reset (newSampleRate, 0.02);
    feedbackSmoother.reset (newSampleRate, 0.02);
    delaySmoother.reset (newSampleRate, 0.05);
    mixSmoother.setCurrentAndTargetValue (present.mix);
    feedbackSmoother.setCurrentAndTargetValue (present.feedback);
    delaySmoother.setCurrentAndTargetValue (targetDelay);

    lfo.prepare (newSampleRate, lfoSeed);
    lfo.setWave (Lfo::smoothRandom);
    grainRandom.setSeed (grainSeed);
    reset();

    pitchJitter = 0.2f;
    stereoSpread = 0.5f;
    sprayMs = present.sprayMs;
    enabledLastBlock = true;
    fadeOutLength = (int) std::ceil (0.03 * newSampleRate);
    fadeOutRemaining = 0;
    active = false;
    warmUpPending = false;
    warmUpRemaining = 0;
}

void GrainDelay::reset()
{
    writeIndex = 0;
    grainCountdown = 0.0f;
    for (auto& grain : grains)
        grain.active = false;
    std::fill (bufferL.begin(), bufferL.end(), 0.0f);
    std::fill (bufferR.begin(), bufferR.end(), 0.0f);
    dcInput[0] = dcInput[1] = dcOutput[0] = dcOutput[1] = 0.0f;
    lfo.reset();
    mixSmoother.setCurrentAndTargetValue (mixSmoother.getTargetValue());
    feedbackSmoother.setCurrentAndTargetValue (feedbackSmoother.getTargetValue());
    delaySmoother.setCurrentAndTargetValue (targetDelay);
}

void GrainDelay::restart()
{
    mixSmoother.setCurrentAndTargetValue (0.0f);
    reset();
    warmUpPending = true;
}

void GrainDelay::setBlock (const BlockSettings& newSettings, float tempo)
{
    if (newSettings.enabled && ! enabledLastBlock)
    {
        if (fadeOutRemaining == 0)
        {
            mixSmoother.setCurrentAndTargetValue (0.0f);
            reset();
            warmUpPending = true;
        }
        fadeOutRemaining = 0;
    }
    else if (! newSettings.enabled && enabledLastBlock && active)
    {
        mixSmoother.setTargetValue (0.0f);
        fadeOutRemaining = fadeOutLength;
    }
    enabledLastBlock = newSettings.enabled;

    const float clampedTempo = std::max (tempo, 20.0f);
    baseDelay = delayFor (newSettings.division, tempo, sampleRate);
    lfo.setRate (clampedTempo / 60.0 * 2.0);
    if (bufferSize >= 9)
    {
        targetDelay = juce::jlimit (3.0f, 2.0f * sampleRate, baseDelay);
        delaySmoother.setTargetValue (targetDelay);
    }
    if (warmUpPending)
    {
        warmUpRemaining = (int) std::ceil (std::min (baseDelay, 2.0f * sampleRate) + 0.29f * sampleRate) + 4;
        warmUpPending = false;
    }

    if (newSettings.enabled)
    {
        feedbackSmoother.setTargetValue (juce::jlimit (0.0f, 0.95f, newSettings.feedback));
        mixSmoother.setTargetValue (warmUpRemaining > 0 ? 0.0f : juce::jlimit (0.0f, 1.0f, newSettings.mix));
        sprayMs = juce::jlimit (0.0f, 250.0f, newSettings.sprayMs);
    }
    settings = newSettings;
}

float GrainDelay::readLagrange (const std::vector<float>& buffer, float position) const
{
    const int i = (int) position;
    const float t = position - (float) i;
    return lagrange4 (buffer[(size_t) ((i - 1) & mask)], buffer[(size_t) (i & mask)], buffer[(size_t) ((i + 1) & mask)],
                      buffer[(size_t) ((i + 2) & mask)], t);
}

void GrainDelay::process (juce::AudioBuffer<float>& buffer, int channels)
{
    const int numSamples = buffer.getNumSamples();
    if (! (settings.enabled || fadeOutRemaining >= 1) || numSamples < 1 || bufferSize < 9)
        return;

    float* left = buffer.getWritePointer (0);
    float* right = buffer.getWritePointer (channels - 1);
    const auto& rightMemory = numChannels >= 2 ? bufferR : bufferL;
    const float sqrt2 = 1.41421356f;

    for (int i = 0; i < numSamples; ++i)
    {
        const float inL = left[i];
        const float inR = channels >= 2 ? right[i] : inL;

        const float value = lfo.tick(); // smooth random: the wave at the present phase, then the step
        const float rate = (0.5f * value + 0.5f) * 26.0f + 4.0f;
        const float interval = std::max (16.0f, sampleRate / rate);
        const float lengthCap = std::min (2.0f * interval, 0.4f * (float) bufferSize);
        const float d = delaySmoother.getNextValue();

        grainCountdown -= 1.0f;
        if (grainCountdown <= 0.0f)
        {
            const float spray = sprayMs * 0.001f * sampleRate;
            for (auto& grain : grains)
            {
                if (grain.active)
                    continue;
                const float r1 = grainRandom.nextFloat(), r2 = grainRandom.nextFloat(), r3 = grainRandom.nextFloat();
                grain.active = true;
                grain.age = 0.0f;
                grain.speed = std::exp2 ((2.0f * r1 - 1.0f) * pitchJitter / 12.0f);
                const float angle = ((2.0f * r2 - 1.0f) * stereoSpread + 1.0f) * juce::MathConstants<float>::pi / 4.0f;
                grain.gainL = sqrt2 * std::cos (angle);
                grain.gainR = sqrt2 * std::sin (angle);
                grain.length = std::max (lengthCap, 8.0f);
                const float position = grain.length * std::max (grain.speed - 1.0f, 0.0f) + 0.02f * sampleRate
                                       + r3 * std::sqrt (r3) * spray + d;
                grain.position = position < 3.0f ? 3.0f : std::min (position, (float) bufferSize - grain.length - 2.0f);
                break;
            }
            grainCountdown += interval;
        }

        float grainL = 0.0f, grainR = 0.0f;
        for (auto& grain : grains)
        {
            if (! grain.active)
                continue;
            // Hann window: 0.5 - 0.5 cos (2 pi r) = sin^2 (pi r).
            const float ratio = grain.age / grain.length;
            const float half = ratio < 0.0f ? 0.0f : fastmath::sinTurn (0.5f * std::min (1.0f, ratio));
            const float w = half * half;
            float readPoint = (float) writeIndex - grain.position;
            while (readPoint < 0.0f)
                readPoint += (float) bufferSize;
            grainL += w * grain.gainL * readLagrange (bufferL, readPoint);
            grainR += w * grain.gainR * readLagrange (rightMemory, readPoint);
            grain.age += 1.0f;
            grain.position -= grain.speed - 1.0f;
            if (grain.age >= grain.length)
                grain.active = false;
        }

        float tapPoint = (float) writeIndex - d;
        while (tapPoint < 0.0f)
            tapPoint += (float) bufferSize;
        const float taps[2] = { readLagrange (bufferL, tapPoint), readLagrange (rightMemory, tapPoint) };
        const float wet[2] = { 0.5f * taps[0] + 0.7f * grainL, 0.5f * taps[1] + 0.7f * grainR };
        const float in[2] = { inL, inR };

        const float fb = feedbackSmoother.getNextValue();
        for (int ch = 0; ch < numChannels; ++ch)
        {
            const float y = taps[ch] - dcInput[ch] + dcCoeff * dcOutput[ch];
            dcInput[ch] = taps[ch];
            dcOutput[ch] = y;
            float written = fastmath::tanh (y) * fb + in[ch];
            if (std::abs (written) < 1.0e-20f)
                written = 0.0f;
            (ch == 0 ? bufferL : bufferR)[(size_t) writeIndex] = written;
        }

        const double m = mixSmoother.getNextValue() * juce::MathConstants<double>::halfPi;
        const auto wetGain = (float) fastmath::sinQuarter (m), dryGain = (float) fastmath::cosQuarter (m);
        left[i] = wetGain * wet[0] + dryGain * inL;
        if (channels >= 2)
            right[i] = wetGain * wet[1] + dryGain * inR;

        writeIndex = (writeIndex + 1) & mask;
    }

    active = true;
    warmUpRemaining = std::max (0, warmUpRemaining - numSamples);
    if (! settings.enabled)
    {
        fadeOutRemaining -= numSamples;
        if (fadeOutRemaining <= 0)
        {
            fadeOutRemaining = 0;
            active = false;
        }
    }
}
} // namespace kavro
