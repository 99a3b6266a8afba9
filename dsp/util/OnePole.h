#pragma once

#include <cmath>

namespace kavro
{
// Coefficient c of a one-pole follower y += (x - y) c with the given time constant.
inline float onePoleForTime (double seconds, double sampleRate)
{
    return (float) (1.0 - std::exp (-1.0 / (seconds * sampleRate)));
}

// The same for a corner frequency.
inline float onePoleForFrequency (double hz, double sampleRate)
{
    return (float) (1.0 - std::exp (-6.283185307179586 * hz / sampleRate));
}
} // namespace kavro
