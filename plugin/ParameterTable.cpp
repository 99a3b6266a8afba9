#include "plugin/ParameterTable.h"

namespace kavro::params
{
namespace
{
    using Range = juce::NormalisableRange<float>;

    const Range kCutoffRange { 20.0f, 20000.0f, 0.0f, 0.25f };
    const Range kLfoRateRange { 0.01f, 30.0f, 0.0f, 0.35f };
    const Range kAmountRange { -1.0f, 1.0f, 0.0f, 1.0f };

    Definition floatParam (const juce::String& id, const juce::String& name, Range range, float def)
    {
        return { id, name, Kind::Float, range, def, {} };
    }

    Definition floatParam (const juce::String& id, const juce::String& name, float start, float end, float def,
                           float interval = 0.0f, float skew = 1.0f)
    {
        return floatParam (id, name, Range { start, end, interval, skew }, def);
    }

    Definition choiceParam (const juce::String& id, const juce::String& name, juce::StringArray choices, int def)
    {
        return { id, name, Kind::Choice, Range { 0.0f, (float) (choices.size() - 1), 1.0f }, (float) def, choices };
    }

    Definition boolParam (const juce::String& id, const juce::String& name, bool def)
    {
        return { id, name, Kind::Bool, Range { 0.0f, 1.0f, 1.0f }, def ? 1.0f : 0.0f, {} };
    }

    const juce::StringArray kNoiseColours { "White", "Pink", "Brown" };

    const juce::StringArray kLfoWaves { "Sine", "Triangle", "Saw", "Square", "S&H",
                                        "Smooth Rnd", "Duck A", "Duck B", "Gate A", "Gate B" };

    const juce::StringArray kLfoDivisions { "1/1", "1/2.", "1/2", "1/4.", "1/2T", "1/4", "1/8.", "1/4T",
                                            "1/8", "1/16.", "1/8T", "1/16", "1/32", "1/64", "1/128" };

    struct TargetText
    {
        const char* key;
        const char* suffix;
    };

    // Indexed by Target.
    constexpr TargetText kTargets[numTargets] = {
        { "Cutoff", " Cutoff" },        { "Reso", " Reso" },
        { "NdLevel", " Decay Lvl" },    { "NdRelease", " Decay Rel" },
        { "FbAmount", " FB Amt" },      { "Tilt", " Tone" },
        { "Depth", " OTT Depth" },      { "Drive", " Drive" },
        { "Width", " Width" },          { "BpLo", " BP Lo" },
        { "BpHi", " BP Hi" },           { "BpLink", " BP Sweep" },
        { "SrHz", " Sample Rate" },     { "GrFb", " Grain FB" },
        { "GrMix", " Grain Mix" },      { "GrSpray", " Grain Spray" },
        { "Lfo1Rate", " LFO1 Rate" },   { "Lfo1Depth", " LFO1 Depth" },
        { "Lfo2Rate", " LFO2 Rate" },   { "Lfo2Depth", " LFO2 Depth" },
        { "Vol", " Volume" },           { "Mix", " Dry/Wet" },
        { "OttMix", " OTT Mix" },       { "Amount", " Amount" },
        { "EnvThresh", " Env Thresh" }, { "EnvAttack", " Env Attack" },
        { "EnvDecay", " Env Decay" },
    };

    std::vector<Target> withCommonTargets (std::initializer_list<Target> extra)
    {
        std::vector<Target> targets;
        for (int t = 0; t <= (int) Target::GrSpray; ++t)
            targets.push_back ((Target) t);
        targets.insert (targets.end(), extra);
        return targets;
    }

    struct SourceRow
    {
        const char* idPrefix;
        const char* displayPrefix;
        std::vector<Target> targets;
    };

