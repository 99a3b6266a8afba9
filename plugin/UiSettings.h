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

// Reads the file afresh, sets the given keys and writes it back: multi-line JSON with CRLF line
// endings, through a temporary file so a failed write leaves the old one whole. Write errors are
// ignored; nothing depends on them.
void update (std::initializer_list<std::pair<juce::Identifier, juce::var>> values);

// The oversampling exponent the processor starts with: the stored "oversampling" clamped to 0..2, else 1.
int initialOversamplingIndex();
} // namespace kavro::uisettings
