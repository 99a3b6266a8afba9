// The built VST3 and LV2 bundles, loaded by the framework's own plug-in hosts as a DAW would load them.

#include "plugin/ParameterTable.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 256;

struct Bundle
{
    const char* label;
    bool hostKeepsParameterOrder;
    std::function<std::unique_ptr<juce::AudioPluginFormat>()> makeFormat;
    juce::String fileOrIdentifier;
    juce::String searchPath;
};

const Bundle bundles[] = {
    { "VST3", true, [] { return std::make_unique<juce::VST3PluginFormat>(); },
      juce::File (VELBROOK_VST3_BUNDLE).getFullPathName(), {} },
    // LV2 parameters carry no index: lilv hands them over sorted by URI. Their declared order is
    // checked on the bundle's Turtle by lv2-metadata-test.sh.
    { "LV2", false, [] { return std::make_unique<juce::LV2PluginFormat>(); }, VELBROOK_LV2_URI,
      juce::File (VELBROOK_LV2_BUNDLE).getParentDirectory().getFullPathName() },
};

void PrintTo (const Bundle& bundle, std::ostream* os) { *os << bundle.label << " " << bundle.fileOrIdentifier; }

class HostedPlugin : public testing::TestWithParam<Bundle>
{
protected:
    std::unique_ptr<juce::AudioPluginInstance> load()
    {
        const auto& bundle = GetParam();
        if (format == nullptr)
        {
            format = bundle.makeFormat();
            if (bundle.searchPath.isNotEmpty())
                format->searchPathsForPlugins (juce::FileSearchPath (bundle.searchPath), false, false);
        }

        juce::OwnedArray<juce::PluginDescription> found;
        format->findAllTypesForFile (found, bundle.fileOrIdentifier);
        if (found.isEmpty())
            return nullptr;

        juce::String error;
        auto instance = format->createInstanceFromDescription (*found[0], sampleRate, blockSize, error);
        EXPECT_TRUE (error.isEmpty()) << error;
        return instance;
    }

    // The wrapper may add a host bypass of its own; everything else is ours.
    static juce::Array<juce::AudioProcessorParameter*> ownParameters (juce::AudioPluginInstance& instance)
    {
        juce::Array<juce::AudioProcessorParameter*> result;
        for (auto* p : instance.getParameters())
            if (p != instance.getBypassParameter())
                result.add (p);
        return result;
    }

    std::unique_ptr<juce::AudioPluginFormat> format;
};

TEST_P (HostedPlugin, ListsTheParametersInOrder)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    EXPECT_EQ (instance->getName(), "Velbrook");

    juce::StringArray seen, expected;
    for (auto* param : ownParameters (*instance))
        seen.add (param->getName (100));
    for (const auto& def : kavro::params::all())
        expected.add (def.name);

    ASSERT_EQ (seen.size(), 208);
    if (! GetParam().hostKeepsParameterOrder)
    {
        seen.sort (false);
        expected.sort (false);
    }
    EXPECT_EQ (seen, expected);
}

// Fully dry, the plug-in returns its input delayed by exactly the latency it reports to the host.
TEST_P (HostedPlugin, DryOutputIsTheInputDelayedByTheReportedLatency)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    for (auto* param : ownParameters (*instance))
        if (param->getName (100) == "Dry/Wet")
            param->setValueNotifyingHost (0.0f);

    instance->enableAllBuses();
    instance->prepareToPlay (sampleRate, blockSize);

    constexpr int numBlocks = 40; // long enough for a change delivered in the first block to settle
    juce::Random random (3);
    std::vector<float> input ((size_t) (numBlocks * blockSize)), output (input.size());
    for (auto& x : input)
        x = random.nextFloat() - 0.5f;

    juce::MidiBuffer midi;
    juce::AudioBuffer<float> buffer (2, blockSize);
    for (int block = 0; block < numBlocks; ++block)
    {
        for (int ch = 0; ch < 2; ++ch)
            buffer.copyFrom (ch, 0, input.data() + block * blockSize, blockSize);
        instance->processBlock (buffer, midi);
        std::copy (buffer.getReadPointer (0), buffer.getReadPointer (0) + blockSize, output.begin() + block * blockSize);
    }
    instance->releaseResources();

    // LV2 reports latency through a port that the host reads after each run.
    const int latency = instance->getLatencySamples();
    EXPECT_GT (latency, 0) << "the default 2x oversampling has a latency";
    for (size_t i = output.size() - 4 * blockSize; i < output.size(); ++i)
        ASSERT_EQ (output[i], input[i - (size_t) latency]) << "sample " << i;
}

// LV2 carries parameter changes in both directions as messages inside the audio callback, so, as in
// a DAW, values reach the plug-in (and come back to the host) only while it processes.
void runOneBlock (juce::AudioPluginInstance& instance)
{
    instance.enableAllBuses();
    instance.prepareToPlay (sampleRate, blockSize);
    juce::AudioBuffer<float> buffer (2, blockSize);
    buffer.clear();
    juce::MidiBuffer midi;
    instance.processBlock (buffer, midi);
    instance.releaseResources();
}

// A normalised value on the parameter's own grid, so that the plug-in keeps exactly what the host sent.
float valueOnGrid (const juce::String& name, float position)
{
    for (const auto& def : kavro::params::all())
        if (def.name == name)
            return def.range.convertTo0to1 (def.range.snapToLegalValue (def.range.convertFrom0to1 (position)));
    ADD_FAILURE() << "unknown parameter " << name;
    return 0.0f;
}

TEST_P (HostedPlugin, CarriesStateToANewInstance)
{
    auto first = load();
    ASSERT_NE (first, nullptr);

    std::map<juce::String, float> written;
    int i = 0;
    for (auto* param : ownParameters (*first))
    {
        const auto value = valueOnGrid (param->getName (100), std::fmod (0.37f * (float) ++i, 1.0f));
        param->setValueNotifyingHost (value);
        written[param->getName (100)] = value;
    }
    runOneBlock (*first);

    juce::MemoryBlock state;
    first->getStateInformation (state);
    first.reset();

    auto second = load();
    ASSERT_NE (second, nullptr);
    second->setStateInformation (state.getData(), (int) state.getSize());
    runOneBlock (*second);

    const auto restored = ownParameters (*second);
    ASSERT_EQ (restored.size(), (int) written.size());
    for (auto* param : restored)
        EXPECT_NEAR (param->getValue(), written[param->getName (100)], 1.0e-5f) << param->getName (100);
}

INSTANTIATE_TEST_SUITE_P (Bundles, HostedPlugin, testing::ValuesIn (bundles),
                          [] (const auto& info) { return std::string (info.param.label); });
} // namespace

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);

    // A private home: no installed copy of the plug-in is found, no user file is touched.
    const auto home = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("velbrook-host", "");
    home.createDirectory();
    setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    unsetenv ("XDG_CONFIG_HOME");

    int result = 0;
    {
        juce::ScopedJuceInitialiser_GUI juceInitialiser;
        result = RUN_ALL_TESTS();
    }
    home.deleteRecursively();
    return result;
}
