#pragma once

#include "dsp/EngineParams.h"
#include "dsp/Finish.h"
#include "dsp/GrainDelay.h"
#include "dsp/Metering.h"
#include "dsp/NoiseDecay.h"
#include "dsp/NoiseBand.h"
#include "dsp/OutputStage.h"
#include "dsp/filters/NoiseFmFilter.h"

#include <juce_dsp/juce_dsp.h>

namespace kavro
{
// Everything that happens to audio in one block. The input is upsampled; noise made at the base
// rate moves the filter; drive, feedback and the filter run at the oversampled rate; after
// downsampling come the dry/wet blend, the volume and the metering.
class Engine
{
public:
    // Builds the oversampler and sizes every buffer for at least maxBlockSize samples.
    void prepare (double sampleRate, int maxBlockSize, int oversamplingIndex, int numChannels, const EngineParams&);
    bool isPrepared() const { return oversampler != nullptr; }

    int latencySamples() const { return latency; }

    // The latency a prepare with this oversampling choice will report, for hosts that ask before.
    static int latencyFor (int oversamplingIndex);
    int oversamplingFactor() const { return factor; }
    int preparedBlockSize() const { return blockCapacity; }

    // Processes the first two channels in place. Measures for the editor only when asked to.
    void process (juce::AudioBuffer<float>&, const EngineParams&, const HostPosition&, bool metering);

    // Delays the input by the latency, so a bypassed instance stays aligned with an active one.
    void processBypassed (juce::AudioBuffer<float>&);

    Metering meters;
    ModMatrix modulation;

private:
    void grow (int numSamples);
    void setBlock (const EngineParams&, int channels);
    void runModulation (const juce::AudioBuffer<float>&, const EngineParams&, const HostPosition&, int channels, int numSamples);
    void runFilter (juce::dsp::AudioBlock<float>& oversampled, int channels, int numSamples);
    void resetAfterFault();
    static FinishSection::BlockSettings finishSettingsFor (const EngineParams&, const BlockOffsets&);

    std::unique_ptr<juce::dsp::Oversampling<float>> oversampler;
    double sampleRate = 44100.0;
    int factor = 2;
    int latency = 0;
    int blockCapacity = 512;
    double tempo = 120.0;

    juce::AudioBuffer<float> dryBuffer, filteredBuffer, modSignalBuffer, sidechainBuffer;

    NoiseSource noise;
    NoiseDecay noiseDecay;
    NoiseFmFilter filter;
    GrainDelay grains;
    FinishSection finish;
    OutputStage output;
    LatencyDelay bypassDelay;

    juce::SmoothedValue<float> cutoffSmoother, resonanceSmoother, amountSmoother, widthSmoother, driveSmoother;
    float limitHz = 20000.0f;
    int filterType = 1;
    FinishSection::BlockSettings finishSettings;
};
} // namespace kavro
