#include "dsp/filters/BiteFilter.h"

namespace kavro
{
void BiteFilter::prepare (double newSampleRate)
{
    sampleRate = newSampleRate;
    dcCoeff = 0.00069 / (sampleRate / 44100.0);
    fadeLength = std::max (1, (int) (0.003 * sampleRate));

    // Second-order low-pass at 15.5 kHz, Q 0.935.
    const double K = std::tan (3.14159265358979323846 * 15500.0 / sampleRate);
    const double K2 = K * K;
    const double Kq = K / 0.935;
    const double norm = 1.0 / (1.0 + Kq + K2);
    b0 = b2 = K2 * norm;
    b1 = 2.0 * b0;
    a1 = 2.0 * (K2 - 1.0) * norm;
    a2 = (1.0 - Kq + K2) * norm;

    reset();
}

void BiteFilter::reset()
{
    for (int ch = 0; ch < 2; ++ch)
    {
        s1[ch] = s2[ch] = 0.0;
        z1a[ch] = z2a[ch] = z1b[ch] = z2b[ch] = 0.0;
        dcState[ch] = 0.0;
        fadeRemaining[ch] = 0;
    }
}

void BiteFilter::setTap (int newTap)
{
    if (newTap == tap)
        return;
    previousTap = tap;
    tap = newTap;
    fadeRemaining[0] = fadeRemaining[1] = fadeLength;
}
} // namespace kavro
