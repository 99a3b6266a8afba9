// velbrook-analyse: level, brightness, width and movement of a rendered file.

#include "AudioAnalysis.h"
#include "OfflineHost.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_events/juce_events.h>

#include <iostream>

int main (int argc, char* argv[])
{
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    const juce::StringArray args (argv + 1, argc - 1);
    if (args.size() < 1 || args.contains ("--help"))
    {
        std::cout << "usage: velbrook-analyse FILE.wav [--trace SECONDS]\n"
                     "  prints level, spectral centroid and stereo correlation; --trace also the centroid\n"
                     "  of each window of SECONDS\n";
        return args.contains ("--help") ? 0 : 2;
    }

    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (args[0]);
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));
    if (reader == nullptr || reader->lengthInSamples > std::numeric_limits<int>::max() / 2)
    {
        std::cerr << "velbrook-analyse: cannot read " << file.getFullPathName() << '\n';
        return 2;
    }

    juce::AudioBuffer<float> audio ((int) reader->numChannels, (int) reader->lengthInSamples);
    reader->read (&audio, 0, audio.getNumSamples(), 0, true, true);
    const double sr = reader->sampleRate;

    const auto levels = kavro::measureLevels (audio);
    std::cout << file.getFileName() << ": peak " << juce::String (levels.peakDb, 1) << " dBFS, RMS "
              << juce::String (levels.rmsDb, 1) << " dBFS, centroid "
              << juce::roundToInt (kavro::analysis::spectralCentroid (audio, 0, audio.getNumSamples(), sr))
              << " Hz, correlation " << juce::String (kavro::analysis::stereoCorrelation (audio), 2) << '\n';

    const int traceIndex = args.indexOf ("--trace");
    if (traceIndex >= 0)
    {
        const double window = args[traceIndex + 1].getDoubleValue();
        if (window <= 0.0)
        {
            std::cerr << "velbrook-analyse: --trace needs a window length in seconds\n";
            return 2;
        }
        double t = 0.0;
        for (double hz : kavro::analysis::centroidTrace (audio, sr, window))
        {
            std::cout << juce::String (t, 3) << " s\t" << juce::roundToInt (hz) << " Hz\n";
            t += window;
        }
    }
    return 0;
}
