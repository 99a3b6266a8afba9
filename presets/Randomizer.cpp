#include "presets/Randomizer.h"

namespace kavro
{
namespace
{
    const juce::Identifier kParam { "PARAM" }, kId { "id" }, kValue { "value" };

    // The curated ranges: a roll draws inside them, a variation nudges within them.
    struct CuratedRange
    {
        const char* id;
        float lo, hi;
    };

    constexpr CuratedRange shaping[] = { { "filterDrive", 0.1f, 0.35f }, { "cutoff", 40.0f, 2000.0f }, { "resonance", 0.1f, 2.0f },
                                         { "amount", 0.1f, 0.8f },       { "lfoRateHz", 0.05f, 8.0f }, { "lfoDepth", 0.1f, 0.4f },
                                         { "macro1", 0.0f, 1.0f },       { "macro2", 0.0f, 1.0f },     { "macro3", 0.0f, 1.0f } };
    constexpr CuratedRange density { "noiseDensity", 0.3f, 0.7f };
    constexpr CuratedRange feedback { "fbAmount", 0.05f, 0.25f };
    constexpr CuratedRange bandLow { "noiseLoHz", 20.0f, 500.0f }, bandHigh { "noiseHiHz", 1500.0f, 20000.0f };

    // The colouring modules, touched only while they are switched on.
    constexpr CuratedRange finish[] = { { "otMix", 0.1f, 0.4f }, { "otDepth", 0.5f, 1.0f }, { "shTilt", -0.15f, 0.35f } };
    constexpr CuratedRange decay[] = { { "ndLevel", 0.0f, 0.3f }, { "ndRelease", 40.0f, 350.0f } };
    constexpr CuratedRange grains[] = { { "grFeedback", 0.2f, 0.6f }, { "grMix", 0.15f, 0.5f }, { "grSpray", 10.0f, 120.0f } };

    struct Module
    {
        const char* enable;
        const CuratedRange* begin;
        const CuratedRange* end;
    };
    const Module modules[] = { { "otEnable", std::begin (finish), std::end (finish) },
                               { "ndEnable", std::begin (decay), std::end (decay) },
                               { "grEnable", std::begin (grains), std::end (grains) } };

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

    for (const auto& range : shaping)
        setFloat (tree, range.id, range.lo, range.hi);
    if (crackle)
        setFloat (tree, density.id, density.lo, density.hi);

    if (rng.nextBool())
        setFloat (tree, feedback.id, feedback.lo, feedback.hi);
    else
        setPhysical (tree, feedback.id, 0.0f);

    const auto& edges = *rangeOf (bandLow.id);
    auto between = [&] (const CuratedRange& range) {
        const float a = edges.convertTo0to1 (range.lo), b = edges.convertTo0to1 (range.hi);
        return a + (b - a) * rng.nextFloat();
    };
    const float lo = between (bandLow);
    const float hi = between (bandHigh);
    setNoiseBand (tree, lo, hi);

    if (rng.nextFloat() < 0.3f)
    {
        setFloat (tree, "noiseSrHz", 6000.0f, 30000.0f);
        setPhysical (tree, "noiseSrPos", rng.nextBool() ? 1.0f : 0.0f);
    }

    for (const auto& module : modules)
    {
        if (! isOn (tree, module.enable))
            continue;
        for (auto* range = module.begin; range != module.end; ++range)
            setFloat (tree, range->id, range->lo, range->hi);
        if (juce::String (module.enable) == "grEnable")
            setPhysical (tree, "grDelay", (float) rng.nextInt (6));
    }
}

void Randomizer::vary (juce::ValueTree& tree)
{
    for (const auto& range : shaping)
        jitter (tree, range.id, range.lo, range.hi);
    if (juce::roundToInt (physicalOf (tree, "noiseModel")) == 1)
        jitter (tree, density.id, density.lo, density.hi);
    if (physicalOf (tree, feedback.id) > 0.0f)
        jitter (tree, feedback.id, feedback.lo, feedback.hi);

    const float lo = jitterN (tree, bandLow.id, bandLow.lo, bandLow.hi);
    const float hi = jitterN (tree, bandHigh.id, bandHigh.lo, bandHigh.hi);
    setNoiseBand (tree, lo, hi);

    for (const auto& module : modules)
        if (isOn (tree, module.enable))
            for (auto* range = module.begin; range != module.end; ++range)
                jitter (tree, range->id, range->lo, range->hi);
}
} // namespace kavro
