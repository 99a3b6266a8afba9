#pragma once

#include "presets/PresetManager.h"

namespace kavro
{
// The factory presets embedded in the plug-in, merged with the embedded manifest.
std::vector<FactoryPreset> loadFactoryPresets();
} // namespace kavro
