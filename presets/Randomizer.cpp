#include "presets/Randomizer.h"

namespace kavro
{
namespace
{
    const juce::Identifier kParam { "PARAM" }, kId { "id" }, kValue { "value" };

    // The index of the band a percentage roll falls into, given each band's width.
    int pick (float percent, std::initializer_list<float> widths)
    {
        int index = 0;
        float edge = 0.0f;
        for (float width : widths)
        {
            edge += width;
            if (percent < edge)
                return index;
            ++index;
        }
        return index;
    }
} // namespace

Randomizer::Randomizer (juce::AudioProcessorValueTreeState& liveState) : state (liveState)
{
    rng.setSeedRandomly();
}

bool Randomizer::randomize (const juce::String& mode)
{
    if (mode == "undo")
    {
        if (! lastState.isValid())
            return false;
        auto before = state.copyState();
        state.replaceState (lastState);
        lastState = before;
        return true;
    }
    return change (mode != "variation");
}

bool Randomizer::change (bool fresh)
{
    auto changed = state.copyState();
    if (! changed.isValid())
        return false;

    if (fresh)
        roll (changed);
    else
        vary (changed);

    lastState = state.copyState();
    state.replaceState (changed);
    return true;
}

//==============================================================================
const juce::NormalisableRange<float>* Randomizer::rangeOf (const juce::String& id) const
{
    auto* param = state.getParameter (id);
    return param != nullptr ? &param->getNormalisableRange() : nullptr;
}

juce::ValueTree Randomizer::node (juce::ValueTree& tree, const juce::String& id)
{
    for (auto child : tree)
        if (child.hasType (kParam) && child[kId].toString() == id)
            return child;
    juce::ValueTree child (kParam, { { kId, id } });
    tree.appendChild (child, nullptr);
    return child;
}

float Randomizer::physicalOf (juce::ValueTree& tree, const juce::String& id)
{
    const auto child = node (tree, id);
    if (child.hasProperty (kValue))
        return (float) child[kValue];
    auto* param = state.getParameter (id);
    return param != nullptr ? param->convertFrom0to1 (param->getValue()) : 0.0f;
}

void Randomizer::setPhysical (juce::ValueTree& tree, const juce::String& id, float value)
{
    node (tree, id).setProperty (kValue, value, nullptr);
}

void Randomizer::setFloat (juce::ValueTree& tree, const juce::String& id, float lo, float hi)
{
    const auto* range = rangeOf (id);
    if (range == nullptr)
        return;
    const float a = range->convertTo0to1 (lo), b = range->convertTo0to1 (hi);
    const float normalised = juce::jlimit (0.0f, 1.0f, a + (b - a) * rng.nextFloat());
    setPhysical (tree, id, range->convertFrom0to1 (normalised));
}

float Randomizer::jitterN (juce::ValueTree& tree, const juce::String& id, float lo, float hi)
{
    const auto* range = rangeOf (id);
    const float c = range->convertTo0to1 (physicalOf (tree, id));
    const float a = range->convertTo0to1 (lo), b = range->convertTo0to1 (hi);
    const float v = c + (2.0f * rng.nextFloat() - 1.0f) * 0.12f;
    // A value outside the range may stay where it is but is never pushed further out.
    return juce::jlimit (std::min ({ a, b, c }), std::max ({ a, b, c }), v);
}

void Randomizer::jitter (juce::ValueTree& tree, const juce::String& id, float lo, float hi)
{
    if (const auto* range = rangeOf (id))
        setPhysical (tree, id, range->convertFrom0to1 (juce::jlimit (0.0f, 1.0f, jitterN (tree, id, lo, hi))));
}

void Randomizer::setNoiseBand (juce::ValueTree& tree, float loNormalised, float hiNormalised)
{
    const auto& range = *rangeOf ("noiseLoHz"); // shared by both edges
    const float hi = juce::jlimit (0.0f, 1.0f, std::max (hiNormalised, loNormalised + 0.25f));
    setPhysical (tree, "noiseLoHz", range.convertFrom0to1 (juce::jlimit (0.0f, 1.0f, loNormalised)));
    setPhysical (tree, "noiseHiHz", range.convertFrom0to1 (hi));
}

//==============================================================================
void Randomizer::roll (juce::ValueTree& tree)
{
    auto percent = [this] { return 100.0f * rng.nextFloat(); };

    setPhysical (tree, "filterType", (float) pick (percent(), { 33, 34 }));
    setPhysical (tree, "filterChar", (float) pick (percent(), { 20, 40 }));
    setPhysical (tree, "noiseType", (float) pick (percent(), { 20, 30 }));
    const bool crackle = percent() >= 75.0f;
    setPhysical (tree, "noiseModel", crackle ? 1.0f : 0.0f);
    if (crackle)
        setPhysical (tree, "noiseCrackleType", (float) pick (percent(), { 25, 25, 25 }));
    setPhysical (tree, "noiseInject", (float) pick (percent(), { 10, 30, 40 }));
    setPhysical (tree, "lfoWave", (float) pick (percent(), { 7.5f, 7.5f, 7.5f, 7.5f, 20, 20, 7.5f, 7.5f, 7.5f }));

    setFloat (tree, "filterDrive", 0.1f, 0.35f);
    setFloat (tree, "cutoff", 40.0f, 2000.0f);
    setFloat (tree, "resonance", 0.1f, 2.0f);
    setFloat (tree, "amount", 0.1f, 0.8f);
    setFloat (tree, "lfoRateHz", 0.05f, 8.0f);
    setFloat (tree, "lfoDepth", 0.1f, 0.4f);
    for (auto* macro : { "macro1", "macro2", "macro3" })
        setFloat (tree, macro, 0.0f, 1.0f);
    if (crackle)
        setFloat (tree, "noiseDensity", 0.3f, 0.7f);

    if (rng.nextBool())
        setFloat (tree, "fbAmount", 0.05f, 0.25f);
    else
        setPhysical (tree, "fbAmount", 0.0f);

    const auto& edges = *rangeOf ("noiseLoHz");
    auto between = [&] (float lo, float hi) {
        const float a = edges.convertTo0to1 (lo), b = edges.convertTo0to1 (hi);
        return a + (b - a) * rng.nextFloat();
    };
    const float lo = between (20.0f, 500.0f);
    const float hi = between (1500.0f, 20000.0f);
    setNoiseBand (tree, lo, hi);

    if (rng.nextFloat() < 0.3f)
    {
        setFloat (tree, "noiseSrHz", 6000.0f, 30000.0f);
        setPhysical (tree, "noiseSrPos", rng.nextBool() ? 1.0f : 0.0f);
    }

    if (isOn (tree, "otEnable"))
    {
        setFloat (tree, "otMix", 0.1f, 0.4f);
        setFloat (tree, "otDepth", 0.5f, 1.0f);
        setFloat (tree, "shTilt", -0.15f, 0.35f);
    }
    if (isOn (tree, "ndEnable"))
    {
        setFloat (tree, "ndLevel", 0.0f, 0.3f);
        setFloat (tree, "ndRelease", 40.0f, 350.0f);
    }
    if (isOn (tree, "grEnable"))
    {
        setFloat (tree, "grFeedback", 0.2f, 0.6f);
        setFloat (tree, "grMix", 0.15f, 0.5f);
        setFloat (tree, "grSpray", 10.0f, 120.0f);
        setPhysical (tree, "grDelay", (float) rng.nextInt (6));
    }
}

void Randomizer::vary (juce::ValueTree& tree)
{
    jitter (tree, "filterDrive", 0.1f, 0.35f);
    jitter (tree, "cutoff", 40.0f, 2000.0f);
    jitter (tree, "resonance", 0.1f, 2.0f);
    jitter (tree, "amount", 0.1f, 0.8f);
    jitter (tree, "lfoRateHz", 0.05f, 8.0f);
    jitter (tree, "lfoDepth", 0.1f, 0.4f);
    for (auto* macro : { "macro1", "macro2", "macro3" })
        jitter (tree, macro, 0.0f, 1.0f);
    if (juce::roundToInt (physicalOf (tree, "noiseModel")) == 1)
        jitter (tree, "noiseDensity", 0.3f, 0.7f);
    if (physicalOf (tree, "fbAmount") > 0.0f)
        jitter (tree, "fbAmount", 0.05f, 0.25f);

    const float lo = jitterN (tree, "noiseLoHz", 20.0f, 500.0f);
    const float hi = jitterN (tree, "noiseHiHz", 1500.0f, 20000.0f);
    setNoiseBand (tree, lo, hi);

    if (isOn (tree, "otEnable"))
    {
        jitter (tree, "otMix", 0.1f, 0.4f);
        jitter (tree, "otDepth", 0.5f, 1.0f);
        jitter (tree, "shTilt", -0.15f, 0.35f);
    }
    if (isOn (tree, "ndEnable"))
    {
        jitter (tree, "ndLevel", 0.0f, 0.3f);
        jitter (tree, "ndRelease", 40.0f, 350.0f);
    }
    if (isOn (tree, "grEnable"))
    {
        jitter (tree, "grFeedback", 0.2f, 0.6f);
        jitter (tree, "grMix", 0.15f, 0.5f);
        jitter (tree, "grSpray", 10.0f, 120.0f);
    }
}
} // namespace kavro
