#include "plugin/UiSettings.h"

#include "presets/PresetManager.h"

namespace kavro::uisettings
{
juce::File productFolder()
{
    return PresetManager::getUserPresetDir ("KAVRO", "Velbrook").getParentDirectory();
}

juce::File file()
{
    return productFolder().getChildFile ("ui-settings.json");
}

juce::var read()
{
    const auto settingsFile = file();
    if (settingsFile.existsAsFile())
    {
        auto parsed = juce::JSON::parse (settingsFile.loadFileAsString());
        if (parsed.getDynamicObject() != nullptr)
            return parsed;
    }
    return new juce::DynamicObject();
}

void update (std::initializer_list<std::pair<juce::Identifier, juce::var>> values)
{
    auto settings = read();
    for (const auto& [key, value] : values)
        settings.getDynamicObject()->setProperty (key, value);

    const auto settingsFile = file();
    settingsFile.getParentDirectory().createDirectory();
    settingsFile.replaceWithText (juce::JSON::toString (settings, false), false, false, "\r\n");
}

int initialOversamplingIndex()
{
    const auto settings = read();
    if (! settings.hasProperty ("oversampling"))
        return 1;
    return juce::jlimit (0, 2, (int) settings["oversampling"]);
}
} // namespace kavro::uisettings
