#include "dsp/mod/Lfo.h"

namespace kavro
{
float Lfo::divisionBeats (int division)
{
    static constexpr float beats[] = { 4.0f, 3.0f, 2.0f, 1.5f, 4.0f / 3.0f, 1.0f, 0.75f, 2.0f / 3.0f,
                                       0.5f, 0.375f, 1.0f / 3.0f, 0.25f, 0.125f, 0.0625f, 0.03125f };
    return division >= 0 && division < (int) std::size (beats) ? beats[division] : 1.0f;
}

void Lfo::prepare (double newSampleRate, juce::int64 seed)
{
    sampleRate = newSampleRate;
    smootherCoeff = sampleRate > 0.0 ? (float) (1.0 - std::exp (-1.0 / (0.0015 * sampleRate))) : 1.0f;
    reset();
    random.setSeed (seed);
}

void Lfo::reset()
{
    phase = 0.0f;
    held = next = draw(); // from the generator's state before any reseed
    smootherState = 0.0f;
}

void Lfo::lockPhase (double ppq, int division)
{
    const double cycles = ppq / (double) divisionBeats (division);
    const auto locked = (float) (cycles - std::floor (cycles));
    phase = locked - std::floor (locked);
}

float Lfo::shape (float p) const
{
    switch (wave)
    {
        case sine:          return fastmath::sinTurn (p);
        case triangle:      return 4.0f * std::abs (p - 0.5f) - 1.0f;
        case saw:           return 2.0f * p - 1.0f;
        case square:        return p < 0.5f ? 1.0f : -1.0f;
        case sampleAndHold: return held;
        case smoothRandom:  return held + (next - held) * p * p * (3.0f - 2.0f * p);
        case duckA:
        case duckB:
        {
            if (p < 0.95f)
            {
                const float rise = p / 0.95f;
                const float r3 = rise * rise * rise;
                return (wave == duckA ? r3 : r3 * r3) - 1.0f;
            }
            const float t = (p - 0.95f) / 0.05f;
            return -t * t * (3.0f - 2.0f * t);
        }
        case gateA:
        case gateB:
        {
            const float fall = 1.0f - p;
            const float f2 = fall * fall;
            return (wave == gateA ? f2 : f2 * f2 * f2) - 1.0f;
        }
        default:            return 0.0f;
    }
}
} // namespace kavro
