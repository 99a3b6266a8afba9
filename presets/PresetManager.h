#pragma once

#include "presets/PresetFile.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <functional>
#include <set>
#include <vector>

namespace kavro
{
// One preset embedded in the plug-in.
struct FactoryPreset
{
    juce::String uuid, name, category;
    juce::StringArray tags;
    juce::String author, description;
    juce::String xml; // the PARAMS element as text
};

// One entry of the preset list.
struct PresetInfo
{
    juce::String key, name, category;
    juce::StringArray tags;
    juce::String author, description;
    bool isUser = false, favourite = false, readonly = false;
    juce::File file;  // user presets
    juce::String xml; // factory presets
};

// Everything the plug-in knows about presets: the factory bank, the user folder with favourites,
// the current preset and whether the parameters changed since it was loaded or saved. Runs on the
// message thread; only parameterChanged may come from any thread.
class PresetManager : private juce::AudioProcessorValueTreeState::Listener, private juce::Timer
{
public:
    using FactoryLoader = std::function<std::vector<FactoryPreset>()>;

    PresetManager (juce::AudioProcessorValueTreeState&, juce::String company, juce::String product,
                   juce::String pluginCode, juce::String version, FactoryLoader);
    ~PresetManager() override;

    static juce::File getUserPresetDir (const juce::String& company, const juce::String& product);

    // A name with the characters files cannot hold removed, at most 128 characters, trimmed.
    static juce::String legalName (const juce::String&);

    std::function<void()> onChanged;                     // always called on the message thread
    std::function<void (juce::ValueTree&)> onBeforeApply; // runs on every tree before it goes live

    void rescan();
    void setCurrent (const juce::String& key);
    bool loadPreset (const juce::String& key);
    void applyTree (const juce::ValueTree&);
    void applyStartupPreset (const juce::String& key);
    juce::var savePreset (const juce::String& name, const juce::String& category, const juce::String& tagsText,
                          const juce::String& description);
    bool renamePreset (const juce::String& key, const juce::String& newName);
    bool deletePreset (const juce::String& key);
    bool setFavorite (const juce::String& key, bool on);
    bool loadAdjacent (int step);
    void saveFavourites();
    void notifyChanged();
    void notifyExternalStateLoad();

    // A macro was renamed: counts as a change of the preset.
    void markModified();

    juce::var getStateForUI() const;

    const std::vector<PresetInfo>& list() const { return presets; }
    const juce::String& currentPresetKey() const { return currentKey; }
    int currentPresetIndex() const { return currentIndex; }
    bool isModified() const { return dirty.load(); }

private:
    void parameterChanged (const juce::String& parameterID, float newValue) override;
    void timerCallback() override;

    juce::File userFolder() const { return getUserPresetDir (company, product); }
    void readFavourites();
    void migrateBareFiles();
    void replaceLiveState (juce::ValueTree tree);
    void runOnMessageThread (std::function<void (PresetManager&)>);
    const PresetInfo* find (const juce::String& key) const;
    PresetMeta metaForNewFile (const juce::String& uuid, const juce::String& name) const;

    juce::AudioProcessorValueTreeState& state;
    juce::String company, product, pluginCode, version;
    FactoryLoader factoryLoader;
    std::vector<FactoryPreset> factoryPresets;
    std::vector<PresetInfo> presets;
    std::set<juce::String> favourites, legacyFavourites;
    juce::String currentKey, currentName, currentCategory;
    int currentIndex = -1;
    std::atomic<bool> dirty { false }, applying { false }, changePending { false };

    JUCE_DECLARE_WEAK_REFERENCEABLE (PresetManager)
};
} // namespace kavro
