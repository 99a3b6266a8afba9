#include "dsp/filters/CleanSvf.h"

#include <algorithm>

namespace kavro
{
void CleanSvf::prepare (double newSampleRate)
{
    sampleRate = newSampleRate;
    piOverSampleRate = 3.14159265358979323846 / sampleRate;
    maxCutoff = (float) (0.49 * sampleRate);
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

    // The noise moves the cutoff every sample; resonance rarely moves, so its terms are kept.
    if (newResonance != storedResonance)
    {
        storedResonance = newResonance;
        updateResonanceTerms();
    }
    storedCutoff = cutoffHz;
    updateCutoffTerms();
    return true;
}

void CleanSvf::updateCoefficients()
{
    updateResonanceTerms();
    updateCutoffTerms();
}

void CleanSvf::updateResonanceTerms()
{
    k = 1.0f / std::max (storedResonance, 0.05f);
    drive = storedResonance < 2.0f ? 0.0f : std::min ((storedResonance - 2.0f) * 0.125f, 1.0f) * 0.9f;
}

void CleanSvf::updateCutoffTerms()
{
    const float hz = storedCutoff < 10.0f ? 10.0f : std::min (storedCutoff, maxCutoff);
    g = (float) fastmath::tanQuarter (hz * piOverSampleRate);
    h = 1.0f / (1.0f + k * g + g * g);
}
} // namespace kavro
