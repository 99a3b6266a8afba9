#pragma once

#include <juce_core/juce_core.h>

namespace kavro
{
// The candidates nearest to a mistyped name, best first (case-insensitive edit distance).
juce::StringArray closestMatches (const juce::String& typed, const juce::StringArray& candidates, int maxResults = 3);
} // namespace kavro
