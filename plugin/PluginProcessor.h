#pragma once

#include "dsp/Engine.h"
#include "plugin/ParameterTable.h"
#include "presets/PresetManager.h"
#include "presets/Randomizer.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>

class KavroLabAudioProcessor : public juce::AudioProcessor
{
public:
    KavroLabAudioProcessor();
    ~KavroLabAudioProcessor() override;

    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

    //==============================================================================
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override {}
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    void processBlockBypassed (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    using AudioProcessor::processBlock;
    using AudioProcessor::processBlockBypassed;

    //==============================================================================
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override { return true; }

    const juce::String getName() const override { return "Velbrook"; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    bool isMidiEffect() const override { return false; }
    double getTailLengthSeconds() const override { return 60.0; }

    // One program with a name: VST3 validation refuses a program without one.
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return "Default"; }
    void changeProgramName (int, const juce::String&) override {}

    //==============================================================================
    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    void migrateState (juce::ValueTree& state);
    juce::String getMacroName (int index) const;
    // Stores a macro's display name, trimmed and cut to 24 characters; an empty one brings back the default.
    void setMacroName (int index, const juce::String& name);

    //==============================================================================
    juce::AudioProcessorValueTreeState apvts;
    std::unique_ptr<kavro::PresetManager> presetManager;
    std::unique_ptr<kavro::Randomizer> randomizer;

    // The signal engine; the editor reads its published meters.
    kavro::Engine engine;

    // Oversampling exponent (factor 2^index); not part of the saved state.
    std::atomic<int> oversamplingIndex { 1 };

    // Raised by each open editor; metering runs only while it is at least 1.
    std::atomic<int> editorOpenCount { 0 };

    // The audio thread reads parameters only through these, indexed by kavro::params::slot.
    std::array<std::atomic<float>*, kavro::params::slot::count> rawParam {};

    // Copy of the sample rate for the editor.
    std::atomic<double> vizSampleRate { 48000.0 };

private:
    void resolveRawParamPointers();
    kavro::EngineParams readEngineParams() const;
    kavro::HostPosition readHostPosition() const;

    // Held by prepareToPlay; the audio thread only ever tries it and lets a block pass while it is busy.
    juce::CriticalSection engineLock;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KavroLabAudioProcessor)
};
