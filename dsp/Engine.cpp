#include "dsp/Engine.h"

namespace kavro
{
namespace
{
    NoiseFmFilter::BlockSettings filterSettings (const EngineParams& p, int channels)
    {
        return { p.filterType, p.filterSlope24, p.filterChar, p.noiseInject, p.fbAmount, channels };
    }

    NoiseSource::Settings noiseSettings (const EngineParams& p)
    {
        return { p.noiseCrackle, p.noiseType, p.noiseCrackleType, p.noiseDensity, p.noiseSrPost };
    }

    std::unique_ptr<juce::dsp::Oversampling<float>> makeOversampler (int numChannels, int oversamplingIndex, int blockSize)
    {
        using Oversampler = juce::dsp::Oversampling<float>;
        auto oversampler = std::make_unique<Oversampler> ((size_t) std::max (1, numChannels),
                                                          (size_t) juce::jlimit (0, 2, oversamplingIndex),
                                                          Oversampler::filterHalfBandPolyphaseIIR, true, true);
        oversampler->initProcessing ((size_t) blockSize);
        oversampler->reset();
        return oversampler;
    }

    void copyChannels (juce::AudioBuffer<float>& destination, const juce::AudioBuffer<float>& source, int channels,
                       int numSamples)
    {
        for (int ch = 0; ch < channels; ++ch)
            destination.copyFrom (ch, 0, source, ch, 0, numSamples);
    }
} // namespace

void Engine::prepare (double newSampleRate, int maxBlockSize, int oversamplingIndex, int numChannels,
                      const EngineParams& p)
{
    sampleRate = newSampleRate;
    blockCapacity = std::max (maxBlockSize, 4096);
    limitHz = (float) std::min (0.49 * sampleRate, 20000.0);

    oversampler = makeOversampler (numChannels, oversamplingIndex, blockCapacity);

    latency = juce::roundToInt (oversampler->getLatencyInSamples());
    factor = (int) oversampler->getOversamplingFactor();

    dryBuffer.setSize (2, blockCapacity);
    filteredBuffer.setSize (2, blockCapacity);
    modSignalBuffer.setSize (2, blockCapacity);
    modSignalBuffer.clear();
    sidechainBuffer.setSize (1, blockCapacity);

    prepareLatencyDelay (bypassDelay, sampleRate, latency, blockCapacity);
    output.prepare (sampleRate, latency, blockCapacity, p.mix, p.volumeDb);

    noise.prepare (sampleRate, p.noiseSrHz);
    noiseDecay.prepare (sampleRate, p.ndLevel);
    filter.prepare (sampleRate, factor, filterSettings (p, numChannels));
    grains.prepare (sampleRate, numChannels, { p.grEnable, p.grFeedback, p.grMix, p.grSpray, p.grDelay }, (float) tempo);
    finishSettings = finishSettingsFor (p, {});
    finish.prepare (sampleRate, numChannels, blockCapacity, finishSettings);
    meters.prepare (sampleRate);
    modulation.prepare (sampleRate, blockCapacity, p.mod);

    const std::pair<juce::SmoothedValue<float>*, float> smoothers[] = {
        { &cutoffSmoother, p.cutoff }, { &resonanceSmoother, p.resonance }, { &amountSmoother, p.amount },
        { &widthSmoother, p.width },   { &driveSmoother, p.filterDrive },
    };
    for (auto [smoother, value] : smoothers)
    {
        smoother->reset (sampleRate, 0.02);
        smoother->setCurrentAndTargetValue (value);
    }
}

int Engine::latencyFor (int oversamplingIndex)
{
    return juce::roundToInt (makeOversampler (1, oversamplingIndex, 1)->getLatencyInSamples());
}

void Engine::grow (int numSamples)
{
    // The one allocation the audio thread may make: a block larger than any before.
    blockCapacity = numSamples;
    oversampler->initProcessing ((size_t) numSamples);
    oversampler->reset();
    latency = juce::roundToInt (oversampler->getLatencyInSamples());
    dryBuffer.setSize (2, numSamples);
    filteredBuffer.setSize (2, numSamples);
    modSignalBuffer.setSize (2, numSamples);
    modSignalBuffer.clear();
    sidechainBuffer.setSize (1, numSamples);
    modulation.grow (numSamples);
    finish.grow (numSamples);
}

FinishSection::BlockSettings Engine::finishSettingsFor (const EngineParams& p, const BlockOffsets& offsets)
{
    using targets::apply;
    return { p.otEnable, apply (ModTarget::OttMix, p.otMix, offsets[BlockTarget::ottMix]),
             apply (ModTarget::Depth, p.otDepth, offsets[BlockTarget::depth]),
             apply (ModTarget::Tilt, p.shTilt, offsets[BlockTarget::tilt]), p.shHz };
}

void Engine::setBlock (const EngineParams& p, int channels)
{
    filterType = p.filterType;
    noise.setBlock (noiseSettings (p), channels, p.noiseSrHz);
    filter.setBlock (filterSettings (p, channels));
    const auto& offsets = modulation.blockOffsets();
    const auto band = noiseBandEdges (p.noiseLoHz, p.noiseHiHz, offsets[BlockTarget::bpLo], offsets[BlockTarget::bpHi],
                                      offsets[BlockTarget::bpLink], limitHz);
    noise.setBand (band);
    noiseDecay.setBand (band);

    using targets::apply;
    noiseDecay.setBlock ({ p.ndEnable, p.ndTransient, apply (ModTarget::NdRelease, p.ndRelease, offsets[BlockTarget::ndRelease]),
                           p.ndNoiseType, p.ndLevel, channels });
    grains.setBlock ({ p.grEnable, apply (ModTarget::GrFb, p.grFeedback, offsets[BlockTarget::grFb]),
                       apply (ModTarget::GrMix, p.grMix, offsets[BlockTarget::grMix]),
                       apply (ModTarget::GrSpray, p.grSpray, offsets[BlockTarget::grSpray]), p.grDelay },
                     (float) tempo);
    finishSettings = finishSettingsFor (p, offsets);

    cutoffSmoother.setTargetValue (p.cutoff);
    resonanceSmoother.setTargetValue (p.resonance);
    amountSmoother.setTargetValue (p.amount);
    widthSmoother.setTargetValue (p.width);
    driveSmoother.setTargetValue (p.filterDrive);
    output.setTargets (p.mix, p.volumeDb);
}

void Engine::process (juce::AudioBuffer<float>& buffer, const EngineParams& p, const HostPosition& host, bool metering)
{
    const int channels = std::min (buffer.getNumChannels(), 2);
    const int numSamples = buffer.getNumSamples();
    if (channels < 1 || numSamples < 1)
        return;

    for (int ch = 0; ch < channels; ++ch)
    {
        float* x = buffer.getWritePointer (ch);
        for (int i = 0; i < numSamples; ++i)
            if (! std::isfinite (x[i]))
                x[i] = 0.0f;
    }

    if (numSamples > blockCapacity)
        grow (numSamples);

    if (host.hasTempo)
        tempo = host.bpm;

    runModulation (buffer, p, host, channels, numSamples);
    setBlock (p, channels);

    if (buffer.hasBeenCleared())
        dryBuffer.clear (0, numSamples);
    else
        copyChannels (dryBuffer, buffer, channels, numSamples);

    if (metering)
        meters.measureInput (dryBuffer, channels, numSamples);

    auto hostBlock = juce::dsp::AudioBlock<float> (buffer).getSubsetChannelBlock (0, (size_t) channels);
    auto oversampled = oversampler->processSamplesUp (hostBlock);
    runFilter (oversampled, channels, numSamples);
    oversampler->processSamplesDown (hostBlock);

    copyChannels (filteredBuffer, buffer, channels, numSamples);

    grains.process (buffer, channels);
    finish.process (buffer, channels, finishSettings);

    if (metering)
        meters.analyseBands (buffer, channels, numSamples);

    output.mixDryWet (buffer, dryBuffer, filteredBuffer, modSignalBuffer.getReadPointer (1), channels, numSamples);

    if (metering)
        meters.measurePreVolume (buffer, channels, numSamples);

    output.applyVolume (buffer, modSignalBuffer.getReadPointer (0), channels, numSamples);

    if (metering)
    {
        const auto stats = filter.blockStats();
        meters.measureOutputAndPublish (buffer, channels, numSamples,
                                        { cutoffSmoother.getCurrentValue(), resonanceSmoother.getCurrentValue(),
                                          stats.maxAmount, stats.minFrequency, stats.maxFrequency, filterType });
    }

    // A stage that blew up costs one silent block, never a stuck plug-in.
    const bool blewUp = ! std::isfinite (buffer.getSample (0, numSamples - 1))
                        || (channels >= 2 && ! std::isfinite (buffer.getSample (1, numSamples - 1)));
    if (blewUp)
    {
        resetAfterFault();
        buffer.clear();
    }
}

void Engine::runModulation (const juce::AudioBuffer<float>& input, const EngineParams& p, const HostPosition& host,
                            int channels, int numSamples)
{
    // The envelope listens to the dry input in mono.
    float* sidechain = sidechainBuffer.getWritePointer (0);
    const float* left = input.getReadPointer (0);
    const float* right = input.getReadPointer (channels - 1);
    for (int i = 0; i < numSamples; ++i)
        sidechain[i] = channels >= 2 ? 0.5f * left[i] + 0.5f * right[i] : left[i]; // no overflow near the float limit

    Transport transport;
    transport.tempo = (float) tempo;
    transport.playing = host.playing;
    transport.hasPosition = host.hasPpq;
    transport.ppq = host.ppq;
    modulation.beginBlock (p.mod, sidechain, numSamples, transport);
}

void Engine::runFilter (juce::dsp::AudioBlock<float>& oversampled, int channels, int numSamples)
{
    float* samples[2] = { oversampled.getChannelPointer (0), channels >= 2 ? oversampled.getChannelPointer (1) : nullptr };
    float* volumeOffsets = modSignalBuffer.getWritePointer (0);
    float* mixOffsets = modSignalBuffer.getWritePointer (1);
    const float* dryLeft = dryBuffer.getReadPointer (0);
    const float* dryRight = dryBuffer.getReadPointer (channels - 1);

    filter.beginBlockStats();

    for (int i = 0; i < numSamples; ++i)
    {
        NoiseFmFilter::SampleInputs in;
        in.cutoff = cutoffSmoother.getNextValue();
        in.resonance = resonanceSmoother.getNextValue();
        in.amount = amountSmoother.getNextValue();
        in.drive = driveSmoother.getNextValue();
        const float width = widthSmoother.getNextValue();

        const auto offsets = modulation.next (i);
        volumeOffsets[i] = offsets[SampleTarget::vol];
        mixOffsets[i] = offsets[SampleTarget::mix];
        filter.beginSample (in, offsets);

        float noiseValues[2];
        noise.process (targets::apply (ModTarget::Width, width, offsets[SampleTarget::width]), offsets[SampleTarget::srHz],
                       noiseValues);
        for (int ch = 0; ch < channels; ++ch)
            filter.updateChannel (ch, noiseValues[ch]);

        float decayNoise[2];
        noiseDecay.process (dryLeft[i], dryRight[i], offsets[SampleTarget::ndLevel], decayNoise);

        const int first = i * factor;
        for (int j = 0; j < factor; ++j)
        {
            for (int ch = 0; ch < channels; ++ch)
            {
                float& s = samples[ch][first + j];
                s = filter.processSubSample (ch, s + decayNoise[ch]);
            }
            filter.endSubSample();
        }
    }
}

void Engine::processBypassed (juce::AudioBuffer<float>& buffer)
{
    const int channels = std::min (buffer.getNumChannels(), 2);
    for (int ch = 0; ch < channels; ++ch)
    {
        float* x = buffer.getWritePointer (ch);
        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            bypassDelay.pushSample (ch, x[i]);
            x[i] = bypassDelay.popSample (ch);
        }
    }
}

void Engine::resetAfterFault()
{
    oversampler->reset();
    filter.reset();
    noise.reset();
    noise.forgetBand();
    output.reset();
    bypassDelay.reset();
    meters.reset();
    modulation.reset();
    noiseDecay.reset();
    noiseDecay.forgetBand();
    grains.restart();
    finish.reset (finishSettings);
}
} // namespace kavro
