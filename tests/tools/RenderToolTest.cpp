// velbrook-render run as a user runs it: a separate process, files in, files out, exit status.

#include "support/TempHome.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

namespace
{
struct Run
{
    int exitCode;
    juce::String output;
};

Run render (const juce::StringArray& args)
{
    juce::StringArray command { VELBROOK_RENDER };
    command.addArray (args);

    juce::ChildProcess process;
    if (! process.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        return { -1, "could not start " VELBROOK_RENDER };

    const auto output = process.readAllProcessOutput();
    process.waitForProcessToFinish (60000);
    return { (int) process.getExitCode(), output };
}

class RenderTool : public testing::Test
{
protected:
    juce::String path (const char* name) const { return folder.getChildFile (name).getFullPathName(); }

    void writeWav (const char* name, int channels, int numSamples = 4800) const
    {
        juce::AudioBuffer<float> audio (channels, numSamples);
        for (int ch = 0; ch < channels; ++ch)
            for (int i = 0; i < numSamples; ++i)
                audio.setSample (ch, i, 0.5f * std::sin (0.01f * (float) (i * (ch + 1))));

        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer (
            wav.createWriterFor (new juce::FileOutputStream (folder.getChildFile (name)), 44100.0, (unsigned) channels, 24, {}, 0));
        ASSERT_NE (writer, nullptr);
        writer->writeFromAudioSampleBuffer (audio, 0, numSamples);
    }

    static std::unique_ptr<juce::AudioFormatReader> open (const juce::String& file)
    {
        juce::WavAudioFormat wav;
        return std::unique_ptr<juce::AudioFormatReader> (wav.createReaderFor (new juce::FileInputStream (file), true));
    }

    TempHome home;
    juce::TemporaryFile folderHolder { "", juce::TemporaryFile::useHiddenFile };
    juce::File folder = [this] { folderHolder.getFile().createDirectory(); return folderHolder.getFile(); }();
};

TEST_F (RenderTool, RendersTheDemoRepeatablyAsFloatWav)
{
    ASSERT_EQ (render ({ "demo", path ("a.wav"), "--tail", "0.5" }).exitCode, 0);
    const auto second = render ({ "demo", path ("b.wav"), "--tail", "0.5" });
    ASSERT_EQ (second.exitCode, 0) << second.output;
    EXPECT_TRUE (second.output.contains ("dBFS")) << second.output;
    EXPECT_TRUE (second.output.contains ("x real time")) << second.output;

    const auto reader = open (path ("a.wav"));
    ASSERT_NE (reader, nullptr);
    EXPECT_EQ (reader->sampleRate, 48000.0);
    EXPECT_EQ (reader->numChannels, 2u);
    EXPECT_EQ (reader->bitsPerSample, 32u);
    EXPECT_TRUE (reader->usesFloatingPointData);
    EXPECT_EQ (reader->lengthInSamples, 8 * 48000 + 24000);

    juce::MemoryBlock a, b;
    juce::File (path ("a.wav")).loadFileAsData (a);
    juce::File (path ("b.wav")).loadFileAsData (b);
    EXPECT_TRUE (a == b) << "two renders of the demo differ";
}

TEST_F (RenderTool, KeepsTheInputsRateAndWidth)
{
    writeWav ("mono.wav", 1);
    const auto run = render ({ path ("mono.wav"), path ("out.wav"), "--block", "37" });
    ASSERT_EQ (run.exitCode, 0) << run.output;

    const auto reader = open (path ("out.wav"));
    ASSERT_NE (reader, nullptr);
    EXPECT_EQ (reader->numChannels, 1u);
    EXPECT_EQ (reader->sampleRate, 44100.0);
    EXPECT_EQ (reader->lengthInSamples, 4800);
}

TEST_F (RenderTool, SavedStateRestoresTheSameState)
{
    ASSERT_EQ (render ({ "demo", path ("a.wav"), "--set", "cutoff=440", "--set", "filterType=High Cut",
                         "--save-state", path ("first.state") }).exitCode, 0);
    ASSERT_EQ (render ({ "demo", path ("b.wav"), "--state", path ("first.state"), "--save-state", path ("second.state") })
                   .exitCode, 0);

    juce::MemoryBlock first, second;
    ASSERT_TRUE (juce::File (path ("first.state")).loadFileAsData (first));
    ASSERT_TRUE (juce::File (path ("second.state")).loadFileAsData (second));
    const auto xml = juce::AudioProcessor::getXmlFromBinary (first.getData(), (int) first.getSize());
    ASSERT_NE (xml, nullptr);
    EXPECT_NEAR (xml->getChildByAttribute ("id", "cutoff")->getDoubleAttribute ("value"), 440.0, 1.0e-3);
    EXPECT_EQ (xml->getChildByAttribute ("id", "filterType")->getDoubleAttribute ("value"), 2.0);
    EXPECT_TRUE (first == second);
}

// A tempo-synced LFO locks to the host's position while it plays and runs free while it is stopped.
TEST_F (RenderTool, ReportsTheTransportToTheLfos)
{
    auto renderAt = [&] (const char* name, const char* ppq, bool stopped) {
        juce::StringArray args { "demo", path (name), "--set", "lfoSync=1", "--set", "lfoToCutoff=0.6", "--ppq-start", ppq };
        if (stopped)
            args.add ("--stopped");
        EXPECT_EQ (render (args).exitCode, 0);
        juce::MemoryBlock data;
        juce::File (path (name)).loadFileAsData (data);
        return data;
    };
    EXPECT_FALSE (renderAt ("a.wav", "0", false) == renderAt ("b.wav", "0.5", false));
    EXPECT_TRUE (renderAt ("c.wav", "0", true) == renderAt ("d.wav", "0.5", true));
}

TEST_F (RenderTool, ListsAndLoadsPresets)
{
    const auto list = render ({ "--list-presets" });
    ASSERT_EQ (list.exitCode, 0);
    EXPECT_TRUE (list.output.contains ("factory-init-0001\tInit\tEssentials\t\tfactory")) << list.output;

    ASSERT_EQ (render ({ "demo", path ("a.wav"), "--preset", "Init", "--save-state", path ("init.state") }).exitCode, 0);
    juce::MemoryBlock blob;
    juce::File (path ("init.state")).loadFileAsData (blob);
    const auto xml = juce::AudioProcessor::getXmlFromBinary (blob.getData(), (int) blob.getSize());
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getChildByAttribute ("id", "macro1")->getDoubleAttribute ("value"), 0.0) << "Init, not Start";
}

TEST_F (RenderTool, ListsParametersInRegistrationOrder)
{
    const auto run = render ({ "--list-params" });
    ASSERT_EQ (run.exitCode, 0);
    const auto lines = juce::StringArray::fromLines (run.output.trimEnd());
    ASSERT_EQ (lines.size(), 208);
    EXPECT_TRUE (lines[4].startsWith ("5\tcutoff\t\"Cutoff\"\tFloat\t20 to 20000, interval 0, skew 0.25")) << lines[4];
    EXPECT_TRUE (lines[206].startsWith ("207\tgrDelay\t\"Grain Delay\"\tChoice\t1/16 | 1/8")) << lines[206];
}

// Every bad input: exit status 2, one line naming the problem, nothing written, nothing destroyed.
TEST_F (RenderTool, RefusesBadInputWithoutTouchingFiles)
{
    writeWav ("in.wav", 2);
    writeWav ("surround.wav", 3);
    juce::File (path ("text.wav")).replaceWithText ("not audio");
    juce::File (path ("garbage.state")).replaceWithText ("not a state");

    struct Case
    {
        juce::StringArray args;
        const char* mentions;
    };
    const auto in = path ("in.wav");
    const auto out = path ("out.wav");
    const Case cases[] = {
        { { path ("missing.wav"), out }, "no such file" },
        { { path ("text.wav"), out }, "not a" },
        { { path ("surround.wav"), out }, "3 channels" },
        { { in, out, "--set", "cutof=100" }, "closest: cutoff" },
        { { in, out, "--set", "cutoff=loud" }, "not a number" },
        { { in, out, "--set", "cutoff=30000" }, "outside" },
        { { in, out, "--set", "filterType=Notch" }, "Low Cut | Bandpass | High Cut" },
        { { in, out, "--set", "cutoff" }, "ID=VALUE" },
        { { in, out, "--oversampling", "3" }, "between 0 and 2" },
        { { in, out, "--block", "0" }, "between 1 and 65536" },
        { { in, out, "--block", "65537" }, "between 1 and 65536" },
        { { in, out, "--block", "12.5" }, "whole number" },
        { { in, out, "--tempo", "fast" }, "needs a number" },
        { { in, out, "--tail", "-1" }, "between 0 and 600" },
        { { in, out, "--state", path ("missing.state") }, "cannot read" },
        { { in, out, "--state", path ("garbage.state") }, "not a saved Velbrook state" },
        { { in, out, "--shiny" }, "unknown option" },
        { { in, out, "--preset", "Strat" }, "closest: Start" },
        { { in, out, "--block" }, "needs a value" },
        { { in }, "expected IN and OUT" },
        { { in, path ("no-such-folder/out.wav") }, "no such folder" },
        { { in, path ("out.mp3") }, "must be a .wav" },
    };

    for (const auto& c : cases)
    {
        juce::File (out).replaceWithText ("keep me");
        const auto run = render (c.args);
        EXPECT_EQ (run.exitCode, 2) << c.args.joinIntoString (" ");
        EXPECT_TRUE (run.output.startsWith ("velbrook-render: ")) << run.output;
        EXPECT_TRUE (run.output.contains (c.mentions)) << run.output;
        EXPECT_EQ (run.output.trimEnd().indexOfChar ('\n'), -1) << run.output;
        EXPECT_EQ (juce::File (out).loadFileAsString(), "keep me") << c.args.joinIntoString (" ");
        EXPECT_FALSE (juce::File (path ("out.mp3")).exists());
    }

    // Only the fixtures and the untouched target remain: no temporary file was left behind.
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories | juce::File::ignoreHiddenFiles, "*"), 5);
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories, ".*"), 0);
}
} // namespace
