#pragma once

#include <vector>

namespace kavro
{
// A feedback comb tuned to the cutoff (delay = one period), read with Lagrange interpolation. Its
// polarity flips for Low Cut, swinging over 3 ms so the flip never clicks.
class CombFilter
{
public:
    void prepare (double sampleRate);
    void reset();

    void setPolarityTarget (float target) { polarityTarget = target; }

    void setCutoff (float cutoffHz);
    void setResonance (float resonance);

    float process (float x);

    float delaySamples() const { return delay; }

private:
    double sampleRate = 44100.0;
    std::vector<float> buffer;
    int writeIndex = 0;
    float cutoff = 1000.0f;
    float delay = 44.1f;
    float feedback = 0.66f;
    float polarity = 1.0f, polarityTarget = 1.0f, polarityStep = 1.0f;
};
} // namespace kavro
