#pragma once

#include <juce_core/juce_core.h>

// A JSON object from name/value pairs: jsonObject ({ { "type", "ready" }, { "window", 0 } }).
inline juce::var jsonObject (std::initializer_list<std::pair<const char*, juce::var>> properties)
{
    auto* result = new juce::DynamicObject();
    for (const auto& [name, value] : properties)
        result->setProperty (name, value);
    return result;
}