    // Indexed by Source.
    const std::array<SourceRow, numSources>& sourceRows()
    {
        using T = Target;
        static const auto rows = [] {
            const auto macroTargets = withCommonTargets ({ T::Vol, T::Mix, T::OttMix, T::Amount, T::Lfo1Rate, T::Lfo1Depth,
                                                           T::Lfo2Rate, T::Lfo2Depth, T::EnvThresh, T::EnvAttack, T::EnvDecay });
            return std::array<SourceRow, numSources> {
                SourceRow { "lfo", "LFO", withCommonTargets ({ T::Lfo2Rate, T::Lfo2Depth, T::Vol, T::Mix, T::OttMix, T::Amount }) },
                SourceRow { "lfo2", "LFO2", withCommonTargets ({ T::Lfo1Rate, T::Lfo1Depth, T::Vol, T::Mix, T::OttMix, T::Amount }) },
                SourceRow { "env", "ENV", withCommonTargets ({ T::Lfo1Rate, T::Lfo1Depth, T::Lfo2Rate, T::Lfo2Depth,
                                                               T::Vol, T::Mix, T::OttMix, T::Amount }) },
                SourceRow { "macro1", "M1", macroTargets },
                SourceRow { "macro2", "M2", macroTargets },
                SourceRow { "macro3", "M3", macroTargets },
            };
        }();
        return rows;
    }

    void appendAmounts (std::vector<Definition>& out, Source source)
    {
        const auto& row = sourceRows()[(size_t) source];
        for (auto target : row.targets)
            out.push_back ({ amountId (source, target), juce::String (row.displayPrefix) + targetSuffix (target),
                             Kind::Float, kAmountRange, 0.0f, {} });
    }

