#include "presets/PresetFile.h"

namespace kavro::presetfile
{
juce::String newUuid()
{
    juce::Random random; // seeded afresh for each key
    random.setSeedRandomly();
    auto hex = [&random] (int digits) {
        juce::String text;
        for (int i = 0; i < digits; ++i)
            text << juce::String::toHexString (random.nextInt (16));
        return text;
    };
    const char variant = "89ab"[random.nextInt (4)];
    return hex (8) + "-" + hex (4) + "-4" + hex (3) + "-" + juce::String::charToString (variant) + hex (3) + "-" + hex (12);
}

juce::StringArray tagsFromString (const juce::String& text)
{
    juce::StringArray tags;
    tags.addTokens (text, ",", {});
    tags.trim();
    tags.removeEmptyStrings (true);
    return tags;
}

namespace
{
    // The state tree of a PARAMS element, typed exactly as the live tree even when the file's tag
    // differs in case.
    juce::ValueTree stateFrom (const juce::XmlElement& params, const juce::String& paramsTag)
    {
        if (params.getTagName() == paramsTag)
            return juce::ValueTree::fromXml (params);
        juce::XmlElement renamed (params);
        renamed.setTagName (paramsTag);
        return juce::ValueTree::fromXml (renamed);
    }
} // namespace

std::optional<ParsedPreset> readElement (const juce::XmlElement& element, const juce::String& paramsTag)
{
    if (element.getTagName().equalsIgnoreCase (paramsTag))
        return ParsedPreset { stateFrom (element, paramsTag), {}, true };

    const juce::XmlElement* params = nullptr;
    for (auto* child : element.getChildIterator())
    {
        if (child->getTagName().equalsIgnoreCase (paramsTag))
        {
            params = child;
            break;
        }
    }
    if (params == nullptr)
        return std::nullopt;

    auto state = stateFrom (*params, paramsTag);
    if (! state.isValid())
        return std::nullopt;

    PresetMeta meta;
    meta.uuid = element.getStringAttribute ("uuid");
    meta.name = element.getStringAttribute ("name");
    meta.category = element.getStringAttribute ("category");
    meta.tags = tagsFromString (element.getStringAttribute ("tags"));
    meta.author = element.getStringAttribute ("author");
    meta.description = element.getStringAttribute ("description");
    meta.plugin = element.getStringAttribute ("plugin");
    meta.pluginName = element.getStringAttribute ("pluginName");
    meta.pluginVersion = element.getStringAttribute ("pluginVersion");
    meta.created = element.getStringAttribute ("created");
    return ParsedPreset { state, meta, false };
}

std::optional<ParsedPreset> readFile (const juce::File& file, const juce::String& paramsTag)
{
    const auto root = juce::XmlDocument::parse (file);
    if (root == nullptr)
        return std::nullopt;

    auto preset = readElement (*root, paramsTag);
    if (preset && preset->meta.name.isEmpty())
        preset->meta.name = file.getFileNameWithoutExtension();
    return preset;
}

std::unique_ptr<juce::XmlElement> wrap (const PresetMeta& meta, std::unique_ptr<juce::XmlElement> params)
{
    auto preset = std::make_unique<juce::XmlElement> ("KavroPreset");
    preset->setAttribute ("format", "1");
    preset->setAttribute ("uuid", meta.uuid);
    preset->setAttribute ("name", meta.name);
    preset->setAttribute ("category", meta.category);

    auto tags = meta.tags;
    tags.trim();
    tags.removeEmptyStrings (true);
    preset->setAttribute ("tags", tags.joinIntoString (","));
    preset->setAttribute ("author", meta.author);
    if (meta.description.isNotEmpty())
        preset->setAttribute ("description", meta.description);
    preset->setAttribute ("plugin", meta.plugin);
    preset->setAttribute ("pluginName", meta.pluginName);
    preset->setAttribute ("pluginVersion", meta.pluginVersion);
    preset->setAttribute ("created", meta.created);

    preset->addChildElement (params.release());
    return preset;
}

bool write (const juce::XmlElement& document, const juce::File& file)
{
    // The framework's writer goes through a temporary file beside the target and moves it over.
    return file.getParentDirectory().createDirectory() && document.writeTo (file, {});
}

juce::String timestampNow()
{
    return juce::Time::getCurrentTime().toISO8601 (true);
}
} // namespace kavro::presetfile
