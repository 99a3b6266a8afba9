// Cost of the engine per stereo frame at 48 kHz in 256-sample blocks, beside two baselines measured
// in the same run: a plain resonant state-variable filter, and the 2x oversampler alone.

#include "plugin/PluginProcessor.h"

#include <benchmark/benchmark.h>

#include <juce_events/juce_events.h>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int defaultBlockSize = 256;

juce::AudioBuffer<float> testBlock (int blockSize = defaultBlockSize)
{
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::Random random (1);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < blockSize; ++i)
            buffer.setSample (ch, i, 0.3f * (2.0f * random.nextFloat() - 1.0f));
    return buffer;
}

// Reports stereo frames per second; real time at 48 kHz takes 48000 / rate of one core.
void reportCost (benchmark::State& state, int blockSize = defaultBlockSize)
{
    state.SetItemsProcessed ((int64_t) state.iterations() * blockSize);
}

struct Setting
{
    const char* id;
    float value;
};

void runEngine (benchmark::State& state, int oversampling, std::vector<Setting> settings, int blockSize = defaultBlockSize)
{
    KavroLabAudioProcessor processor;
    for (const auto& [id, value] : settings)
    {
        auto* param = processor.apvts.getParameter (id);
        param->setValueNotifyingHost (param->convertTo0to1 (value));
    }
    processor.oversamplingIndex = oversampling;
    processor.setRateAndBufferSizeDetails (sampleRate, blockSize);
    processor.prepareToPlay (sampleRate, blockSize);

    const auto source = testBlock (blockSize);
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    for (auto _ : state)
    {
        buffer.makeCopyOf (source, true);
        processor.processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
    reportCost (state, blockSize);
}

void Baseline_ResonantSvf (benchmark::State& state)
{
    juce::dsp::StateVariableTPTFilter<float> filter;
    filter.prepare ({ sampleRate, (juce::uint32) defaultBlockSize, 2 });
    filter.setCutoffFrequency (1000.0f);
    filter.setResonance (4.0f);
    const auto source = testBlock();
    juce::AudioBuffer<float> buffer (2, defaultBlockSize);
    for (auto _ : state)
    {
        buffer.makeCopyOf (source, true);
        juce::dsp::AudioBlock<float> block (buffer);
        filter.process (juce::dsp::ProcessContextReplacing<float> (block));
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
    reportCost (state);
}
BENCHMARK (Baseline_ResonantSvf);

void Baseline_Oversampler2x (benchmark::State& state)
{
    juce::dsp::Oversampling<float> oversampler (2, 1, juce::dsp::Oversampling<float>::filterHalfBandPolyphaseIIR, true, true);
    oversampler.initProcessing (defaultBlockSize);
    const auto source = testBlock();
    juce::AudioBuffer<float> buffer (2, defaultBlockSize);
    for (auto _ : state)
    {
        buffer.makeCopyOf (source, true);
        juce::dsp::AudioBlock<float> block (buffer);
        oversampler.processSamplesUp (block);
        oversampler.processSamplesDown (block);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
    reportCost (state);
}
BENCHMARK (Baseline_Oversampler2x);

const std::vector<Setting> allModulation { { "lfoToCutoff", 0.3f }, { "lfoToAmount", 0.3f }, { "lfoToWidth", 0.3f },
                                            { "lfoToVol", 0.1f }, { "lfoToTilt", 0.3f }, { "lfo2ToReso", 0.3f },
                                            { "lfo2ToSrHz", -0.2f }, { "lfo2ToMix", -0.1f }, { "lfo2Wave", 5.0f },
                                            { "lfo2ToGrSpray", 0.3f }, { "envToCutoff", 0.4f }, { "envToDrive", 0.2f },
                                            { "envToFbAmount", 0.2f }, { "envToNdLevel", 0.3f }, { "macro1", 0.5f },
                                            { "macro1ToAmount", 0.2f }, { "macro2", 0.5f }, { "macro2ToCutoff", 0.2f },
                                            { "macro2ToDepth", 0.2f }, { "macro3", 0.5f }, { "macro3ToBpLink", 0.2f },
                                            { "macro3ToEnvAttack", 0.2f } };

const std::vector<Setting> allEffects { { "ndEnable", 1.0f }, { "ndMode", 1.0f }, { "otEnable", 1.0f }, { "otMix", 0.7f },
                                        { "otDepth", 0.8f }, { "shTilt", 0.3f }, { "grEnable", 1.0f } };

std::vector<Setting> join (std::vector<Setting> a, const std::vector<Setting>& b)
{
    a.insert (a.end(), b.begin(), b.end());
    return a;
}

const std::vector<std::pair<const char*, std::vector<Setting>>> models = {
    { "Clean12", { { "filterChar", 0.0f } } },
    { "Clean24", { { "filterChar", 0.0f }, { "filterSlope", 1.0f } } },
    { "Comb", { { "filterChar", 1.0f } } },
    { "Bite", { { "filterChar", 2.0f } } },
    { "BiteDriveFeedback", { { "filterChar", 2.0f }, { "filterDrive", 1.0f }, { "fbAmount", 0.3f }, { "resonance", 6.0f } } },
    { "CrackleAggressive", { { "noiseModel", 1.0f }, { "noiseInject", 3.0f }, { "amount", 1.0f } } },
    { "Clean12AllModulation", allModulation },
    { "Clean12NoiseDecay", { { "ndEnable", 1.0f }, { "ndMode", 1.0f } } },
    { "Clean12Finish", { { "otEnable", 1.0f }, { "otMix", 0.7f }, { "otDepth", 0.8f }, { "shTilt", 0.3f } } },
    { "Clean12GrainDelay", { { "grEnable", 1.0f } } },
    { "Clean12AllEffects", allEffects },
    { "Clean12AllEffectsAllModulation", join (allEffects, allModulation) },
};

// The matrix alone, over one block, beside the engine it feeds.
void runMatrix (benchmark::State& state, bool allRoutes)
{
    kavro::ModMatrix matrix;
    matrix.prepare (sampleRate, defaultBlockSize);
    kavro::ModParams params;
    if (allRoutes)
    {
        for (auto& lfo : params.lfos)
            lfo.amounts.fill (0.3f);
        params.env.amounts.fill (0.3f);
        for (auto& macro : params.macros)
        {
            macro.value = 0.7f;
            macro.amounts.fill (0.3f);
        }
    }
    const auto sidechain = testBlock();
    float sink = 0.0f;
    for (auto _ : state)
    {
        matrix.beginBlock (params, sidechain.getReadPointer (0), defaultBlockSize, {});
        for (int i = 0; i < defaultBlockSize; ++i)
            sink += matrix.next (i).sums[0];
    }
    benchmark::DoNotOptimize (sink);
    reportCost (state);
}

const int registered = [] {
    benchmark::RegisterBenchmark ("Matrix/NoAmounts", [] (benchmark::State& state) { runMatrix (state, false); });
    benchmark::RegisterBenchmark ("Matrix/AllSourcesAllTargets", [] (benchmark::State& state) { runMatrix (state, true); });
    for (int oversampling = 0; oversampling <= 2; ++oversampling)
        for (const auto& [name, settings] : models)
            benchmark::RegisterBenchmark (("Engine/" + std::string (name) + "/x" + std::to_string (1 << oversampling)).c_str(),
                                          [oversampling, s = settings] (benchmark::State& state) { runEngine (state, oversampling, s); });

    // The per-frame cost must not depend on the block size.
    for (int blockSize : { 16, 64, 256, 1024, 4096 })
        benchmark::RegisterBenchmark (("BlockSize/Clean12/x2/" + std::to_string (blockSize)).c_str(),
                                      [blockSize] (benchmark::State& state) { runEngine (state, 1, {}, blockSize); });
    return 0;
}();
} // namespace

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    benchmark::Initialize (&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