    std::vector<Definition> buildTable()
    {
        std::vector<Definition> t;
        t.reserve (slot::count);

        t.insert (t.end(), {
            choiceParam ("filterType", "Filter", { "Low Cut", "Bandpass", "High Cut" }, 1),
            choiceParam ("filterSlope", "Slope", { "12 dB/oct", "24 dB/oct" }, 0),
            choiceParam ("filterChar", "Filter Model", { "Clean", "Comb", "Bite" }, 0),
            floatParam ("filterDrive", "Filter Drive", 0.0f, 1.0f, 0.0f),
            floatParam ("cutoff", "Cutoff", kCutoffRange, 1000.0f),
            floatParam ("resonance", "Res", 0.1f, 10.0f, 0.707f, 0.0f, 0.5f),
            choiceParam ("noiseType", "Noise", kNoiseColours, 0),
            choiceParam ("noiseModel", "Noise Model", { "Standard", "Crackle" }, 0),
            choiceParam ("noiseCrackleType", "Crackle Type", { "Dust", "Crackle", "Pops", "Storm" }, 0),
            floatParam ("noiseDensity", "Crackle Density", 0.0f, 1.0f, 0.4f),
            floatParam ("noiseLoHz", "Noise Low Cut", kCutoffRange, 20.0f),
            floatParam ("noiseHiHz", "Noise High Cut", kCutoffRange, 20000.0f),
            floatParam ("noiseSrHz", "Noise SR Reduce", 200.0f, 192000.0f, 192000.0f, 0.0f, 0.25f),
            choiceParam ("noiseSrPos", "Noise SR Pos", { "Pre", "Post" }, 0),
            choiceParam ("noiseInject", "Inject", { "Soft", "Deep", "Bright", "Aggressive" }, 0),
            floatParam ("amount", "Amount", 0.0f, 1.0f, 0.3f),
        });

        // The two LFOs share one shape: "lfo"/"LFO" and "lfo2"/"LFO2".
        for (auto source : { Source::Lfo1, Source::Lfo2 })
        {
            const juce::String id = sourceRows()[(size_t) source].idPrefix;
            const juce::String name = sourceRows()[(size_t) source].displayPrefix;
            auto withId = [&] (const char* suffix) { return id + suffix; };
            auto withName = [&] (const char* suffix) { return name + suffix; };

            t.push_back (choiceParam (withId ("Wave"), withName (" Wave"), kLfoWaves, 0));
            t.push_back (floatParam (withId ("RateHz"), withName (" Rate"), kLfoRateRange, 1.0f));
            t.push_back (boolParam (withId ("Sync"), withName (" Sync"), false));
            t.push_back (choiceParam (withId ("SyncDiv"), withName (" Division"), kLfoDivisions, 5));
            t.push_back (floatParam (withId ("Depth"), withName (" Depth"), 0.0f, 1.0f, 1.0f));
            t.push_back (boolParam (withId ("Enable"), withName (" On"), true));
            appendAmounts (t, source);
        }

        t.insert (t.end(), {
            boolParam ("envEnable", "ENV On", true),
            boolParam ("envMode", "ENV Mode", false),
            floatParam ("envThresh", "ENV Threshold", -60.0f, 0.0f, -24.0f),
            floatParam ("envAttack", "ENV Attack", 0.1f, 200.0f, 5.0f, 0.0f, 0.3f),
            floatParam ("envHold", "ENV Hold", 0.0f, 500.0f, 0.0f, 0.0f, 0.4f),
            floatParam ("envDecay", "ENV Decay", 5.0f, 2000.0f, 150.0f, 0.0f, 0.3f),
        });
        appendAmounts (t, Source::Env);

        for (auto source : { Source::Macro1, Source::Macro2, Source::Macro3 })
        {
            const juce::String id = sourceRows()[(size_t) source].idPrefix;
            const juce::String name = sourceRows()[(size_t) source].displayPrefix;
            t.push_back (floatParam (id, name, 0.0f, 1.0f, 0.0f));
            t.push_back (boolParam (id + "Pol", name + " Polarity", false));
            appendAmounts (t, source);
        }

        t.insert (t.end(), {
            floatParam ("width", "Width", 0.0f, 1.0f, 0.0f),
            floatParam ("mix", "Dry/Wet", 0.0f, 1.0f, 1.0f),
            floatParam ("fbAmount", "Feedback", 0.0f, 0.45f, 0.0f),
            boolParam ("otEnable", "Finish On", false),
            floatParam ("otMix", "OTT Mix", 0.0f, 1.0f, 0.0f),
            floatParam ("otDepth", "OTT Depth", 0.0f, 1.0f, 0.5f),
            floatParam ("shTilt", "Tone", -1.0f, 1.0f, 0.0f),
            floatParam ("shHz", "Shelf Freq", 200.0f, 8000.0f, 1000.0f, 0.0f, 0.3f),
            boolParam ("ndEnable", "Decay On", false),
            floatParam ("ndLevel", "Decay Level", 0.0f, 1.0f, 0.5f),
            floatParam ("ndRelease", "Decay Release", 5.0f, 500.0f, 150.0f, 0.0f, 0.3f),
            boolParam ("ndMode", "Decay Mode", false),
            choiceParam ("ndNoiseType", "Decay Noise", kNoiseColours, 0),
            boolParam ("grEnable", "Granular On", false),
            floatParam ("grFeedback", "Grain Feedback", 0.0f, 0.95f, 0.4f),
            floatParam ("grMix", "Grain Mix", 0.0f, 1.0f, 0.5f),
            floatParam ("grSpray", "Grain Spray", 0.0f, 250.0f, 35.0f, 1.0f),
            choiceParam ("grDelay", "Grain Delay", { "1/16", "1/8", "1/6", "1/4", "1/3", "1/2" }, 1),
            floatParam ("volume", "Volume", -36.0f, 12.0f, 0.0f, 0.1f),
        });

        jassert (t.size() == (size_t) slot::count);
        return t;
    }

