#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <vector>

struct RenderOptions
{
    bool showHelp = false;
    bool listParams = false;
    bool listPresets = false;
    juce::String preset; // name or key

    juce::String input; // a path, or "demo"
    juce::File output;

    struct Assignment
    {
        juce::String id;
        juce::String value;
    };
    std::vector<Assignment> assignments;

    juce::File stateIn;
    juce::File stateOut;
    std::optional<int> oversampling;
    int blockSize = 512;
    double tempo = 120.0;
    bool stopped = false;
    double ppqStart = 0.0;
    double tailSeconds = 0.0;
};

// Fills options from the command line; returns an error text, empty when the line is valid.
juce::String parseRenderOptions (const juce::StringArray& args, RenderOptions& options);

// Parses the whole text as a finite number.
std::optional<double> parseNumber (const juce::String& text);

extern const char* const renderUsage;
