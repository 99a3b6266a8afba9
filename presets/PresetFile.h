#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <optional>

// The preset document: a KavroPreset element with descriptive attributes around the plug-in's
// PARAMS state tree. Reading and writing only; folders and lists belong to the preset manager.
namespace kavro
{
struct PresetMeta
{
    juce::String uuid, name, category;
    juce::StringArray tags;
    juce::String author, description, plugin, pluginName, pluginVersion, created;
};

struct ParsedPreset
{
    juce::ValueTree state; // type PARAMS
    PresetMeta meta;
    bool legacy = false; // a bare PARAMS tree of the older release, without metadata
};

namespace presetfile
{
    // A version-4 UUID in lower-case hex, 8-4-4-4-12, from a freshly seeded generator.
    juce::String newUuid();

    // Tags from comma-separated text: pieces trimmed, empty ones dropped, order and duplicates kept.
    juce::StringArray tagsFromString (const juce::String& text);

    // A preset from a parsed element: a bare PARAMS root (legacy), or any root with a PARAMS child
    // (tag names compare without case). Empty when the element is not a preset.
    std::optional<ParsedPreset> readElement (const juce::XmlElement&, const juce::String& paramsTag);

    // As readElement for the file's root; a preset without a name takes the file's name.
    std::optional<ParsedPreset> readFile (const juce::File&, const juce::String& paramsTag);

    // The KavroPreset element for the metadata, taking ownership of the PARAMS element.
    std::unique_ptr<juce::XmlElement> wrap (const PresetMeta&, std::unique_ptr<juce::XmlElement> params);

    // Writes a document through a temporary file moved over the target: a failed write leaves the
    // old file as it was. Returns false when the file could not be written.
    bool write (const juce::XmlElement&, const juce::File&);

    // The time now in the form the created attribute uses (2026-07-20T11:01:15.351+02:00).
    juce::String timestampNow();
} // namespace presetfile
} // namespace kavro
