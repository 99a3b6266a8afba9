#pragma once

#include "dsp/mod/ModTargets.h"

namespace kavro
{
// A source's smoothed gain (an LFO's depth, a macro's value) and its smoothed amounts for the
// per-sample targets, each ramping over 20 ms.
struct SourceSmoothers
{
    juce::SmoothedValue<float> gain;
    std::array<juce::SmoothedValue<float>, numSampleTargets> amounts;

    // Sets the ramp length and lands every smoother on its target.
    void prepare (double sampleRate)
    {
        for (auto* smoother : all())
        {
            smoother->reset (sampleRate, 0.02);
            smoother->setCurrentAndTargetValue (smoother->getTargetValue());
        }
    }

    void setAmountTargets (const std::array<float, numModTargets>& perTarget, bool enabled)
    {
        for (size_t t = 0; t < amounts.size(); ++t)
            amounts[t].setTargetValue (enabled ? perTarget[(size_t) sampleTargets[t]] : 0.0f);
    }

    // Silent for the block: nothing ramps and either the gain or every amount is exactly 0.
    bool idleZero() const
    {
        if (gain.isSmoothing())
            return false;
        bool allZero = true;
        for (const auto& amount : amounts)
        {
            if (amount.isSmoothing())
                return false;
            allZero = allZero && amount.getCurrentValue() == 0.0f;
        }
        return gain.getCurrentValue() == 0.0f || allZero;
    }

    // Adds amount x value to each accumulator, advancing the amount smoothers.
    void accumulate (std::array<float, numSampleTargets>& sums, float value)
    {
        for (size_t t = 0; t < sums.size(); ++t)
            sums[t] += amounts[t].getNextValue() * value;
    }

private:
    std::array<juce::SmoothedValue<float>*, numSampleTargets + 1> all()
    {
        std::array<juce::SmoothedValue<float>*, numSampleTargets + 1> list;
        list[0] = &gain;
        for (size_t t = 0; t < amounts.size(); ++t)
            list[t + 1] = &amounts[t];
        return list;
    }
};
} // namespace kavro