    std::array<juce::String, slot::count> buildRawSlotIds()
    {
        std::array<juce::String, slot::count> ids;

        for (int lfo = 0; lfo < 2; ++lfo)
        {
            const auto source = lfo == 0 ? Source::Lfo1 : Source::Lfo2;
            const juce::String p = sourceRows()[(size_t) source].idPrefix;
            auto* s = ids.data() + slot::lfoBase (lfo);
            s[slot::lfoRate] = p + "RateHz";
            s[slot::lfoSync] = p + "Sync";
            s[slot::lfoDivision] = p + "SyncDiv";
            s[slot::lfoWave] = p + "Wave";
            s[slot::lfoDepth] = p + "Depth";
            s[slot::lfoEnable] = p + "Enable";
            int i = slot::lfoFirstAmount;
            for (auto target : targetsOf (source))
                s[i++] = amountId (source, target);
        }

        for (int macro = 0; macro < 3; ++macro)
        {
            const auto source = (Source) ((int) Source::Macro1 + macro);
            const juce::String valueId = sourceRows()[(size_t) source].idPrefix;
            auto* s = ids.data() + slot::macroBase (macro);
            s[slot::macroValue] = valueId;
            s[slot::macroPolarity] = valueId + "Pol";
            int i = slot::macroFirstAmount;
            for (auto target : macroAmountOrder())
                s[i++] = valueId + "To" + targetKey (target);
        }

        {
            auto* s = ids.data() + slot::env;
            s[slot::envEnable] = "envEnable";
            s[slot::envMode] = "envMode";
            s[slot::envThreshold] = "envThresh";
            s[slot::envAttack] = "envAttack";
            s[slot::envHold] = "envHold";
            s[slot::envDecay] = "envDecay";
            int i = slot::envFirstAmount;
            for (auto target : targetsOf (Source::Env))
                s[i++] = amountId (Source::Env, target);
        }

        // Every other parameter follows in registration order.
        const juce::StringArray placed (ids.data(), slot::firstPlain);
        int next = slot::firstPlain;
        for (auto& def : all())
            if (! placed.contains (def.id))
                ids[(size_t) next++] = def.id;

        jassert (next == slot::count);
        return ids;
    }
} // namespace

const std::vector<Definition>& all()
{
    static const auto table = buildTable();
    return table;
}

const Definition* find (const juce::String& id)
{
    for (auto& def : all())
        if (def.id == id)
            return &def;
    return nullptr;
}

const char* targetKey (Target t) { return kTargets[(int) t].key; }
const char* targetSuffix (Target t) { return kTargets[(int) t].suffix; }

const std::vector<Target>& targetsOf (Source s) { return sourceRows()[(size_t) s].targets; }

juce::String amountId (Source s, Target t)
{
    return juce::String (sourceRows()[(size_t) s].idPrefix) + "To" + targetKey (t);
}

const std::array<Target, numTargets>& macroAmountOrder()
{
    using T = Target;
    static constexpr std::array<Target, numTargets> order {
        T::Cutoff, T::Reso, T::NdLevel, T::NdRelease, T::FbAmount, T::Tilt, T::Depth, T::Drive, T::Width,
        T::BpLo, T::BpHi, T::BpLink, T::SrHz, T::GrFb, T::GrMix, T::GrSpray, T::Vol, T::Mix, T::Amount,
        T::OttMix, T::Lfo1Rate, T::Lfo1Depth, T::Lfo2Rate, T::Lfo2Depth, T::EnvThresh, T::EnvAttack, T::EnvDecay
    };
    return order;
}

const std::vector<AmountSlot>& amountSlots()
{
    static const auto slots = [] {
        std::vector<AmountSlot> result;
        for (int lfo = 0; lfo < 2; ++lfo)
        {
            const auto source = lfo == 0 ? Source::Lfo1 : Source::Lfo2;
            int s = slot::lfoBase (lfo) + slot::lfoFirstAmount;
            for (auto target : targetsOf (source))
                result.push_back ({ s++, source, target });
        }
        for (int macro = 0; macro < 3; ++macro)
        {
            int s = slot::macroBase (macro) + slot::macroFirstAmount;
            for (auto target : macroAmountOrder())
                result.push_back ({ s++, (Source) ((int) Source::Macro1 + macro), target });
        }
        int s = slot::env + slot::envFirstAmount;
        for (auto target : targetsOf (Source::Env))
            result.push_back ({ s++, Source::Env, target });
        return result;
    }();
    return slots;
}

const std::array<juce::String, slot::count>& rawSlotIds()
{
    static const auto ids = buildRawSlotIds();
    return ids;
}

} // namespace kavro::params
