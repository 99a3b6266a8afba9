#include "AudioAnalysis.h"

#include <juce_dsp/juce_dsp.h>

namespace kavro::analysis
{
double spectralCentroid (const juce::AudioBuffer<float>& audio, int start, int numSamples, double sampleRate)
{
    const int order = juce::jlimit (4, 16, (int) std::ceil (std::log2 (std::max (numSamples, 16))));
    const int size = 1 << order;
    juce::dsp::FFT fft (order);
    std::vector<float> data ((size_t) size * 2, 0.0f);

    for (int i = 0; i < numSamples && i < size; ++i)
    {
        float mono = 0.0f;
        for (int ch = 0; ch < audio.getNumChannels(); ++ch)
            mono += audio.getSample (ch, start + i);
        const double hann = 0.5 - 0.5 * std::cos (juce::MathConstants<double>::twoPi * i / std::max (numSamples - 1, 1));
        data[(size_t) i] = (float) (mono / audio.getNumChannels() * hann);
    }
    fft.performFrequencyOnlyForwardTransform (data.data());

    double weighted = 0.0, total = 0.0;
    for (int bin = 1; bin <= size / 2; ++bin)
    {
        const double magnitude = data[(size_t) bin];
        weighted += magnitude * bin * sampleRate / size;
        total += magnitude;
    }
    return total > 0.0 ? weighted / total : 0.0;
}

std::vector<double> centroidTrace (const juce::AudioBuffer<float>& audio, double sampleRate, double windowSeconds)
{
    const int window = std::max (16, (int) (windowSeconds * sampleRate));
    std::vector<double> trace;
    for (int start = 0; start + window <= audio.getNumSamples(); start += window)
        trace.push_back (spectralCentroid (audio, start, window, sampleRate));
    return trace;
}

double stereoCorrelation (const juce::AudioBuffer<float>& audio)
{
    if (audio.getNumChannels() < 2)
        return 1.0;
    double lr = 0.0, ll = 0.0, rr = 0.0;
    for (int i = 0; i < audio.getNumSamples(); ++i)
    {
        const double l = audio.getSample (0, i), r = audio.getSample (1, i);
        lr += l * r;
        ll += l * l;
        rr += r * r;
    }
    return ll > 0.0 && rr > 0.0 ? lr / std::sqrt (ll * rr) : 1.0;
}
} // namespace kavro::analysis
