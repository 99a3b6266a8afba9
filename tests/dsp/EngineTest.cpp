#include "dsp/OutputStage.h"
#include "support/AllocationCounter.h"
#include "support/ProcessorRig.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

namespace
{
juce::AudioBuffer<float> noiseBuffer (int channels, int numSamples, int seed = 1, float level = 0.3f)
{
    juce::AudioBuffer<float> buffer (channels, numSamples);
    juce::Random random (seed);
    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < numSamples; ++i)
            buffer.setSample (ch, i, level * (2.0f * random.nextFloat() - 1.0f));
    return buffer;
}

bool allFinite (const juce::AudioBuffer<float>& buffer)
{
    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (! std::isfinite (buffer.getSample (ch, i)))
                return false;
    return true;
}

TEST (Engine, PassesAudioUntouchedBeforePrepare)
{
    ProcessorRig rig;
    auto buffer = noiseBuffer (2, 512);
    const auto input = buffer;
    rig.process (buffer);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 512; ++i)
            ASSERT_EQ (buffer.getSample (ch, i), input.getSample (ch, i));
}

TEST (Engine, SurvivesEveryRateAndBlockSize)
{
    for (double sr : { 44100.0, 48000.0, 96000.0, 192000.0 })
        for (int blockSize : { 1, 64, 511, 4096 })
        {
            ProcessorRig rig;
            rig.set ("amount", 1.0f);
            rig.set ("resonance", 10.0f);
            rig.prepare (sr, blockSize);
            auto audio = noiseBuffer (2, (int) (0.25 * sr));
            rig.processInBlocks (audio, blockSize);
            EXPECT_TRUE (allFinite (audio)) << sr << " Hz, blocks of " << blockSize;
            EXPECT_GT (audio.getRMSLevel (0, audio.getNumSamples() / 2, audio.getNumSamples() / 2), 1.0e-4)
                << sr << " Hz, blocks of " << blockSize;
        }
}

TEST (Engine, ZeroSampleBlocksAndMonoBuffers)
{
    ProcessorRig rig;
    rig.prepare (48000.0, 512);
    juce::AudioBuffer<float> empty (2, 0);
    rig.process (empty);

    ProcessorRig mono;
    mono.prepare (48000.0, 512, 1);
    auto audio = noiseBuffer (1, 48000);
    mono.processInBlocks (audio, 512);
    EXPECT_TRUE (allFinite (audio));
    EXPECT_GT (audio.getRMSLevel (0, 24000, 24000), 1.0e-3);
}

TEST (Engine, GrowsForABlockLargerThanAnyBefore)
{
    ProcessorRig rig;
    rig.prepare (48000.0, 512);
    auto audio = noiseBuffer (2, 8192);
    rig.process (audio);
    EXPECT_EQ (rig.processor.engine.preparedBlockSize(), 8192);
    EXPECT_TRUE (allFinite (audio));
    EXPECT_GT (audio.getRMSLevel (0, 6000, 2192), 1.0e-3) << "the end of the block was processed";
    EXPECT_EQ (rig.processor.getLatencySamples(), rig.processor.engine.latencySamples());
}

// Fully dry, the output is the input delayed by exactly the reported latency.
TEST (Engine, DryPathIsDelayedByTheReportedLatency)
{
    for (int oversampling : { 0, 1, 2 })
        for (double sr : { 44100.0, 96000.0 })
        {
            ProcessorRig rig (oversampling);
            rig.set ("mix", 0.0f);
            rig.prepare (sr, 256);
            const int latency = rig.processor.getLatencySamples();
            if (oversampling == 0)
                EXPECT_EQ (latency, 0);
            else
                EXPECT_GT (latency, 0);

            const auto input = noiseBuffer (2, 4096);
            auto audio = input;
            rig.processInBlocks (audio, 256);
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < audio.getNumSamples(); ++i)
                    ASSERT_EQ (audio.getSample (ch, i), i < latency ? 0.0f : input.getSample (ch, i - latency))
                        << "oversampling " << oversampling << " at " << sr << ", sample " << i;

            // Bypassed, the plug-in is exactly as late.
            auto bypassed = input;
            juce::MidiBuffer midi;
            rig.processor.prepareToPlay (sr, 4096);
            rig.processor.processBlockBypassed (bypassed, midi);
            for (int i = latency; i < 4096; ++i)
                ASSERT_EQ (bypassed.getSample (1, i), input.getSample (1, i - latency));
        }
}

TEST (Engine, ReadsNonFiniteInputAsSilence)
{
    auto render = [] (float poison) {
        ProcessorRig rig;
        rig.prepare (48000.0, 512);
        auto audio = noiseBuffer (2, 2048);
        audio.setSample (0, 700, poison);
        audio.setSample (1, 1500, poison);
        rig.processInBlocks (audio, 512);
        return audio;
    };
    const auto reference = render (0.0f);
    for (float poison : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity() })
    {
        const auto audio = render (poison);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < 2048; ++i)
                ASSERT_EQ (audio.getSample (ch, i), reference.getSample (ch, i)) << poison;
    }
}

