#include "plugin/PluginProcessor.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace
{
TEST (Processor, AnswersTheHostsFixedQuestions)
{
    KavroLabAudioProcessor processor;
    EXPECT_EQ (processor.getName(), "Velbrook");
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_EQ (processor.getTailLengthSeconds(), 60.0);
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), "Default");
    EXPECT_EQ (processor.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (processor.getMainBusNumInputChannels(), 2);
    EXPECT_EQ (processor.getMainBusNumOutputChannels(), 2);
    EXPECT_EQ (processor.apvts.state.getProperty ("schemaVersion"), juce::var (2));
}

TEST (Processor, AcceptsOnlyMatchingMonoOrStereoLayouts)
{
    using Set = juce::AudioChannelSet;
    struct Case
    {
        Set in, out;
        bool accepted;
    };
    const Case cases[] = {
        { Set::stereo(), Set::stereo(), true },   { Set::mono(), Set::mono(), true },
        { Set::mono(), Set::stereo(), false },    { Set::stereo(), Set::mono(), false },
        { Set::disabled(), Set::stereo(), false }, { Set::create5point1(), Set::create5point1(), false },
        { Set::disabled(), Set::disabled(), false },
    };

    KavroLabAudioProcessor processor;
    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (c.in);
        layout.outputBuses.add (c.out);
        EXPECT_EQ (processor.checkBusesLayoutSupported (layout), c.accepted)
            << c.in.getDescription() << " -> " << c.out.getDescription();
    }
}

TEST (Processor, StartsWithTheOversamplingStoredInUiSettings)
{
    struct Case
    {
        const char* settings; // nullptr: no file
        int expected;
    };
    const Case cases[] = {
        { nullptr, 1 },
        { R"({"oversampling": 7})", 2 },
        { R"({"oversampling": -3})", 0 },
        { R"({"oversampling": 0})", 0 },
        { R"({"oversampling": 1.9})", 1 },
        { R"({"oversampling": null})", 0 },
        { R"({"theme": "dark"})", 1 },
        { R"([{"oversampling": 2}])", 1 },
        { R"({"oversampling": 2)", 1 },
        { "", 1 },
    };

    for (const auto& c : cases)
    {
        TempHome home;
        if (c.settings != nullptr)
            home.writeUiSettings (c.settings);
        KavroLabAudioProcessor processor;
        EXPECT_EQ (processor.oversamplingIndex.load(), c.expected) << (c.settings ? c.settings : "(no file)");
    }

    TempHome home;
    home.productFolder().getChildFile ("ui-settings.json").createDirectory();
    KavroLabAudioProcessor processor;
    EXPECT_EQ (processor.oversamplingIndex.load(), 1) << "a folder in the file's place";
}
} // namespace
