#pragma once

#include "plugin/PluginProcessor.h"
#include "support/TempHome.h"

// A processor driven block by block as a host drives it, in a private home folder.
struct ProcessorRig
{
    // Starts from the parameters' own defaults rather than the startup preset, so engine tests do
    // not depend on the factory bank.
    explicit ProcessorRig (int oversamplingIndex = 1)
    {
        processor.oversamplingIndex = oversamplingIndex;
        for (auto* param : processor.getParameters())
            param->setValueNotifyingHost (param->getDefaultValue());
    }

    void set (const char* id, float plainValue)
    {
        auto* param = processor.apvts.getParameter (id);
        jassert (param != nullptr);
        param->setValueNotifyingHost (param->convertTo0to1 (plainValue));
    }

    void prepare (double sampleRate, int blockSize, int channels = 2)
    {
        const auto set = juce::AudioChannelSet::canonicalChannelSet (channels);
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (set);
        layout.outputBuses.add (set);
        processor.setBusesLayout (layout);
        processor.setRateAndBufferSizeDetails (sampleRate, blockSize);
        processor.prepareToPlay (sampleRate, blockSize);
    }

    void process (juce::AudioBuffer<float>& buffer)
    {
        juce::MidiBuffer midi;
        processor.processBlock (buffer, midi);
    }

    // Processes a long signal in blocks of blockSize, in place.
    void processInBlocks (juce::AudioBuffer<float>& audio, int blockSize)
    {
        for (int start = 0; start < audio.getNumSamples(); start += blockSize)
        {
            const int n = std::min (blockSize, audio.getNumSamples() - start);
            juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), audio.getNumChannels(), start, n);
            process (block);
        }
    }

    TempHome home;
    KavroLabAudioProcessor processor;
};
