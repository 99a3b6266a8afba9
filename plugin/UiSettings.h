#pragma once

#include <juce_core/juce_core.h>

// The per-user settings file shared by the editor, the page and the processor. It lives beside the
// user preset folder: <user application data>/KAVRO/Velbrook/ui-settings.json.
namespace kavro::uisettings
{
juce::File productFolder();
juce::File file();

// The whole file as a JSON object; an empty object when the file is missing, unreadable or not an object.
juce::var read();

// The oversampling exponent the processor starts with: the stored "oversampling" clamped to 0..2, else 1.
int initialOversamplingIndex();
} // namespace kavro::uisettings
