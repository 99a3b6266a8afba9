#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// A built-in test signal, made in code so that no audio file is needed: 8 seconds of stereo at
// 48 kHz at 120 BPM with kick, snare and hat hits, a sustained chord drifting across the stereo
// field, and a faint noise floor. Always the same samples.
namespace kavro::demo
{
inline constexpr double sampleRate = 48000.0;
inline constexpr double seconds = 8.0;

juce::AudioBuffer<float> makeDemoSignal();
} // namespace kavro::demo
