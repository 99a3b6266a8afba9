#include "dsp/mod/EnvelopeFollower.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

namespace
{
using kavro::EnvelopeFollower;
constexpr double sr = 48000.0;

// Runs the follower over a whole signal in blocks and returns its output.
std::vector<float> follow (EnvelopeFollower::Settings settings, const std::vector<float>& input, int blockSize = 480)
{
    EnvelopeFollower follower;
    follower.prepare (sr, blockSize);
    std::vector<float> out;
    for (size_t start = 0; start < input.size(); start += (size_t) blockSize)
    {
        const int n = (int) std::min ((size_t) blockSize, input.size() - start);
        follower.process (settings, input.data() + start, n);
        out.insert (out.end(), follower.output(), follower.output() + n);
    }
    return out;
}

std::vector<float> toneThenSilence (double toneSeconds, double silenceSeconds, float amplitude = 0.5f)
{
    auto x = testsignals::sine (1000.0, sr, (int) (toneSeconds * sr), amplitude);
    x.resize (x.size() + (size_t) (silenceSeconds * sr), 0.0f);
    return x;
}

TEST (EnvelopeFollower, SilenceStaysAtZero)
{
    const std::vector<float> silence (48000, 0.0f);
    for (bool trigger : { false, true })
    {
        EnvelopeFollower::Settings settings;
        settings.trigger = trigger;
        for (float y : follow (settings, silence))
            ASSERT_EQ (y, 0.0f);
    }
}

TEST (EnvelopeFollower, FollowRisesFastHoldsThenDecaysWithItsTimeConstant)
{
    for (float holdMs : { 0.0f, 100.0f })
    {
        EnvelopeFollower::Settings settings;
        settings.attackMs = 0.1f;
        settings.decayMs = 150.0f;
        settings.holdMs = holdMs;
        const auto out = follow (settings, toneThenSilence (0.5, 1.0));

        EXPECT_GT (out[(size_t) (0.001 * sr)], 0.3f) << "up within a millisecond";

        // After the tone: flat through the hold, then down by 1/e every 150 ms.
        const auto end = (size_t) (0.5 * sr);
        const auto holdEnd = end + (size_t) (holdMs * 0.001 * sr);
        const float start = out[holdEnd];
        EXPECT_NEAR (out[holdEnd - 10], out[end + 10], 0.05f);
        EXPECT_NEAR (out[holdEnd + (size_t) (0.15 * sr)] / start, std::exp (-1.0f), 0.03f) << "hold " << holdMs;
    }
}

TEST (EnvelopeFollower, DcAloneDecaysToZero)
{
    const std::vector<float> dc (96000, 0.5f);
    const auto out = follow ({}, dc);
    EXPECT_LT (out.back(), 1.0e-3f);
}

TEST (EnvelopeFollower, TriggerFiresOnceOnASteadyToneAndReArmsTenDecibelsBelow)
{
    EnvelopeFollower::Settings settings;
    settings.trigger = true;
    settings.thresholdDb = -20.0f;
    settings.attackMs = 1.0f;
    settings.holdMs = 10.0f;
    settings.decayMs = 50.0f;

    auto countTriggers = [] (const std::vector<float>& out) {
        int triggers = 0;
        for (size_t i = 1; i < out.size(); ++i)
            triggers += out[i] > out[i - 1] && out[i - 1] == 0.0f ? 1 : 0;
        return triggers;
    };

    // One long tone: one envelope. Two tones with a silence between: two.
    EXPECT_EQ (countTriggers (follow (settings, toneThenSilence (2.0, 0.1))), 1);
    auto twice = toneThenSilence (0.3, 0.3);
    const auto again = toneThenSilence (0.3, 0.1);
    twice.insert (twice.end(), again.begin(), again.end());
    EXPECT_EQ (countTriggers (follow (settings, twice)), 2);

    // A dip to 5 dB below the threshold does not re-arm; 15 dB below does.
    auto dipBy = [&] (float dipDb) {
        auto x = toneThenSilence (0.3, 0.0, 0.5f);
        const auto quiet = testsignals::sine (1000.0, sr, (int) (0.3 * sr), 0.1f * juce::Decibels::decibelsToGain (-dipDb));
        x.insert (x.end(), quiet.begin(), quiet.end());
        const auto loud = toneThenSilence (0.3, 0.1, 0.5f);
        x.insert (x.end(), loud.begin(), loud.end());
        return countTriggers (follow (settings, x));
    };
    EXPECT_EQ (dipBy (5.0f), 1);
    EXPECT_EQ (dipBy (15.0f), 2);
}

TEST (EnvelopeFollower, TriggersNoSoonerThanASixteenthNote)
{
    EnvelopeFollower follower;
    follower.prepare (sr, 512);
    EnvelopeFollower::Settings settings;
    settings.trigger = true;
    for (auto [tempo, expected] : { std::pair { 120.0f, 6000 }, { 10.0f, 36000 }, { 1000.0f, 1800 } })
    {
        settings.tempo = tempo;
        follower.process (settings, nullptr, 1);
        EXPECT_EQ (follower.minimumTriggerInterval(), expected) << tempo << " BPM";
    }

    // Clicks every 50 ms at 120 BPM: only every third can fire (125 ms apart).
    settings.tempo = 120.0f;
    settings.attackMs = 0.1f;
    settings.decayMs = 5.0f;
    std::vector<float> clicks ((size_t) sr, 0.0f);
    for (size_t i = 0; i < clicks.size(); i += (size_t) (0.05 * sr))
        clicks[i] = 1.0f;
    const auto out = follow (settings, clicks);
    std::vector<size_t> starts;
    for (size_t i = 1; i < out.size(); ++i)
        if (out[i] > out[i - 1] && out[i - 1] == 0.0f)
            starts.push_back (i);
    ASSERT_GE (starts.size(), 2u);
    for (size_t k = 1; k < starts.size(); ++k)
        EXPECT_GE (starts[k] - starts[k - 1], (size_t) (0.125 * sr));
}
} // namespace
