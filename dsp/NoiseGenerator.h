#pragma once

#include <juce_core/juce_core.h>

#include <array>

namespace kavro
{
// One channel of noise: white, pink, brown, or crackle made of decaying random clicks. Seeded, so
// the same seed and settings give the same sequence every time.
class NoiseGenerator
{
public:
    enum Mode
    {
        white,
        pink,
        brown,
        crackle
    };

    struct CrackleRow
    {
        float eventRate;         // events per second at density 0.5
        float decayMs;           // voice decay
        float amplitudeExponent; // applied to the random amplitude
        float amplitudeScale;
    };

    // Dust, Crackle, Pops, Storm.
    static constexpr std::array<CrackleRow, 4> crackleTable { { { 900.0f, 0.35f, 4.0f, 0.9f },
                                                                { 180.0f, 1.6f, 3.0f, 1.0f },
                                                                { 45.0f, 6.0f, 2.3f, 1.2f },
                                                                { 500.0f, 2.2f, 2.0f, 1.1f } } };

    void prepare (double sampleRate, juce::int64 seed);

    // White, pink or brown (0..2).
    void setColour (int colour) { mode = juce::jlimit (0, 2, colour); }

    // Switches to crackle with the given table row (0..3) and density (0..1).
    void setCrackle (int crackleType, float density);

    float nextSample();

    // Events per second that setCrackle's density gives, before the per-sample probability.
    static float crackleEventRate (const CrackleRow&, float density);

private:
    float nextCrackle();
    void updateCrackleRates();

    struct Voice
    {
        float amplitude = 0.0f;
        float envelope = 0.0f;
    };

    juce::Random rng;
    int mode = white;
    float pinkState[7] {};
    float brownState = 0.0f;
    float brownCoeff = 0.0f;
    float brownGain = 1.0f;
    float whiteGain = 1.0f;
    std::array<Voice, 8> voices {};
    int nextVoice = 0;
    int crackleType = 0;
    float density = 0.5f;
    double sampleRate = 44100.0;
    CrackleRow row = crackleTable[0];
    float triggerProbability = 0.0f;
    float envelopeDecay = 0.0f;
};
} // namespace kavro
