#include "dsp/OutputStage.h"

#include "dsp/mod/ModTargets.h"
#include "dsp/util/OnePole.h"

namespace kavro
{
void prepareLatencyDelay (LatencyDelay& delay, double sampleRate, int latencySamples, int maxBlockSize)
{
    const int maximum = latencySamples < 2 ? 5 : latencySamples + 4;
    delay.prepare ({ sampleRate, (juce::uint32) maxBlockSize, 2 });
    delay.setMaximumDelayInSamples (maximum);
    delay.setDelay ((float) std::min (latencySamples, maximum));
    delay.reset();
}

void OutputStage::prepare (double sampleRate, int latencySamples, int maxBlockSize, float mix, float volumeDb)
{
    prepareLatencyDelay (dryDelay, sampleRate, latencySamples, maxBlockSize);

    lowRestoreCoeff = onePoleForFrequency (100.0, sampleRate);

    mixSmoother.reset (sampleRate, 0.02);
    volumeSmoother.reset (sampleRate, 0.02);
    mixSmoother.setCurrentAndTargetValue (mix);
    volumeSmoother.setCurrentAndTargetValue (volumeGain (volumeDb));
    reset();
}

void OutputStage::reset()
{
    dryDelay.reset();
    for (int ch = 0; ch < 2; ++ch)
        lowRestoreDry[ch] = lowRestoreWet[ch] = 0.0f;
}

void OutputStage::setTargets (float mix, float volumeDb)
{
    mixSmoother.setTargetValue (mix);
    volumeSmoother.setTargetValue (volumeGain (volumeDb));
}

void OutputStage::mixDryWet (juce::AudioBuffer<float>& wet, const juce::AudioBuffer<float>& dry,
                             const juce::AudioBuffer<float>& filtered, const float* mixOffsets, int channels,
                             int numSamples)
{
    float* out[2] = { wet.getWritePointer (0), wet.getWritePointer (channels - 1) };
    const float* dryIn[2] = { dry.getReadPointer (0), dry.getReadPointer (channels - 1) };
    const float* filteredIn[2] = { filtered.getReadPointer (0), filtered.getReadPointer (channels - 1) };

    for (int i = 0; i < numSamples; ++i)
    {
        const float mix = targets::apply (ModTarget::Mix, mixSmoother.getNextValue(), mixOffsets[i]);
        for (int ch = 0; ch < channels; ++ch)
        {
            dryDelay.pushSample (ch, dryIn[ch][i]);
            const float dryDelayed = dryDelay.popSample (ch);

            lowRestoreDry[ch] += (dryDelayed - lowRestoreDry[ch]) * lowRestoreCoeff;
            lowRestoreWet[ch] += (filteredIn[ch][i] - lowRestoreWet[ch]) * lowRestoreCoeff;

            const float restored = out[ch][i] + fastmath::tanh (0.7f * (lowRestoreDry[ch] - lowRestoreWet[ch]));
            out[ch][i] = mix * restored + (1.0f - mix) * dryDelayed;
        }
    }
}

void OutputStage::applyVolume (juce::AudioBuffer<float>& buffer, const float* volumeOffsets, int channels, int numSamples)
{
    float* out[2] = { buffer.getWritePointer (0), buffer.getWritePointer (channels - 1) };
    for (int i = 0; i < numSamples; ++i)
    {
        const float gain = volumeSmoother.getNextValue() * targets::apply (ModTarget::Vol, 1.0f, volumeOffsets[i]);
        for (int ch = 0; ch < channels; ++ch)
            out[ch][i] *= gain;
    }
}
} // namespace kavro
