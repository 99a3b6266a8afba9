#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cmath>
#include <vector>

// Small measuring tools for tests that listen to audio rather than read internals.
namespace testsignals
{
inline std::vector<float> sine (double hz, double sampleRate, int numSamples, float amplitude = 0.5f)
{
    std::vector<float> x ((size_t) numSamples);
    for (int i = 0; i < numSamples; ++i)
        x[(size_t) i] = amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * hz * i / sampleRate);
    return x;
}

inline double rms (const float* x, int from, int to)
{
    double sum = 0.0;
    for (int i = from; i < to; ++i)
        sum += (double) x[i] * x[i];
    return to > from ? std::sqrt (sum / (to - from)) : 0.0;
}

inline double rms (const std::vector<float>& x, int from = 0) { return rms (x.data(), from, (int) x.size()); }

inline double toDb (double gain) { return 20.0 * std::log10 (std::max (gain, 1.0e-12)); }

// Runs a per-sample process over a sine and returns its steady-state gain in dB.
template <typename Process>
double gainAtDb (Process&& process, double hz, double sampleRate, double seconds = 0.5)
{
    auto x = sine (hz, sampleRate, (int) (seconds * sampleRate));
    std::vector<float> y (x.size());
    for (size_t i = 0; i < x.size(); ++i)
        y[i] = process (x[i]);
    const int settled = (int) x.size() / 2;
    return toDb (rms (y, settled) / rms (x, settled));
}
} // namespace testsignals
