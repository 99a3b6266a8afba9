// velbrook-bank: writes the factory bank's preset files with the plug-in's own writer.
//
// The bank is described in bank.json beside this file: every preset is Init plus its own values,
// metadata and macro names. Run `velbrook-bank tools/bank/bank.json factory-presets` after
// changing it and commit the files it writes.

#include "plugin/PluginProcessor.h"
#include "presets/PresetFile.h"

#include <juce_events/juce_events.h>

#include <iostream>

namespace
{
struct Failure
{
    juce::String message;
};

// Init: every parameter at 0 except these.
const std::vector<std::pair<const char*, float>> initValues {
    { "cutoff", 20000.0f },   { "filterType", 2.0f },     { "resonance", 0.1f },   { "mix", 1.0f },
    { "volume", 0.0f },       { "lfoEnable", 1.0f },      { "lfoDepth", 1.0f },    { "lfoRateHz", 1.0f },
    { "lfoSyncDiv", 5.0f },   { "lfo2Enable", 1.0f },     { "lfo2Depth", 1.0f },   { "lfo2RateHz", 1.0f },
    { "lfo2SyncDiv", 5.0f },  { "envEnable", 1.0f },      { "envThresh", -24.0f }, { "envAttack", 5.0f },
    { "envDecay", 150.0f },   { "noiseLoHz", 20.0f },     { "noiseHiHz", 20000.0f }, { "noiseSrHz", 192000.0f },
    { "noiseDensity", 0.4f }, { "ndLevel", 0.5f },        { "ndRelease", 150.0f }, { "otDepth", 0.5f },
    { "shHz", 1000.0f },      { "grDelay", 1.0f },        { "grFeedback", 0.4f },  { "grMix", 0.5f },
    { "grSpray", 35.0f },
};

// Sets a parameter to a plain value, or a choice to the item with the given text.
void set (KavroLabAudioProcessor& processor, const juce::String& id, const juce::var& value)
{
    auto* param = processor.apvts.getParameter (id);
    if (param == nullptr)
        throw Failure { "unknown parameter " + id };

    float plain = (float) value;
    if (value.isString())
    {
        auto* choice = dynamic_cast<juce::AudioParameterChoice*> (param);
        const int index = choice != nullptr ? choice->choices.indexOf (value.toString()) : -1;
        if (index < 0)
            throw Failure { id + " has no choice \"" + value.toString() + "\"" };
        plain = (float) index;
    }
    param->setValueNotifyingHost (param->convertTo0to1 (plain));
}

std::unique_ptr<juce::XmlElement> stateFor (const juce::var& preset)
{
    KavroLabAudioProcessor processor;
    for (auto* param : processor.getParameters())
        param->setValueNotifyingHost (dynamic_cast<juce::RangedAudioParameter*> (param)->convertTo0to1 (0.0f));
    for (const auto& [id, plain] : initValues)
        set (processor, id, plain);
    if (auto* values = preset["values"].getDynamicObject())
        for (const auto& value : values->getProperties())
            set (processor, value.name.toString(), value.value);

    auto state = processor.apvts.copyState();
    state.removeChild (state.getChildWithName ("uiMeta"), nullptr);
    juce::ValueTree meta ("uiMeta");
    if (const auto* names = preset["macros"].getArray())
        for (int i = 0; i < std::min (3, names->size()); ++i)
            if (const auto name = (*names)[i].toString(); name.isNotEmpty())
                meta.setProperty ("macroName" + juce::String (i + 1), name, nullptr);
    if (meta.getNumProperties() > 0)
        state.appendChild (meta, nullptr);
    return state.createXml();
}

int run (const juce::File& bankFile, const juce::File& folder)
{
    const auto bank = juce::JSON::parse (bankFile.loadFileAsString());
    const auto* presets = bank.getArray();
    if (presets == nullptr)
        throw Failure { "cannot read " + bankFile.getFullPathName() + " as a JSON array" };

    folder.createDirectory();
    for (const auto& preset : *presets)
    {
        kavro::PresetMeta meta;
        meta.uuid = preset["uuid"].toString();
        meta.name = preset["name"].toString();
        meta.category = preset["category"].toString();
        meta.tags = kavro::presetfile::tagsFromString (preset["tags"].toString());
        meta.author = preset["author"].toString();
        meta.description = preset["description"].toString();
        meta.plugin = "Tolm";
        meta.pluginName = "Velbrook";
        meta.pluginVersion = JucePlugin_VersionString;
        meta.created = "2026-12-11T09:00:00.000Z"; // fixed, so regenerating an unchanged bank changes nothing

        const auto file = folder.getChildFile (preset["file"].toString() + ".preset");
        if (! kavro::presetfile::write (*kavro::presetfile::wrap (meta, stateFor (preset)), file))
            throw Failure { "cannot write " + file.getFullPathName() };
    }

    // The manifest carries Init's metadata for banks whose files have none.
    folder.getChildFile ("manifest.json")
        .replaceWithText (R"([{"name":"Init","category":"Essentials","uuid":"factory-init-0001","tags":[],)"
                          R"("author":"KAVRO","description":"Neutral starting point"}])" "\n");
    std::cout << "wrote " << presets->size() << " presets and manifest.json to " << folder.getFullPathName() << '\n';
    return 0;
}
} // namespace

int main (int argc, char* argv[])
{
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    if (argc != 3)
    {
        std::cerr << "usage: velbrook-bank BANK.json FOLDER   (writes the factory presets into FOLDER)\n";
        return 2;
    }
    try
    {
        const auto cwd = juce::File::getCurrentWorkingDirectory();
        return run (cwd.getChildFile (argv[1]), cwd.getChildFile (argv[2]));
    }
    catch (const Failure& failure)
    {
        std::cerr << "velbrook-bank: " << failure.message << '\n';
        return 2;
    }
}
