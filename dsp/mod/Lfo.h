#pragma once

#include "dsp/mod/SourceSmoothers.h"

#include <juce_audio_basics/juce_audio_basics.h>

namespace kavro
{
// A low-frequency oscillator with ten waves, free or locked to the host's tempo and position. Its
// random waves draw from a generator of its own that restarts from a fixed seed at every prepare.
class Lfo
{
public:
    enum Wave
    {
        sine, triangle, saw, square, sampleAndHold, smoothRandom, duckA, duckB, gateA, gateB
    };

    // Cycle length in quarter-note beats of each sync division, longest first.
    static float divisionBeats (int division);

    Lfo() { random.setSeedRandomly(); }

    void prepare (double sampleRate, juce::int64 seed);
    void reset();

    float shape (float phase) const;

    void setWave (int newWave) { wave = newWave; }
    void setRate (double hz) { increment = sampleRate > 0.0 ? (float) (hz / sampleRate) : 0.0f; }
    void lockPhase (double ppq, int division);

    float phaseNow() const { return phase; }

    // One sample: the wave at the current phase, then the phase advances.
    float tick()
    {
        float y = shape (phase);
        phase += increment;
        if (phase >= 1.0f)
        {
            phase -= 1.0f;
            held = next;
            next = draw();
        }

        // Jumping waves pass a 1.5 ms smoother; the others set its state so a switch starts in place.
        if (wave == saw || wave == square || wave == sampleAndHold)
            y = smootherState += (y - smootherState) * smootherCoeff;
        else
            smootherState = y;
        return y;
    }

private:
    float draw() { return 2.0f * random.nextFloat() - 1.0f; }

    double sampleRate = 44100.0;
    float phase = 0.0f, increment = 0.0f;
    float held = 0.0f, next = 0.0f;
    float smootherState = 0.0f, smootherCoeff = 1.0f;
    int wave = sine;
    juce::Random random;
};

// An LFO with its smoothed depth (the smoothers' gain) and its smoothed per-sample amounts.
struct LfoBank
{
    Lfo lfo;
    SourceSmoothers smoothers;
};
} // namespace kavro
