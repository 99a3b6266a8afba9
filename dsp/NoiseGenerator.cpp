#include "dsp/NoiseGenerator.h"

#include "dsp/util/FastMath.h"

#include <cmath>

namespace kavro
{
void NoiseGenerator::prepare (double newSampleRate, juce::int64 seed)
{
    voices = {};
    nextVoice = 0;
    std::fill (std::begin (pinkState), std::end (pinkState), 0.0f);
    brownState = 0.0f;
    rng.setSeed (seed);

    sampleRate = newSampleRate > 0.0 ? newSampleRate : 44100.0;

    // A one-pole near 151 Hz, with the gain that gives brown noise the level of white.
    const auto a = std::exp (950.526110216627 / sampleRate) - 1.0;
    brownCoeff = (float) a;
    brownGain = (float) std::sqrt (0.009900990099009901 / (a / (2.0 + a)));
    whiteGain = (float) std::sqrt (sampleRate / 48000.0);

    row = crackleTable[(size_t) crackleType];
    updateCrackleRates();
}

void NoiseGenerator::setCrackle (int newType, float newDensity)
{
    crackleType = juce::jlimit (0, 3, newType);
    density = juce::jlimit (0.0f, 1.0f, newDensity);
    row = crackleTable[(size_t) crackleType];
    mode = crackle;
    updateCrackleRates();
}

float NoiseGenerator::crackleEventRate (const CrackleRow& r, float d)
{
    // Density spans 1/16 to 16 times the table rate, x1 at 0.5.
    return juce::jlimit (1.0f, 8000.0f, r.eventRate * std::exp2 ((2.0f * d - 1.0f) * 4.0f));
}

void NoiseGenerator::updateCrackleRates()
{
    triggerProbability = juce::jlimit (0.0f, 1.0f, (float) (crackleEventRate (row, density) / sampleRate));
    envelopeDecay = (float) std::exp (-1.0 / (sampleRate * std::max (row.decayMs * 0.001, 0.0001)));
}

float NoiseGenerator::nextSample()
{
    const float w = 2.0f * rng.nextFloat() - 1.0f;

    switch (mode)
    {
        case pink:
        {
            // Paul Kellet's refined pink filter.
            auto* b = pinkState;
            b[0] = 0.99886f * b[0] + 0.0555179f * w;
            b[1] = 0.99332f * b[1] + 0.0750759f * w;
            b[2] = 0.969f * b[2] + 0.153852f * w;
            b[3] = 0.8665f * b[3] + 0.3104856f * w;
            b[4] = 0.55f * b[4] + 0.5329522f * w;
            b[5] = -0.7616f * b[5] - 0.016898f * w;
            const float out = (b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + 0.5362f * w) * 0.11f * whiteGain;
            b[6] = 0.115926f * w;
            return out;
        }
        case brown:
            brownState = (w * brownCoeff + brownState) / (brownCoeff + 1.0f);
            return juce::jlimit (-1.0f, 1.0f, brownState * 3.5f * brownGain);
        case crackle:
            return nextCrackle();
        default:
            return w * whiteGain;
    }
}

float NoiseGenerator::nextCrackle()
{
    if (rng.nextFloat() < triggerProbability)
    {
        auto& voice = voices[(size_t) nextVoice];
        nextVoice = (nextVoice + 1) % (int) voices.size();
        const float sign = rng.nextFloat();
        const float magnitude = rng.nextFloat();
        voice.amplitude = std::pow (magnitude, row.amplitudeExponent) * row.amplitudeScale * (sign < 0.5f ? -1.0f : 1.0f);
        voice.envelope = 1.0f;
    }

    float sum = 0.0f;
    for (auto& voice : voices)
    {
        if (voice.envelope > 0.0001f)
        {
            sum += voice.amplitude * voice.envelope;
            voice.envelope *= envelopeDecay;
        }
        else
        {
            voice.envelope = 0.0f;
        }
    }
    return fastmath::tanh (1.6f * sum);
}
} // namespace kavro
