#include "dsp/NoiseBand.h"

#include "dsp/mod/ModTargets.h"

#include <cmath>

namespace kavro
{
namespace
{
    const juce::NormalisableRange<float> edgeRange { 20.0f, 20000.0f, 0.0f, 0.25f };
}

BandEdges noiseBandEdges (float loHz, float hiHz, float loOffset, float hiOffset, float linkOffset, float limitHz)
{
    const float lo = edgeRange.convertTo0to1 (loHz);
    const float hi = edgeRange.convertTo0to1 (hiHz);
    if (hi < lo + 0.25f)
    {
        const float spacedLo = std::min (lo, 0.75f);
        const float spacedHi = std::max (hi, spacedLo + 0.25f);
        if (spacedLo != lo)
            loHz = edgeRange.convertFrom0to1 (spacedLo);
        if (spacedHi != hi)
            hiHz = edgeRange.convertFrom0to1 (spacedHi);
    }

    const float modulatedLo = loHz * targets::octaveFactor (ModTarget::BpLo, linkOffset + loOffset);
    const float modulatedHi = hiHz * targets::octaveFactor (ModTarget::BpHi, linkOffset + hiOffset);
    const float low = juce::jlimit (20.0f, limitHz, modulatedLo);
    return { low, std::max (low, std::min (modulatedHi, limitHz)) };
}

//==============================================================================
void NoiseBandFilter::prepare (double sampleRate)
{
    const juce::dsp::ProcessSpec spec { sampleRate, 1, 2 };
    for (auto* filter : { &highPass, &lowPass })
    {
        filter->prepare (spec);
        filter->setResonance (0.7071f);
    }
    highPass.setType (juce::dsp::StateVariableTPTFilterType::highpass);
    lowPass.setType (juce::dsp::StateVariableTPTFilterType::lowpass);
    reset();
    forgetEdges();
}

void NoiseBandFilter::reset()
{
    highPass.reset();
    lowPass.reset();
}

void NoiseBandFilter::setEdges (BandEdges newEdges)
{
    if (newEdges.lowHz == edges.lowHz && newEdges.highHz == edges.highHz)
        return;
    edges = newEdges;
    highPass.setCutoffFrequency (edges.lowHz);
    lowPass.setCutoffFrequency (edges.highHz);
}

//==============================================================================
void NoiseSource::prepare (double newSampleRate, float reductionRateHz)
{
    sampleRate = newSampleRate;
    for (int ch = 0; ch < 2; ++ch)
        generators[ch].prepare (sampleRate, seeds[ch]);
    band.prepare (sampleRate);
    reductionRate.reset (sampleRate, 0.02);
    reductionRate.setCurrentAndTargetValue (reductionRateHz);
    cachedWidth = -1.0f;
    reset();
}

void NoiseSource::reset()
{
    band.reset();
    held[0] = held[1] = 0.0f;
    phase = 0.0;
    started = false;
}

void NoiseSource::setBlock (const Settings& newSettings, int channels, float reductionRateHz)
{
    settings = newSettings;
    numChannels = juce::jlimit (1, 2, channels);
    for (int ch = 0; ch < numChannels; ++ch)
    {
        if (settings.crackle)
            generators[ch].setCrackle (settings.crackleType, settings.density);
        else
            generators[ch].setColour (settings.colour);
    }
    reductionRate.setTargetValue (reductionRateHz);
}

float NoiseSource::reductionGain (float rateHz, double sr)
{
    const double numerator = std::min ((double) rateHz, sr) * 48000.0;
    const double denominator = std::min ((double) rateHz, 48000.0) * sr;
    return numerator == denominator ? 1.0f : (float) std::sqrt (numerator / denominator);
}

void NoiseSource::process (float width, float srOffset, float* out)
{
    const float rate = targets::apply (ModTarget::SrHz, reductionRate.getNextValue(), srOffset);

    // Crackle is never decimated: only the standard noise runs the reduction phase.
    bool update = true;
    const double step = rate / sampleRate;
    if (step < 1.0 && ! settings.crackle)
    {
        phase += step;
        if (phase >= 1.0)
            phase -= 1.0;
        else
            update = ! started;
    }
    started = true;

    const bool compensate = ! settings.crackle && ! settings.reduceAfterBand
                            && (settings.colour == NoiseGenerator::white || settings.colour == NoiseGenerator::pink);
    const float gain = compensate ? reductionGain (rate, sampleRate) : 1.0f;

    const float left = generators[0].nextSample();
    const float right = numChannels >= 2 ? generators[1].nextSample() : 0.0f;

    if (width != cachedWidth)
    {
        cachedWidth = width;
        widthCos = std::cos (width * juce::MathConstants<float>::halfPi);
        widthSin = std::sin (width * juce::MathConstants<float>::halfPi);
    }
    const float raw[2] = { left, widthCos * left + widthSin * right };

    for (int ch = 0; ch < numChannels; ++ch)
    {
        float x = raw[ch];
        if (! settings.reduceAfterBand)
        {
            if (update)
                held[ch] = x = x * gain;
            else
                x = held[ch];
        }

        x = band.process (ch, x);

        if (settings.reduceAfterBand)
        {
            if (update)
                held[ch] = x;
            else
                x = held[ch];
        }
        out[ch] = x;
    }
}
} // namespace kavro
