#include "dsp/filters/CombFilter.h"

#include "dsp/util/FastMath.h"
#include "dsp/util/Lagrange.h"

#include <algorithm>
#include <cmath>

namespace kavro
{
void CombFilter::prepare (double newSampleRate)
{
    sampleRate = newSampleRate;
    buffer.assign ((size_t) std::max (4, (int) (sampleRate / 20.0) + 4), 0.0f); // one period at 20 Hz
    polarityStep = 2.0f / (float) std::max (0.003 * sampleRate, 1.0);
    reset();
    const float stored = cutoff;
    cutoff = -1.0f;
    setCutoff (stored);
}

void CombFilter::reset()
{
    std::fill (buffer.begin(), buffer.end(), 0.0f);
    writeIndex = 0;
    polarity = polarityTarget;
}

void CombFilter::setCutoff (float cutoffHz)
{
    if (cutoffHz == cutoff)
        return;
    cutoff = cutoffHz;
    if (! buffer.empty())
        delay = std::clamp ((float) (sampleRate / std::max (cutoffHz, 1.0f)), 1.0f, (float) buffer.size() - 2.0f);
}

void CombFilter::setResonance (float resonance)
{
    feedback = 0.31f * std::sqrt (std::clamp ((resonance - 0.1f) / 9.9f, 0.0f, 1.0f)) + 0.66f;
}

float CombFilter::process (float x)
{
    polarity = polarity < polarityTarget ? std::min (polarity + polarityStep, polarityTarget)
                                         : std::max (polarity - polarityStep, polarityTarget);

    const int length = (int) buffer.size();
    double readPosition = (double) writeIndex - (double) delay;
    if (readPosition < 0.0)
        readPosition += length;
    if (readPosition >= length) // rounding of a tiny negative position
        readPosition -= length;

    const float d = readLagrange (buffer.data(), length, readPosition);
    const float out = std::clamp (x + fastmath::tanh (d) * polarity * feedback, -10000.0f, 10000.0f);
    buffer[(size_t) writeIndex] = out;
    if (++writeIndex == length)
        writeIndex = 0;
    return out;
}
} // namespace kavro
