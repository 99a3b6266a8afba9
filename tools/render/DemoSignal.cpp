#include "DemoSignal.h"

#include <cmath>

namespace kavro::demo
{
namespace
{
    constexpr double twoPi = juce::MathConstants<double>::twoPi;
    constexpr double beatSeconds = 0.5; // 120 BPM

    struct Hit
    {
        double start;
        double gain;
    };

    // Kick: a sine falling from 150 Hz to 45 Hz under a fast exponential decay.
    void addKick (juce::AudioBuffer<float>& out, Hit hit)
    {
        const auto start = (int) (hit.start * sampleRate);
        const auto length = std::min ((int) (0.45 * sampleRate), out.getNumSamples() - start);
        double phase = 0.0;
        for (int i = 0; i < length; ++i)
        {
            const double t = i / sampleRate;
            const double freq = 45.0 + 105.0 * std::exp (-t / 0.03);
            phase += twoPi * freq / sampleRate;
            const auto s = (float) (hit.gain * std::sin (phase) * std::exp (-t / 0.18));
            for (int ch = 0; ch < out.getNumChannels(); ++ch)
                out.addSample (ch, start + i, s);
        }
    }

    // Snare and hat: noise bursts, the snare with a 190 Hz body, the hat high-passed by differencing.
    void addNoiseHit (juce::AudioBuffer<float>& out, Hit hit, double decaySeconds, double bodyHz, bool bright,
                      juce::Random& random)
    {
        const auto start = (int) (hit.start * sampleRate);
        const auto length = std::min ((int) (decaySeconds * 6.0 * sampleRate), out.getNumSamples() - start);
        float previous[2] = {};
        for (int i = 0; i < length; ++i)
        {
            const double t = i / sampleRate;
            const double envelope = std::exp (-t / decaySeconds);
            const double body = bodyHz > 0.0 ? 0.6 * std::sin (twoPi * bodyHz * t) * std::exp (-t / 0.05) : 0.0;
            for (int ch = 0; ch < std::min (2, out.getNumChannels()); ++ch)
            {
                const float noise = random.nextFloat() * 2.0f - 1.0f;
                const float shaped = bright ? noise - previous[ch] : noise;
                previous[ch] = noise;
                out.addSample (ch, start + i, (float) (hit.gain * (envelope * shaped + body)));
            }
        }
    }

    // A minor chord of slightly detuned saws, gently low-passed, each voice drifting in pan.
    void addChord (juce::AudioBuffer<float>& out)
    {
        const double voices[] = { 110.0, 220.0 * 1.002, 261.63, 329.63 * 0.998, 440.0 * 1.001 };
        const int numSamples = out.getNumSamples();
        const double fadeSamples = 0.3 * sampleRate;

        for (size_t v = 0; v < std::size (voices); ++v)
        {
            double phase = 0.25 * (double) v;
            double lowpassed = 0.0;
            const double smoothing = 1.0 - std::exp (-twoPi * 1800.0 / sampleRate);
            for (int i = 0; i < numSamples; ++i)
            {
                phase += voices[v] / sampleRate;
                phase -= std::floor (phase);
                lowpassed += smoothing * ((2.0 * phase - 1.0) - lowpassed);

                const double fade = std::min ({ 1.0, i / fadeSamples, (numSamples - i) / fadeSamples });
                const double pan = 0.5 + 0.4 * std::sin (twoPi * (0.07 * (double) (v + 1)) * i / sampleRate + (double) v);
                const double s = 0.05 * fade * lowpassed;
                if (out.getNumChannels() == 1)
                    out.addSample (0, i, (float) s);
                else
                {
                    out.addSample (0, i, (float) (s * std::cos (pan * juce::MathConstants<double>::halfPi)));
                    out.addSample (1, i, (float) (s * std::sin (pan * juce::MathConstants<double>::halfPi)));
                }
            }
        }
    }
} // namespace

juce::AudioBuffer<float> makeDemoSignal()
{
    juce::AudioBuffer<float> out (2, (int) (seconds * sampleRate));
    out.clear();
    juce::Random random (0x5eed);

    const int beats = (int) (seconds / beatSeconds);
    for (int beat = 0; beat < beats; ++beat)
    {
        const double t = beat * beatSeconds;
        addKick (out, { t, 0.8 });
        if (beat % 2 == 1)
            addNoiseHit (out, { t, 0.35 }, 0.06, 190.0, false, random);
        addNoiseHit (out, { t + beatSeconds * 0.5, 0.12 }, 0.015, 0.0, true, random);
    }

    addChord (out);

    for (int ch = 0; ch < out.getNumChannels(); ++ch)
        for (int i = 0; i < out.getNumSamples(); ++i)
            out.addSample (ch, i, 0.003f * (random.nextFloat() * 2.0f - 1.0f));

    // Leave 3 dB of headroom, as a mixed track would.
    out.applyGain (juce::Decibels::decibelsToGain (-3.0f) / out.getMagnitude (0, out.getNumSamples()));
    return out;
}
} // namespace kavro::demo
