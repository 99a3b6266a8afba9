#pragma once

#include "dsp/util/FastMath.h"

#include <algorithm>

namespace kavro
{
// An aggressive state-variable filter: its band-pass integrator runs through tanh, the output is
// DC-blocked and passes twice through a 15.5 kHz low-pass around a gentle fifth-order shaper.
// Double precision, for both channels.
class BiteFilter
{
public:
    enum Tap
    {
        highPass,
        bandPass, // saturated
        lowPass
    };

    void prepare (double sampleRate);
    void reset();

    void setTap (int newTap);

    void setCoefficients (int channel, float cutoffHz, float resonance)
    {
        const double x = std::clamp ((resonance - 0.1) / 9.9, 0.0, 1.0);
        const double f = cutoffHz / sampleRate;
        g[channel] = fastmath::tanQuarter (3.14159265358979323846 * (f < 0.00001 ? 0.00001 : std::min (f, 0.49)));
        k[channel] = 1.0 / (12.0 * x * x + (tap == bandPass ? 0.5 : 0.7071));
        h[channel] = 1.0 / (g[channel] * g[channel] + k[channel] * g[channel] + 1.0);
    }

    float process (int channel, float input)
    {
        const double x = std::clamp ((double) input, -1.0, 1.0);
        auto& a = s1[channel];
        auto& b = s2[channel];
        const double gc = g[channel], kc = k[channel];

        const double hp = (x - (gc + kc) * a - b) * h[channel];
        const double bp = a + gc * hp;
        a = bp + gc * hp;
        const double t = fastmath::tanh (bp);
        const double lp = b + gc * t;
        b = lp + gc * t;

        const double taps[3] = { hp, t, lp };
        double y = taps[tap];
        if (fadeRemaining[channel] > 0)
        {
            const double q = (double) fadeRemaining[channel] / fadeLength;
            y = y * (1.0 - q) + taps[previousTap] * q;
            --fadeRemaining[channel];
        }

        dcState[channel] = (1.0 - dcCoeff) * dcState[channel] + dcCoeff * y;
        const double e = y - dcState[channel];

        const double o = std::clamp (postLowPass (e, z1a[channel], z2a[channel]), -1.0, 1.0);
        const double o2 = o * o;
        const double w = o - 0.1768 * o2 * o2 * o;
        return (float) postLowPass (w, z1b[channel], z2b[channel]);
    }

private:
    double postLowPass (double in, double& z1, double& z2) const
    {
        const double out = b0 * in + z1;
        z1 = b1 * in - a1 * out + z2;
        z2 = b2 * in - a2 * out;
        return out;
    }

    double sampleRate = 44100.0;
    int tap = bandPass, previousTap = bandPass;
    int fadeLength = 1;
    int fadeRemaining[2] {};
    double dcCoeff = 0.00069;
    double g[2] {}, k[2] { 1.0, 1.0 }, h[2] { 1.0, 1.0 }, s1[2] {}, s2[2] {};
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
    double z1a[2] {}, z2a[2] {}, z1b[2] {}, z2b[2] {};
    double dcState[2] {};
};
} // namespace kavro
