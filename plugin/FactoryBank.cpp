#include "plugin/FactoryBank.h"

#include "FactoryPresetData.h"

namespace kavro
{
namespace
{
    juce::String resourceText (int index)
    {
        int size = 0;
        const char* data = FactoryPresetData::getNamedResource (FactoryPresetData::namedResourceList[index], size);
        return juce::String::fromUTF8 (data, size);
    }

    std::map<juce::String, FactoryPreset> readManifest()
    {
        std::map<juce::String, FactoryPreset> entries;
        for (int i = 0; i < FactoryPresetData::namedResourceListSize; ++i)
        {
            if (juce::String (FactoryPresetData::originalFilenames[i]) != "manifest.json")
                continue;

            const auto manifest = juce::JSON::parse (resourceText (i));
            if (const auto* array = manifest.getArray())
            {
                for (const auto& item : *array)
                {
                    FactoryPreset entry;
                    entry.name = item["name"].toString();
                    entry.category = item["category"].toString();
                    entry.uuid = item["uuid"].toString();
                    entry.author = item["author"].toString();
                    entry.description = item["description"].toString();
                    if (const auto* tags = item["tags"].getArray())
                        for (const auto& tag : *tags)
                            entry.tags.add (tag.toString());
                    entries[entry.name] = entry;
                }
            }
        }
        return entries;
    }
} // namespace

std::vector<FactoryPreset> loadFactoryPresets()
{
    const auto manifest = readManifest();
    std::vector<FactoryPreset> bank;

    for (int i = 0; i < FactoryPresetData::namedResourceListSize; ++i)
    {
        const juce::String fileName = FactoryPresetData::originalFilenames[i];
        if (! fileName.endsWithIgnoreCase (".preset"))
            continue;

        const auto base = fileName.upToLastOccurrenceOf (".", false, false);
        const auto xml = juce::parseXML (resourceText (i));
        const auto preset = xml != nullptr ? presetfile::readElement (*xml, "PARAMS") : std::nullopt;
        if (! preset)
            continue;

        // The file's own metadata wins over the manifest's where it has any.
        const auto fromManifest = manifest.find (base);
        FactoryPreset entry = fromManifest != manifest.end() ? fromManifest->second : FactoryPreset {};
        const auto& meta = preset->meta;
        if (! preset->legacy)
        {
            for (auto [field, value] : { std::pair { &entry.uuid, meta.uuid }, { &entry.category, meta.category },
                                         { &entry.author, meta.author }, { &entry.description, meta.description } })
                if (value.isNotEmpty())
                    *field = value;
            if (! meta.tags.isEmpty())
                entry.tags = meta.tags;
        }
        entry.name = ! preset->legacy && meta.name.isNotEmpty() ? meta.name : base;
        if (entry.uuid.isEmpty())
            entry.uuid = "factory:" + entry.name;
        entry.xml = preset->state.toXmlString();
        bank.push_back (std::move (entry));
    }
    return bank;
}
} // namespace kavro
