// velbrook-render: renders audio through the plug-in offline, exactly as a host would drive it.

#include "DemoSignal.h"
#include "OfflineHost.h"
#include "RenderOptions.h"
#include "TextMatch.h"

#include "plugin/PluginProcessor.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_events/juce_events.h>

#include <iostream>

namespace
{
constexpr int exitBadInput = 2;

struct Failure
{
    juce::String message;
};

juce::String describeRange (const juce::RangedAudioParameter& param)
{
    if (auto* choice = dynamic_cast<const juce::AudioParameterChoice*> (&param))
        return choice->choices.joinIntoString (" | ");
    if (dynamic_cast<const juce::AudioParameterBool*> (&param) != nullptr)
        return "off | on";

    const auto& range = param.getNormalisableRange();
    return juce::String (range.start) + " to " + juce::String (range.end) + ", interval " + juce::String (range.interval)
           + ", skew " + juce::String (range.skew);
}

juce::String kindOf (const juce::RangedAudioParameter& param)
{
    if (dynamic_cast<const juce::AudioParameterChoice*> (&param) != nullptr)
        return "Choice";
    if (dynamic_cast<const juce::AudioParameterBool*> (&param) != nullptr)
        return "Bool";
    return "Float";
}

void listParameters (KavroLabAudioProcessor& processor)
{
    int index = 1;
    for (auto* p : processor.getParameters())
    {
        auto& param = *dynamic_cast<juce::RangedAudioParameter*> (p);
        const auto defaultValue = param.convertFrom0to1 (param.getDefaultValue());
        std::cout << index++ << '\t' << param.getParameterID() << "\t\"" << param.getName (100) << "\"\t"
                  << kindOf (param) << '\t' << describeRange (param) << "\tdefault " << juce::String (defaultValue)
                  << '\n';
    }
}

float plainValueFor (const juce::RangedAudioParameter& param, const juce::String& text)
{
    const auto& range = param.getNormalisableRange();
    auto value = parseNumber (text);

    if (! value)
    {
        if (auto* choice = dynamic_cast<const juce::AudioParameterChoice*> (&param))
            if (const auto index = choice->choices.indexOf (text, true); index >= 0)
                value = index;

        if (dynamic_cast<const juce::AudioParameterBool*> (&param) != nullptr)
            if (text.equalsIgnoreCase ("on") || text.equalsIgnoreCase ("off"))
                value = text.equalsIgnoreCase ("on") ? 1.0 : 0.0;
    }

    if (! value)
        throw Failure { "--set " + param.getParameterID() + ": \"" + text + "\" is not a number"
                        + (dynamic_cast<const juce::AudioParameterFloat*> (&param) != nullptr
                               ? juce::String()
                               : " nor one of " + describeRange (param)) };

    if (*value < range.start || *value > range.end)
        throw Failure { "--set " + param.getParameterID() + ": " + text + " is outside " + describeRange (param) };

    return (float) *value;
}

void applyAssignments (KavroLabAudioProcessor& processor, const std::vector<RenderOptions::Assignment>& assignments)
{
    for (const auto& [id, text] : assignments)
    {
        auto* param = processor.apvts.getParameter (id);
        if (param == nullptr)
        {
            juce::StringArray ids;
            for (auto& def : kavro::params::all())
                ids.add (def.id);
            throw Failure { "--set: unknown parameter \"" + id + "\"; closest: "
                            + kavro::closestMatches (id, ids).joinIntoString (", ") };
        }
        param->setValueNotifyingHost (param->convertTo0to1 (plainValueFor (*param, text)));
    }
}

void listPresets (KavroLabAudioProcessor& processor)
{
    for (const auto& info : processor.presetManager->list())
        std::cout << info.key << '\t' << info.name << '\t' << info.category << '\t' << info.tags.joinIntoString (",")
                  << '\t' << (info.isUser ? "user" : "factory") << '\n';
}

void loadPreset (KavroLabAudioProcessor& processor, const juce::String& nameOrKey)
{
    auto& manager = *processor.presetManager;
    juce::StringArray names;
    for (const auto& info : manager.list())
    {
        if (info.key == nameOrKey || info.name == nameOrKey)
        {
            if (! manager.loadPreset (info.key))
                throw Failure { "--preset: cannot read \"" + nameOrKey + "\"" };
            return;
        }
        names.add (info.name);
    }
    throw Failure { "--preset: no preset \"" + nameOrKey + "\"; closest: " + kavro::closestMatches (nameOrKey, names).joinIntoString (", ") };
}

void restoreState (KavroLabAudioProcessor& processor, const juce::File& file)
{
    juce::MemoryBlock blob;
    if (! file.existsAsFile() || ! file.loadFileAsData (blob))
        throw Failure { "--state: cannot read " + file.getFullPathName() };

    const auto xml = juce::AudioProcessor::getXmlFromBinary (blob.getData(), (int) blob.getSize());
    if (xml == nullptr || ! xml->hasTagName (processor.apvts.state.getType().toString()))
        throw Failure { "--state: " + file.getFullPathName() + " is not a saved Velbrook state" };

    processor.setStateInformation (blob.getData(), (int) blob.getSize());
}

struct Input
{
    juce::AudioBuffer<float> audio;
    double sampleRate;
};

Input readInput (const juce::String& name)
{
    if (name == "demo")
        return { kavro::demo::makeDemoSignal(), kavro::demo::sampleRate };

    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (name);
    if (! file.existsAsFile())
        throw Failure { "cannot read " + file.getFullPathName() + ": no such file" };

    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));
    if (reader == nullptr)
        throw Failure { "cannot read " + file.getFullPathName() + ": not a " + formats.getWildcardForAllFormats()
                        + " audio file" };

    if (reader->numChannels < 1 || reader->numChannels > 2)
        throw Failure { file.getFileName() + " has " + juce::String (reader->numChannels)
                        + " channels; only mono and stereo are supported" };

    if (reader->lengthInSamples > std::numeric_limits<int>::max() / 2)
        throw Failure { file.getFileName() + " is too long" };

    Input input { juce::AudioBuffer<float> ((int) reader->numChannels, (int) reader->lengthInSamples),
                  reader->sampleRate };
    if (! reader->read (&input.audio, 0, (int) reader->lengthInSamples, 0, true, true))
        throw Failure { "cannot read the audio in " + file.getFullPathName() };
    return input;
}

