// velbrook-bank: writes the factory bank's preset files with the plug-in's own writer.
//
// Every preset is Init plus a few parameter values, metadata and macro names, described in the
// table below; run it after changing the table and commit the files it writes.

#include "plugin/PluginProcessor.h"
#include "presets/PresetFile.h"

#include <juce_events/juce_events.h>

#include <iostream>

namespace
{
struct Value
{
    const char* id;
    float plain;
};

struct BankPreset
{
    const char* fileName; // without extension
    const char* uuid;
    const char* name;
    const char* category;
    const char* tags;
    const char* description;
    std::vector<Value> values; // on top of Init's
    std::array<const char*, 3> macroNames;
};

// Init: every parameter at 0 except these.
const std::vector<Value> initValues {
    { "cutoff", 20000.0f },   { "filterType", 2.0f },     { "resonance", 0.1f },   { "mix", 1.0f },
    { "volume", 0.0f },       { "lfoEnable", 1.0f },      { "lfoDepth", 1.0f },    { "lfoRateHz", 1.0f },
    { "lfoSyncDiv", 5.0f },   { "lfo2Enable", 1.0f },     { "lfo2Depth", 1.0f },   { "lfo2RateHz", 1.0f },
    { "lfo2SyncDiv", 5.0f },  { "envEnable", 1.0f },      { "envThresh", -24.0f }, { "envAttack", 5.0f },
    { "envDecay", 150.0f },   { "noiseLoHz", 20.0f },     { "noiseHiHz", 20000.0f }, { "noiseSrHz", 192000.0f },
    { "noiseDensity", 0.4f }, { "ndLevel", 0.5f },        { "ndRelease", 150.0f }, { "otDepth", 0.5f },
    { "shHz", 1000.0f },      { "grDelay", 1.0f },        { "grFeedback", 0.4f },  { "grMix", 0.5f },
    { "grSpray", 35.0f },
};

const std::vector<BankPreset> bank {
    { "Init", "factory-init-0001", "Init", "Essentials", "", "Neutral starting point", {}, { nullptr, nullptr, nullptr } },
    { "Start", "factory-start-0001", "Start", "Essentials", "", "Neutral sound with the three macros ready to play",
      { { "macro1", 0.715f }, { "macro1ToAmount", 1.0f }, { "macro2ToCutoff", -1.0f }, { "macro3ToReso", 1.0f } },
      { "Noise", "CUTOFF", "RESO" } },
};

void set (KavroLabAudioProcessor& processor, const Value& value)
{
    auto* param = processor.apvts.getParameter (value.id);
    if (param == nullptr)
        throw std::runtime_error (std::string ("unknown parameter ") + value.id);
    param->setValueNotifyingHost (param->convertTo0to1 (value.plain));
}

std::unique_ptr<juce::XmlElement> stateFor (const BankPreset& preset)
{
    KavroLabAudioProcessor processor;
    for (auto* param : processor.getParameters())
        set (processor, { dynamic_cast<juce::RangedAudioParameter*> (param)->getParameterID().toRawUTF8(), 0.0f });
    for (const auto& value : initValues)
        set (processor, value);
    for (const auto& value : preset.values)
        set (processor, value);

    auto state = processor.apvts.copyState();
    state.removeChild (state.getChildWithName ("uiMeta"), nullptr);
    if (preset.macroNames[0] != nullptr)
    {
        juce::ValueTree meta ("uiMeta");
        for (int i = 0; i < 3; ++i)
            if (preset.macroNames[(size_t) i] != nullptr)
                meta.setProperty ("macroName" + juce::String (i + 1), preset.macroNames[(size_t) i], nullptr);
        state.appendChild (meta, nullptr);
    }
    return state.createXml();
}

int run (const juce::File& folder)
{
    folder.createDirectory();
    for (const auto& preset : bank)
    {
        kavro::PresetMeta meta;
        meta.uuid = preset.uuid;
        meta.name = preset.name;
        meta.category = preset.category;
        meta.tags = kavro::presetfile::tagsFromString (preset.tags);
        meta.author = "KAVRO";
        meta.description = preset.description;
        meta.plugin = "Tolm";
        meta.pluginName = "Velbrook";
        meta.pluginVersion = JucePlugin_VersionString;
        meta.created = "2026-12-11T09:00:00.000Z"; // fixed, so regenerating an unchanged bank changes nothing

        const auto file = folder.getChildFile (juce::String (preset.fileName) + ".preset");
        if (! kavro::presetfile::write (*kavro::presetfile::wrap (meta, stateFor (preset)), file))
        {
            std::cerr << "velbrook-bank: cannot write " << file.getFullPathName() << '\n';
            return 1;
        }
    }

    // The manifest carries Init's metadata for banks whose files have none.
    folder.getChildFile ("manifest.json")
        .replaceWithText (R"([{"name":"Init","category":"Essentials","uuid":"factory-init-0001","tags":[],)"
                          R"("author":"KAVRO","description":"Neutral starting point"}])" "\n");
    std::cout << "wrote " << bank.size() << " presets and manifest.json to " << folder.getFullPathName() << '\n';
    return 0;
}
} // namespace

int main (int argc, char* argv[])
{
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    if (argc != 2)
    {
        std::cerr << "usage: velbrook-bank FOLDER   (writes the factory presets into FOLDER)\n";
        return 2;
    }
    return run (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));
}
