#include "plugin/StateMigration.h"

#include "plugin/ParameterTable.h"

#include <cmath>

namespace kavro::migration
{
namespace
{
    const juce::Identifier kParam { "PARAM" };
    const juce::Identifier kId { "id" };
    const juce::Identifier kValue { "value" };
    const juce::Identifier kSchemaVersion { "schemaVersion" };

    juce::ValueTree paramEntry (const juce::ValueTree& state, const juce::String& id)
    {
        for (const auto& child : state)
            if (child.hasType (kParam) && child[kId].toString() == id)
                return child;
        return {};
    }

    bool holdsFiniteNumber (const juce::var& value)
    {
        if (value.isInt() || value.isInt64() || value.isBool())
            return true;
        if (value.isDouble())
            return std::isfinite ((double) value);
        if (! value.isString())
            return false;

        const auto text = value.toString().trim().toStdString();
        char* end = nullptr;
        const double parsed = std::strtod (text.c_str(), &end);
        return ! text.empty() && end == text.c_str() + text.size() && std::isfinite (parsed);
    }

    void appendParam (juce::ValueTree& state, const juce::String& id, const juce::var& value)
    {
        state.appendChild (juce::ValueTree (kParam, { { kId, id }, { kValue, value } }), nullptr);
    }

    void moveDepthIntoAmountRoute (juce::ValueTree& state, const juce::String& depthId, const juce::String& routeId)
    {
        auto depth = paramEntry (state, depthId);
        const float depthValue = depth.isValid() ? (float) depth[kValue] : 0.0f;
        appendParam (state, routeId, depthValue);
        if (depth.isValid())
            depth.setProperty (kValue, 1.0f, nullptr);
    }

    void remapDivision (juce::ValueTree& state, const juce::String& id)
    {
        // Positions of the old ten divisions in today's fifteen-entry list.
        static constexpr int remap[] = { 0, 2, 5, 7, 8, 10, 11, 12, 13, 14 };

        auto entry = paramEntry (state, id);
        if (! entry.isValid())
            return;

        const auto index = juce::roundToInt ((double) entry[kValue]);
        if (index >= 0 && index <= 9)
            entry.setProperty (kValue, remap[index], nullptr);
    }
} // namespace

void migrateLegacyLfoState (juce::ValueTree& state)
{
    if (! state.isValid() || paramEntry (state, "lfoToAmount").isValid())
        return;

    moveDepthIntoAmountRoute (state, "lfoDepth", "lfoToAmount");
    moveDepthIntoAmountRoute (state, "lfo2Depth", "lfo2ToAmount");
}

void migrateLfoDivisionOrder (juce::ValueTree& state)
{
    if (! state.isValid() || (int) state.getProperty (kSchemaVersion, 0) >= 2)
        return;

    remapDivision (state, "lfoSyncDiv");
    remapDivision (state, "lfo2SyncDiv");
}

void fillMissingParamsWithDefaults (juce::ValueTree& state)
{
    if (! state.isValid())
        return;

    // An entry whose value is not a finite number would reach the engine unclamped (the framework
    // clamps ranges but passes NaN through), so it counts as missing.
    juce::StringArray present;
    for (auto child : state)
    {
        if (! child.hasType (kParam))
            continue;

        const auto id = child[kId].toString();
        if (! holdsFiniteNumber (child[kValue]))
        {
            if (const auto* def = params::find (id))
                child.setProperty (kValue, def->defaultValue, nullptr);
        }
        present.add (id);
    }

    for (const auto& def : params::all())
        if (! present.contains (def.id))
            appendParam (state, def.id, def.defaultValue);
}

void migrateState (juce::ValueTree& state)
{
    migrateLegacyLfoState (state);
    migrateLfoDivisionOrder (state);
    fillMissingParamsWithDefaults (state);
    if (state.isValid())
        state.setProperty (kSchemaVersion, currentSchemaVersion, nullptr);
}
} // namespace kavro::migration
