#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

// Measurements for judging renders by ear's proxies: brightness, width and movement.
namespace kavro::analysis
{
// Spectral centroid in Hz of the mono sum of a stretch of audio (Hann window, next power of two).
double spectralCentroid (const juce::AudioBuffer<float>&, int start, int numSamples, double sampleRate);

// The centroid of consecutive windows of windowSeconds, over the whole buffer.
std::vector<double> centroidTrace (const juce::AudioBuffer<float>&, double sampleRate, double windowSeconds);

// Correlation of left and right: 1 mono, 0 unrelated, -1 opposite. 1 for a mono buffer or silence.
double stereoCorrelation (const juce::AudioBuffer<float>&);
} // namespace kavro::analysis