TEST (Engine, ABlowUpCostsOneSilentBlockAndClearsTheState)
{
    ProcessorRig rig;
    rig.set ("mix", 0.0f);
    rig.set ("volume", 12.0f);
    rig.prepare (48000.0, 512);
    const int latency = rig.processor.getLatencySamples();

    // A finite input the gain pushes past the float range.
    juce::AudioBuffer<float> huge (2, 512);
    for (int ch = 0; ch < 2; ++ch)
        juce::FloatVectorOperations::fill (huge.getWritePointer (ch), 3.0e38f, 512);
    rig.process (huge);
    rig.process (huge);
    EXPECT_EQ (huge.getMagnitude (0, 512), 0.0f);

    const auto input = noiseBuffer (2, 512);
    auto next = input;
    rig.process (next);
    const float gain = juce::Decibels::decibelsToGain (12.0f);
    for (int i = 0; i < 512; ++i)
        ASSERT_FLOAT_EQ (next.getSample (0, i), i < latency ? 0.0f : gain * input.getSample (0, i - latency))
            << "the dry delay starts empty after the reset, sample " << i;
}

TEST (Engine, RendersRepeatablyAfterEveryPrepare)
{
    auto render = [] (ProcessorRig& rig) {
        rig.prepare (48000.0, 300);
        auto audio = noiseBuffer (2, 9000, 5);
        rig.processInBlocks (audio, 300);
        return audio;
    };
    auto configure = [] (ProcessorRig& rig) {
        rig.set ("ndEnable", 1.0f);
        rig.set ("otEnable", 1.0f);
        rig.set ("otMix", 0.6f);
        rig.set ("grEnable", 1.0f);
        rig.set ("lfoToCutoff", 0.4f);
        rig.set ("lfoWave", 2.0f);
        rig.set ("amount", 0.8f);
        rig.set ("filterChar", 2.0f);
        rig.set ("noiseType", 1.0f);
        rig.set ("width", 0.7f);
    };

    ProcessorRig a, b;
    configure (a);
    configure (b);
    const auto first = render (a);
    const auto again = render (a);
    const auto other = render (b);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < first.getNumSamples(); ++i)
        {
            ASSERT_EQ (first.getSample (ch, i), again.getSample (ch, i)) << i;
            ASSERT_EQ (first.getSample (ch, i), other.getSample (ch, i)) << i;
        }
}

TEST (Engine, MetersOnlyWhileAnEditorIsOpen)
{
    ProcessorRig rig;
    rig.prepare (48000.0, 512);
    auto& meters = rig.processor.engine.meters;

    auto audio = noiseBuffer (2, 4096);
    rig.processInBlocks (audio, 512);
    EXPECT_EQ (meters.inputLevel.load(), 0.0f);
    EXPECT_EQ (meters.outputLevel.load(), 0.0f);
    EXPECT_EQ (meters.vizModHigh.load(), 1000.0f);

    rig.processor.editorOpenCount = 1;
    audio = noiseBuffer (2, 48000);
    rig.processInBlocks (audio, 512);
    EXPECT_NEAR (meters.inputLevel.load(), 0.3f / std::sqrt (3.0f), 0.02f);
    EXPECT_GT (meters.outputLevel.load(), 0.0f);
    EXPECT_GT (meters.vizModHigh.load(), meters.vizModLow.load()) << "the noise moves the filter";
    EXPECT_FLOAT_EQ (meters.vizCutoff.load(), 1000.0f);
    EXPECT_EQ (meters.vizFilterType.load(), 1);
}

// Without noise the filter sits at the smoothed cutoff, clamped to 20 Hz .. min (0.49 sr, 20 kHz).
TEST (Engine, CutoffIsClampedToTheUsableRange)
{
    struct Case
    {
        double sampleRate;
        float cutoff, expectedHz;
    };
    for (const auto& c : { Case { 32000.0, 20000.0f, 15680.0f }, Case { 48000.0, 20000.0f, 20000.0f },
                           Case { 48000.0, 20.0f, 20.0f }, Case { 44100.0, 440.0f, 440.0f } })
    {
        ProcessorRig rig;
        rig.set ("amount", 0.0f);
        rig.set ("cutoff", c.cutoff);
        rig.processor.editorOpenCount = 1;
        rig.prepare (c.sampleRate, 512);
        auto audio = noiseBuffer (2, 4096);
        rig.processInBlocks (audio, 512);
        EXPECT_NEAR (rig.processor.engine.meters.vizModLow.load(), c.expectedHz, 0.01f) << c.sampleRate << " " << c.cutoff;
        EXPECT_NEAR (rig.processor.engine.meters.vizModHigh.load(), c.expectedHz, 0.01f) << c.sampleRate << " " << c.cutoff;
    }
}

