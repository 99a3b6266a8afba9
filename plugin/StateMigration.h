#pragma once

#include <juce_data_structures/juce_data_structures.h>

// Upgrades a parameter state tree written by any earlier release, in place. Host projects and
// preset files both pass through here before they become live.
namespace kavro::migration
{
inline constexpr int currentSchemaVersion = 2;

// LFO depth once scaled the noise amount directly; it now lives in the lfoToAmount route.
void migrateLegacyLfoState (juce::ValueTree& state);

// Trees before schema 2 stored sync divisions in the old ten-entry list.
void migrateLfoDivisionOrder (juce::ValueTree& state);

// Every parameter the tree does not know, or holds no finite number for, takes its default.
void fillMissingParamsWithDefaults (juce::ValueTree& state);

// All of the above in order, then stamps the current schema version.
void migrateState (juce::ValueTree& state);
} // namespace kavro::migration
