#include "RenderOptions.h"

#include <cmath>

const char* const renderUsage =
    R"(usage: velbrook-render IN OUT [options]
       velbrook-render --list-params

  IN                  an audio file (WAV or AIFF), or "demo" for the built-in 8-second test signal
  OUT                 the rendered 32-bit float WAV (same rate and channel count as IN)

  --preset NAME|KEY   start from a factory or user preset (applied before --state and --set)
  --set ID=VALUE      set a parameter to a plain value (a choice may be given by its text); repeatable
  --state FILE        restore a saved plug-in state first
  --save-state FILE   write the plug-in state after rendering
  --oversampling N    0 (off), 1 (2x) or 2 (4x)
  --block N           block size, 1 to 65536 (default 512)
  --tempo BPM         tempo the play head reports, 1 to 999 (default 120)
  --stopped           the host transport is stopped (default: playing)
  --ppq-start BEATS   the transport's position at the start, in quarter notes (default 0)
  --tail SECONDS      silence rendered after the input, 0 to 600 (default 0)
  --list-params       list every parameter in registration order
  --list-presets      list the presets: key, name, category, tags, source
)";

std::optional<double> parseNumber (const juce::String& text)
{
    const auto trimmed = text.trim();
    if (trimmed.isEmpty())
        return std::nullopt;

    const auto utf8 = trimmed.toStdString();
    char* end = nullptr;
    const double value = std::strtod (utf8.c_str(), &end);
    if (end != utf8.c_str() + utf8.size() || ! std::isfinite (value))
        return std::nullopt;
    return value;
}

namespace
{
    juce::String parseRanged (const juce::String& option, const juce::String& text, double low, double high, double& out)
    {
        const auto value = parseNumber (text);
        if (! value)
            return option + " needs a number, got \"" + text + "\"";
        if (*value < low || *value > high)
            return option + " must be between " + juce::String (low) + " and " + juce::String (high) + ", got " + text;
        out = *value;
        return {};
    }

    juce::String parseWhole (const juce::String& option, const juce::String& text, int low, int high, int& out)
    {
        double value = 0.0;
        if (auto error = parseRanged (option, text, low, high, value); error.isNotEmpty())
            return error;
        if (value != std::floor (value))
            return option + " needs a whole number, got " + text;
        out = (int) value;
        return {};
    }
} // namespace

juce::String parseRenderOptions (const juce::StringArray& args, RenderOptions& options)
{
    juce::StringArray positional;

    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        auto next = [&] (juce::String& value) -> juce::String
        {
            if (i + 1 >= args.size())
                return arg + " needs a value";
            value = args[++i];
            return {};
        };

        juce::String value, error;

        if (arg == "--help" || arg == "-h")
            options.showHelp = true;
        else if (arg == "--list-params")
            options.listParams = true;
        else if (arg == "--list-presets")
            options.listPresets = true;
        else if (arg == "--preset")
            error = next (options.preset);
        else if (arg == "--set")
        {
            if ((error = next (value)).isEmpty())
            {
                if (! value.contains ("=") || value.upToFirstOccurrenceOf ("=", false, false).trim().isEmpty())
                    error = "--set needs ID=VALUE, got \"" + value + "\"";
                else
                    options.assignments.push_back ({ value.upToFirstOccurrenceOf ("=", false, false).trim(),
                                                     value.fromFirstOccurrenceOf ("=", false, false).trim() });
            }
        }
        else if (arg == "--state")
        {
            if ((error = next (value)).isEmpty())
                options.stateIn = juce::File::getCurrentWorkingDirectory().getChildFile (value);
        }
        else if (arg == "--save-state")
        {
            if ((error = next (value)).isEmpty())
                options.stateOut = juce::File::getCurrentWorkingDirectory().getChildFile (value);
        }
        else if (arg == "--oversampling")
        {
            int index = 0;
            if ((error = next (value)).isEmpty() && (error = parseWhole (arg, value, 0, 2, index)).isEmpty())
                options.oversampling = index;
        }
        else if (arg == "--block")
        {
            if ((error = next (value)).isEmpty())
                error = parseWhole (arg, value, 1, 65536, options.blockSize);
        }
        else if (arg == "--tempo")
        {
            if ((error = next (value)).isEmpty())
                error = parseRanged (arg, value, 1.0, 999.0, options.tempo);
        }
        else if (arg == "--stopped")
            options.stopped = true;
        else if (arg == "--ppq-start")
        {
            if ((error = next (value)).isEmpty())
                error = parseRanged (arg, value, 0.0, 1.0e6, options.ppqStart);
        }
        else if (arg == "--tail")
        {
            if ((error = next (value)).isEmpty())
                error = parseRanged (arg, value, 0.0, 600.0, options.tailSeconds);
        }
        else if (arg.startsWith ("--"))
            error = "unknown option " + arg;
        else
            positional.add (arg);

        if (error.isNotEmpty())
            return error;
    }

    if (options.showHelp || options.listParams || options.listPresets)
        return {};

    if (positional.size() != 2)
        return "expected IN and OUT, got " + juce::String (positional.size()) + " file argument(s); see --help";

    options.input = positional[0];
    options.output = juce::File::getCurrentWorkingDirectory().getChildFile (positional[1]);
    return {};
}