// The audio thread never allocates: every model, slope, noise and crossfade, with the meters on.
TEST (Engine, ProcessingNeverAllocates)
{
    ProcessorRig rig;
    rig.processor.editorOpenCount = 1;
    rig.prepare (48000.0, 512);
    auto audio = noiseBuffer (2, 512);

    const std::vector<std::pair<const char*, float>> changes = {
        { "filterChar", 1.0f }, { "filterChar", 2.0f }, { "filterSlope", 1.0f }, { "filterChar", 0.0f },
        { "filterType", 0.0f }, { "filterType", 2.0f }, { "noiseType", 1.0f },   { "noiseType", 2.0f },
        { "noiseModel", 1.0f }, { "noiseCrackleType", 3.0f }, { "noiseSrHz", 300.0f }, { "noiseSrPos", 1.0f },
        { "noiseInject", 3.0f }, { "filterDrive", 1.0f }, { "fbAmount", 0.45f }, { "resonance", 10.0f },
        { "width", 1.0f },      { "noiseLoHz", 5000.0f }, { "mix", 0.3f },       { "volume", -20.0f },
        // every source on its targets
        { "lfoToCutoff", 0.5f }, { "lfoToLfo2Rate", 0.5f }, { "lfoWave", 4.0f }, { "lfoSync", 1.0f },
        { "lfo2ToAmount", 0.7f }, { "lfo2Wave", 5.0f }, { "lfo2ToBpLink", 0.5f }, { "envToReso", 0.5f },
        { "envToGrSpray", 1.0f }, { "envMode", 1.0f }, { "macro1", 0.8f }, { "macro1ToVol", -0.3f },
        { "macro2", 0.4f }, { "macro2Pol", 1.0f }, { "macro2ToEnvAttack", 0.5f }, { "macro3", 1.0f },
        { "macro3ToSrHz", -0.5f }, { "lfoEnable", 0.0f },
        // and the effects, on and off again
        { "ndEnable", 1.0f }, { "ndMode", 1.0f }, { "otEnable", 1.0f }, { "otMix", 0.7f }, { "grEnable", 1.0f },
        { "grMix", 0.8f }, { "lfo2ToGrSpray", 0.5f }, { "envToTilt", 0.5f }, { "grEnable", 0.0f },
        { "otEnable", 0.0f }, { "grEnable", 1.0f }, { "otEnable", 1.0f },
    };

    ScopedAllocationCount allocations;
    for (const auto& [id, value] : changes)
    {
        rig.set (id, value);
        for (int block = 0; block < 12; ++block) // long enough for every crossfade to run
            rig.process (audio);
    }
    EXPECT_EQ (allocations.allocations(), 0u);
}

// The counter sees the framework's buffers: the one growth for an oversized block is counted, and
// only the first time.
TEST (Engine, OnlyTheFirstOversizedBlockAllocates)
{
    ProcessorRig rig;
    rig.prepare (48000.0, 512);
    auto big = noiseBuffer (2, 8192);
    {
        ScopedAllocationCount allocations;
        rig.process (big);
        EXPECT_GT (allocations.allocations(), 0u);
    }
    ScopedAllocationCount allocations;
    rig.process (big);
    EXPECT_EQ (allocations.allocations(), 0u);
}

TEST (OutputStage, RestoresTheLowsAFilterRemoved)
{
    constexpr double sr = 48000.0;
    constexpr int n = 48000;
    const auto bass = testsignals::sine (50.0, sr, n, 0.5f);

    kavro::OutputStage stage;
    stage.prepare (sr, 0, n, 1.0f, 0.0f);
    juce::AudioBuffer<float> dry (1, n), filtered (1, n), wet (1, n);
    dry.copyFrom (0, 0, bass.data(), n);
    filtered.clear();
    wet.clear(); // the filter took the bass away completely
    const std::vector<float> noOffsets ((size_t) n, 0.0f);
    stage.mixDryWet (wet, dry, filtered, noOffsets.data(), 1, n);

    const double restoredDb = testsignals::toDb (testsignals::rms (wet.getReadPointer (0), n / 2, n) / testsignals::rms (bass, n / 2));
    EXPECT_GT (restoredDb, -6.0) << "most of the 50 Hz comes back";
    EXPECT_LT (wet.getMagnitude (0, 0, n), 0.7f) << "through the tanh, never louder than the source";
}

TEST (OutputStage, VolumeAndItsModulation)
{
    EXPECT_NEAR (kavro::OutputStage::volumeGain (-36.0f), 0.0158f, 1.0e-4f);
    EXPECT_EQ (kavro::OutputStage::volumeGain (-100.0f), 0.0f);

    for (auto [offset, expected] : { std::pair { -1.0f, 0.0f }, { 0.0f, 0.5f }, { 1.0f, 1.0f }, { 3.0f, 1.0f } })
    {
        kavro::OutputStage stage;
        stage.prepare (48000.0, 0, 16, 1.0f, -6.0206f);
        juce::AudioBuffer<float> buffer (1, 16);
        juce::FloatVectorOperations::fill (buffer.getWritePointer (0), 1.0f, 16);
        const std::vector<float> offsets (16, offset);
        stage.applyVolume (buffer, offsets.data(), 1, 16);
        EXPECT_NEAR (buffer.getSample (0, 15), expected, 1.0e-4f) << "offset " << offset;
    }
}
} // namespace
