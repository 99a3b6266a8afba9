#include "dsp/filters/CleanSvf.h"

#include <algorithm>

namespace kavro
{
void CleanSvf::prepare (double newSampleRate)
{
    sampleRate = newSampleRate;
    fadeLength = std::max (1, (int) (0.003 * sampleRate));
    reset();
    updateCoefficients();
}

void CleanSvf::reset()
{
    s1 = s2 = 0.0f;
    fadeRemaining = 0;
}

void CleanSvf::setTap (int newTap)
{
    if (newTap == tap)
        return;
    previousTap = tap;
    tap = newTap;
    fadeRemaining = fadeLength;
}

bool CleanSvf::setCutoffAndResonance (float cutoffHz, float newResonance)
{
    if (cutoffHz == storedCutoff && newResonance == storedResonance)
        return false;
    storedCutoff = cutoffHz;
    storedResonance = newResonance;
    updateCoefficients();
    return true;
}

void CleanSvf::updateCoefficients()
{
    const double pi = 3.14159265358979323846;
    g = storedCutoff < 10.0f ? (float) std::tan (10.0 * pi / sampleRate)
                             : (float) std::tan (pi * std::min ((double) storedCutoff, 0.49 * sampleRate) / sampleRate);
    k = 1.0f / std::max (storedResonance, 0.05f);
    h = 1.0f / (1.0f + k * g + g * g);
    drive = storedResonance < 2.0f ? 0.0f : std::min ((storedResonance - 2.0f) * 0.125f, 1.0f) * 0.9f;
}
} // namespace kavro
