#include "dsp/Finish.h"

#include "dsp/util/FastMath.h"

namespace kavro
{
//==============================================================================
void TiltEq::prepare (double newSampleRate, int numChannels)
{
    sampleRate = newSampleRate;
    channelCount = juce::jlimit (1, 2, numChannels);
    setTarget (0.0f, 1000.0f);
    previousLowGain = lowGain;
    previousHighGain = highGain;
    reset();
}

void TiltEq::reset()
{
    lowState[0] = lowState[1] = 0.0f;
}

void TiltEq::setTarget (float tilt, float frequencyHz)
{
    previousLowGain = lowGain;
    previousHighGain = highGain;
    tilt = juce::jlimit (-1.0f, 1.0f, tilt);
    const float frequency = juce::jlimit (20.0f, 20000.0f, frequencyHz);
    lowGain = lowGainFor (tilt);
    highGain = 1.0f / lowGain;

    // With the split at the shelf frequency itself, the two gains meet in quadrature there and both
    // directions boost it by up to 9 dB. A split at frequency x highGain (prewarped, in the
    // trapezoidal one-pole below) makes the response pass the shelf frequency at exactly 0 dB, as a
    // tilt should, with the same +-12 dB extremes.
    const double g = std::tan (juce::MathConstants<double>::pi * std::min ((double) frequency, 0.49 * sampleRate) / sampleRate) * highGain;
    coefficient = (float) (g / (1.0 + g));
}

void TiltEq::process (float* const* channels, int numChannels, int numSamples)
{
    const float lowStep = (lowGain - previousLowGain) / (float) numSamples;
    const float highStep = (highGain - previousHighGain) / (float) numSamples;
    for (int ch = 0; ch < std::min (channelCount, numChannels); ++ch)
    {
        float* x = channels[ch];
        float& low = lowState[ch];
        for (int k = 0; k < numSamples; ++k)
        {
            // The gains reach their new values at the chunk's last sample.
            const float gLow = previousLowGain + lowStep * (float) (k + 1);
            const float gHigh = previousHighGain + highStep * (float) (k + 1);
            const float v = (x[k] - low) * coefficient;
            const float lowPassed = v + low;
            low = lowPassed + v;
            x[k] = gHigh * (x[k] - lowPassed) + gLow * lowPassed;
        }
    }
}

//==============================================================================
void OttCore::prepare (double newSampleRate, int numChannels, float newDepth)
{
    sampleRate = newSampleRate;
    channelCount = juce::jlimit (1, 2, numChannels);
    const juce::dsp::ProcessSpec spec { sampleRate, 32, 2 };
    using Type = juce::dsp::LinkwitzRileyFilterType;
    for (auto [filter, hz, type] : { std::tuple { &split88, 88.3f, Type::lowpass }, { &split2500, 2500.0f, Type::lowpass },
                                     { &allpass2500, 2500.0f, Type::allpass } })
    {
        filter->prepare (spec);
        filter->setType (type);
        filter->setCutoffFrequency (hz);
    }

    depth = newDepth;
    updateDerivedParameters();
    for (auto* smoother : { &depthSmoother, &makeupSmoother })
        smoother->reset (sampleRate, 0.02);
    depthSmoother.setCurrentAndTargetValue (depth);
    makeupSmoother.setCurrentAndTargetValue (makeup);
    reset();
}

void OttCore::reset()
{
    split88.reset();
    split2500.reset();
    allpass2500.reset();
    for (auto& band : envelope)
        band[0] = band[1] = 0.0f;
}

void OttCore::setDepth (float newDepth)
{
    time = 0.45f;
    depth = juce::jlimit (0.0f, 1.0f, newDepth);
    updateDerivedParameters();
}

void OttCore::updateDerivedParameters()
{
    static constexpr float attackMs[3] = { 47.8f, 22.4f, 13.5f };
    static constexpr float releaseMs[3] = { 282.0f, 282.0f, 132.0f };
    const double b = time * 1.85 + 0.15;
    auto pole = [&] (float ms) { return (float) std::exp (-1.0 / (sampleRate * std::max (b * ms * 0.001, 0.00001))); };
    for (int band = 0; band < 3; ++band)
    {
        attackPole[band] = pole (attackMs[band]);
        releasePole[band] = pole (releaseMs[band]);
    }
    makeup = 5.2f * depth > -100.0f ? std::pow (10.0f, 5.2f * depth * 0.05f) : 0.0f;
    depthSmoother.setTargetValue (depth);
    makeupSmoother.setTargetValue (makeup);
}

void OttCore::process (float* samples, int numChannels)
{
    const float d = depthSmoother.getNextValue();
    const float g = makeupSmoother.getNextValue();
    const int channels = std::min (numChannels, channelCount);

    // Split every channel first, then run the six band detectors side by side: their chains of
    // logarithms and powers are independent, so the processor can overlap them.
    float bands[2][3] {};
    for (int ch = 0; ch < channels; ++ch)
    {
        float lowA, highA;
        split88.processSample (ch, samples[ch] * g, lowA, highA);
        split2500.processSample (ch, highA, bands[ch][1], bands[ch][2]);
        bands[ch][0] = allpass2500.processSample (ch, lowA);
    }

    float gains[2][3] {};
    for (int ch = 0; ch < channels; ++ch)
    {
        for (int band = 0; band < 3; ++band)
        {
            const float power = bands[ch][band] * bands[ch][band];
            float& e = envelope[band][ch];
            e = power + (e - power) * (power > e ? attackPole[band] : releasePole[band]);

            // 20 log10 (sqrt e) = 10 log10 e; tiny envelopes count as -120 dB.
            const float levelDb = e > 1.0e-12f ? 3.0102999566f * fastmath::log2 (e) : -120.0f;
            const float gainDb = bandGainDb (curves[(size_t) band], levelDb) * d;
            gains[ch][band] = gainDb > -100.0f ? fastmath::exp2 (gainDb * 0.16609640474f) : 0.0f;
        }
    }

    const float clip = std::min (d, 1.0f);
    for (int ch = 0; ch < channels; ++ch)
    {
        float s = gains[ch][0] * bands[ch][0] + gains[ch][1] * bands[ch][1] + gains[ch][2] * bands[ch][2];
        if (d > 0.0f)
            s = fastmath::tanh (s) * clip + s * (1.0f - clip);
        samples[ch] = s;
    }
}

//==============================================================================
void FinishSection::prepare (double sampleRate, int numChannels, int maxBlockSize, const BlockSettings& present)
{
    tilt.prepare (sampleRate, std::min (2, numChannels));
    ott.prepare (sampleRate, std::min (2, numChannels), present.depth);
    preFinish.setSize (2, maxBlockSize);

    fade.reset (sampleRate, 0.05);
    fade.setCurrentAndTargetValue (1.0f); // on at the first block: no fade; off: silent at once
    for (auto* smoother : { &mixSmoother, &depthSmoother, &tiltSmoother, &shelfSmoother })
        smoother->reset (sampleRate, 0.02);
    mixSmoother.setCurrentAndTargetValue (present.mix);
    depthSmoother.setCurrentAndTargetValue (present.depth);
    tiltSmoother.setCurrentAndTargetValue (present.tilt);
    shelfSmoother.setCurrentAndTargetValue (present.shelfHz);
    enabledLastBlock = true;
    processedLastBlock = false;
}

void FinishSection::reset (const BlockSettings& present)
{
    tilt.reset();
    ott.reset();
    mixSmoother.setCurrentAndTargetValue (present.mix);
    depthSmoother.setCurrentAndTargetValue (present.depth);
    tiltSmoother.setCurrentAndTargetValue (present.tilt);
}

void FinishSection::process (juce::AudioBuffer<float>& buffer, int channels, const BlockSettings& settings)
{
    const int numSamples = buffer.getNumSamples();

    if (settings.enabled && ! enabledLastBlock)
    {
        if (fade.getCurrentValue() > 0.0f)
            fade.setTargetValue (1.0f);
        else
        {
            // From silence: start with clean filters.
            tilt.reset();
            ott.reset();
            fade.setCurrentAndTargetValue (0.0f);
            fade.setTargetValue (1.0f);
        }
    }
    else if (! settings.enabled && enabledLastBlock)
    {
        if (processedLastBlock)
            fade.setTargetValue (0.0f);
        else
            fade.setCurrentAndTargetValue (0.0f);
    }
    enabledLastBlock = settings.enabled;

    mixSmoother.setTargetValue (settings.mix);
    depthSmoother.setTargetValue (settings.depth);
    tiltSmoother.setTargetValue (settings.tilt);
    shelfSmoother.setTargetValue (settings.shelfHz);

    const bool run = settings.enabled || fade.getCurrentValue() > 0.0f;
    if (! run || numSamples < 1)
    {
        for (auto* smoother : { &fade, &mixSmoother, &depthSmoother, &tiltSmoother, &shelfSmoother })
            smoother->skip (numSamples);
        processedLastBlock = false;
        return;
    }

    for (int ch = 0; ch < channels; ++ch)
        preFinish.copyFrom (ch, 0, buffer, ch, 0, numSamples);

    for (int start = 0; start < numSamples; start += chunkSize)
    {
        const int length = std::min (chunkSize, numSamples - start);
        float* chunk[2] = { buffer.getWritePointer (0, start), buffer.getWritePointer (channels - 1, start) };

        tiltSmoother.skip (length - 1);
        shelfSmoother.skip (length - 1);
        tilt.setTarget (tiltSmoother.getNextValue(), shelfSmoother.getNextValue());
        tilt.process (chunk, channels, length);

        float tilted[2][chunkSize];
        for (int ch = 0; ch < channels; ++ch)
            std::copy (chunk[ch], chunk[ch] + length, tilted[ch]);

        depthSmoother.skip (length - 1);
        ott.setDepth (depthSmoother.getNextValue());

        for (int k = 0; k < length; ++k)
        {
            float frame[2] = { chunk[0][k], channels >= 2 ? chunk[1][k] : 0.0f };
            ott.process (frame, channels);

            // Equal-power blend of compressed and tilted, faded against the signal before the section.
            const float f = fade.getNextValue();
            const float om = juce::jlimit (0.0f, 1.0f, mixSmoother.getNextValue());
            const float wetGain = std::sqrt (om), dryGain = std::sqrt (1.0f - om);
            for (int ch = 0; ch < channels; ++ch)
            {
                const float pre = preFinish.getSample (ch, start + k);
                chunk[ch][k] = pre + f * (wetGain * frame[ch] + dryGain * tilted[ch][k] - pre);
            }
        }
    }
    processedLastBlock = settings.enabled || fade.getCurrentValue() > 0.0f;
}
} // namespace kavro