void writeAtomically (const juce::File& target, const std::function<bool (const juce::File&)>& write)
{
    if (! target.getParentDirectory().isDirectory())
        throw Failure { "cannot write " + target.getFullPathName() + ": no such folder" };

    // Written beside the target and renamed at the end: a failed run leaves any existing file untouched.
    juce::TemporaryFile temporary (target, juce::TemporaryFile::useHiddenFile);
    if (! write (temporary.getFile()) || ! temporary.overwriteTargetFileWithTemporary())
        throw Failure { "cannot write " + target.getFullPathName() };
}

void writeWav (const juce::File& target, const juce::AudioBuffer<float>& audio, double sampleRate)
{
    if (! target.hasFileExtension ("wav"))
        throw Failure { "OUT must be a .wav file: " + target.getFileName() };

    writeAtomically (target, [&] (const juce::File& file) {
        auto stream = std::make_unique<juce::FileOutputStream> (file);
        if (! stream->openedOk())
            return false;

        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer (
            wav.createWriterFor (stream.get(), sampleRate, (unsigned int) audio.getNumChannels(), 32, {}, 0));
        if (writer == nullptr)
            return false;

        auto* ownedByWriter = stream.release();
        const bool ok = writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples()) && writer->flush();
        return ok && ownedByWriter->getStatus().wasOk();
    });
}

juce::String formatLevels (const char* label, const kavro::Levels& levels)
{
    return juce::String (label) + " peak " + juce::String (levels.peakDb, 1) + " dBFS, RMS "
           + juce::String (levels.rmsDb, 1) + " dBFS";
}

int run (const juce::StringArray& args)
{
    RenderOptions options;
    if (auto error = parseRenderOptions (args, options); error.isNotEmpty())
        throw Failure { error };

    if (options.showHelp)
    {
        std::cout << renderUsage;
        return 0;
    }

    KavroLabAudioProcessor processor;

    if (options.listParams)
    {
        listParameters (processor);
        return 0;
    }
    if (options.listPresets)
    {
        listPresets (processor);
        return 0;
    }

    const auto input = readInput (options.input);
    if (options.preset.isNotEmpty())
        loadPreset (processor, options.preset);
    if (options.stateIn != juce::File())
        restoreState (processor, options.stateIn);
    applyAssignments (processor, options.assignments);
    if (options.oversampling)
        processor.oversamplingIndex = *options.oversampling;

    const int tailSamples = (int) std::round (options.tailSeconds * input.sampleRate);
    juce::AudioBuffer<float> audio (input.audio.getNumChannels(), input.audio.getNumSamples() + tailSamples);
    audio.clear();
    for (int ch = 0; ch < audio.getNumChannels(); ++ch)
        audio.copyFrom (ch, 0, input.audio, ch, 0, input.audio.getNumSamples());

    kavro::PlayHeadSettings playHeadSettings;
    playHeadSettings.bpm = options.tempo;
    playHeadSettings.playing = ! options.stopped;
    playHeadSettings.ppqStart = options.ppqStart;
    const auto stats = kavro::renderInPlace (processor, audio, input.sampleRate, options.blockSize, playHeadSettings);

    writeWav (options.output, audio, input.sampleRate);

    if (options.stateOut != juce::File())
    {
        juce::MemoryBlock blob;
        processor.getStateInformation (blob);
        writeAtomically (options.stateOut, [&] (const juce::File& file) { return file.replaceWithData (blob.getData(), blob.getSize()); });
    }

    std::cout << options.output.getFullPathName() << ": " << formatLevels ("in", kavro::measureLevels (input.audio))
              << " | " << formatLevels ("out", kavro::measureLevels (audio)) << " | "
              << juce::String (stats.realTimeFactor(), 1) << "x real time\n";
    return 0;
}
} // namespace

int main (int argc, char* argv[])
{
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    try
    {
        return run (juce::StringArray (argv + 1, argc - 1));
    }
    catch (const Failure& failure)
    {
        std::cerr << "velbrook-render: " << failure.message << '\n';
        return exitBadInput;
    }
}
