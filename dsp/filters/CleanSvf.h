#pragma once

#include "dsp/util/FastMath.h"

namespace kavro
{
// A resonant state-variable stage whose feedback path saturates once resonance passes 2; switching
// its output tap crossfades over 3 ms.
class CleanSvf
{
public:
    enum Tap
    {
        lowPass,
        bandPass,
        highPass
    };

    struct Taps
    {
        float lp, bp, hp;
        float operator[] (int tap) const { return tap == lowPass ? lp : (tap == bandPass ? bp : hp); }
    };

    void prepare (double sampleRate);
    void reset();

    // Selects the output tap; a change crossfades from the previous one.
    void setTap (int newTap);

    // Recomputes the coefficients when cutoff or resonance moved. Returns false when nothing changed.
    bool setCutoffAndResonance (float cutoffHz, float resonance);

    float process (float x)
    {
        const float sat = drive == 0.0f ? s1 : s1 + drive * (fastmath::tanh (s1) - s1);
        Taps t;
        t.hp = (x - g * s1 - k * sat - s2) * h;
        t.bp = g * t.hp + s1;
        t.lp = g * t.bp + s2;
        s1 = clampState (t.bp + g * t.hp);
        s2 = clampState (t.lp + g * t.bp);

        float y = t[tap];
        if (fadeRemaining > 0)
        {
            const float q = (float) fadeRemaining / (float) fadeLength;
            y = (1.0f - q) * y + q * t[previousTap];
            --fadeRemaining;
        }
        return y;
    }

    float cutoff() const { return storedCutoff; }
    float resonance() const { return storedResonance; }

private:
    static float clampState (float v) { return v < -10000.0f ? -10000.0f : (v > 10000.0f ? 10000.0f : v); }
    void updateCoefficients();
    void updateResonanceTerms();
    void updateCutoffTerms();

    double sampleRate = 44100.0;
    double piOverSampleRate = 3.14159265358979323846 / 44100.0;
    float maxCutoff = 0.49f * 44100.0f;
    int tap = bandPass, previousTap = bandPass;
    int fadeRemaining = 0, fadeLength = 1;
    float storedCutoff = 1000.0f, storedResonance = 0.7071f;
    float g = 0.0f, k = 1.0f, h = 1.0f;
    float s1 = 0.0f, s2 = 0.0f;
    float drive = 0.0f;
};
} // namespace kavro
