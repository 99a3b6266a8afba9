#include "dsp/mod/EnvelopeFollower.h"

#include <cmath>

namespace kavro
{
void EnvelopeFollower::prepare (double newSampleRate, int maxBlockSize)
{
    sampleRate = newSampleRate > 0.0 ? (float) newSampleRate : 48000.0f;
    out.assign ((size_t) std::max (maxBlockSize, 1), 0.0f);
    derivedValid = false;
    updateDerived();
    reset();
}

void EnvelopeFollower::grow (int numSamples)
{
    out.assign ((size_t) numSamples, 0.0f);
    reset();
}

void EnvelopeFollower::reset()
{
    lp = 0.0f;
    envelope = followHold = 0.0f;
    peak = 0.0f;
    armed = true;
    sinceTrigger = 268435456; // the first crossing triggers at once
    stage = idle;
    level = triggerHold = 0.0f;
}

void EnvelopeFollower::updateDerived()
{
    const float fs = sampleRate;
    auto coefficient = [fs] (float ms) { return std::exp (-1.0f / (std::max (ms, 0.01f) * 0.001f * fs)); };
    auto increment = [fs] (float ms) {
        const float n = std::max (ms, 0.0f) * 0.001f * fs;
        return n >= 1.0f ? 1.0f / n : 1.0f;
    };

    attackCoeff = coefficient (settings.attackMs);
    decayCoeff = coefficient (settings.decayMs);
    attackIncrement = increment (settings.attackMs);
    decayIncrement = increment (settings.decayMs);
    holdLength = std::max (settings.holdMs, 0.0f) * 0.001f * fs;
    inputCoeff = 1.0f - std::exp (-188.49556f / fs); // 30 Hz high-pass
    thresholdLevel = settings.thresholdDb > -100.0f ? std::pow (10.0f, settings.thresholdDb / 20.0f) : 0.0f;
    rearmLevel = settings.thresholdDb - 10.0f > -100.0f ? std::pow (10.0f, (settings.thresholdDb - 10.0f) / 20.0f) : 0.0f;
    peakCoeff = std::exp (-1.0f / std::max (0.005f * fs, 1.0f));

    const float seconds = settings.tempo < 20.0f ? 0.75f : 0.25f * 60.0f / std::min (settings.tempo, 400.0f);
    minInterval = std::max (1, (int) (fs * seconds));
}

void EnvelopeFollower::process (const Settings& newSettings, const float* sidechain, int numSamples)
{
    jassert (numSamples <= (int) out.size()); // the engine grows the follower before a longer block
    numSamples = std::min (numSamples, (int) out.size());

    if (! derivedValid || ! (newSettings == settings))
    {
        settings = newSettings;
        updateDerived();
        derivedValid = true;
    }

    for (int i = 0; i < numSamples; ++i)
    {
        const float x = sidechain != nullptr ? sidechain[i] : 0.0f;
        lp += (x - lp) * inputCoeff;
        const float r = std::abs (x - lp);
        float y;

        if (! settings.trigger)
        {
            if (r >= envelope)
            {
                envelope = r + (envelope - r) * attackCoeff;
                followHold = holdLength;
            }
            else if (followHold > 0.0f)
                followHold -= 1.0f;
            else
                envelope = r + (envelope - r) * decayCoeff;
            y = envelope;
        }
        else
        {
            peak = std::max (peak * peakCoeff, r);
            const int since = sinceTrigger;
            sinceTrigger = std::min (since + 1, minInterval + 1);
            if (armed && peak > thresholdLevel && since >= minInterval)
            {
                armed = false;
                sinceTrigger = 0;
                stage = attack; // from the current level
            }
            if (peak < rearmLevel)
                armed = true;

            switch (stage)
            {
                case attack:
                    level += attackIncrement;
                    if (level >= 1.0f)
                    {
                        level = 1.0f;
                        triggerHold = holdLength;
                        stage = hold;
                    }
                    break;
                case hold:
                    if (triggerHold <= 0.0f)
                        stage = decay;
                    else
                        triggerHold -= 1.0f;
                    break;
                case decay:
                    level -= decayIncrement;
                    if (level <= 0.0f)
                    {
                        level = 0.0f;
                        stage = idle;
                    }
                    break;
                case idle:
                    break;
            }
            y = level;
        }

        out[(size_t) i] = y > 0.0f ? std::min (y, 1.0f) : 0.0f;
    }

    // Input at the edge of the float range can overflow the state; start again rather than stay stuck.
    if (! std::isfinite (lp + envelope + peak + level))
        reset();
}
} // namespace kavro
