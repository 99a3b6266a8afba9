#include "editor/ParameterRelays.h"

#include "plugin/ParameterTable.h"

namespace kavro
{
namespace
{
void addAmounts (juce::StringArray& ids, params::Source source)
{
    for (auto target : params::targetsOf (source))
        ids.add (params::amountId (source, target));
}

juce::StringArray makeDeclarationOrder()
{
    using params::Source;
    juce::StringArray ids { "cutoff", "resonance", "filterDrive", "amount", "lfoRateHz", "lfoDepth" };
    addAmounts (ids, Source::Lfo1);
    ids.addArray ({ "width", "mix", "volume", "noiseLoHz", "noiseHiHz", "noiseSrHz", "noiseDensity",
                    "filterType", "filterSlope", "filterChar", "noiseType", "noiseModel", "noiseCrackleType",
                    "noiseInject", "noiseSrPos", "lfoWave", "lfoSyncDiv", "lfoSync", "lfoEnable",
                    "fbAmount", "otMix", "otDepth", "shTilt", "shHz", "otEnable", "ndLevel", "ndRelease",
                    "ndEnable", "ndMode", "ndNoiseType", "grFeedback", "grMix", "grSpray", "grEnable", "grDelay",
                    "lfo2RateHz", "lfo2Depth" });
    addAmounts (ids, Source::Lfo2);
    ids.addArray ({ "lfo2Wave", "lfo2SyncDiv", "lfo2Sync", "lfo2Enable", "envThresh", "envAttack", "envHold",
                    "envDecay" });
    addAmounts (ids, Source::Env);
    ids.addArray ({ "envEnable", "envMode", "macro1", "macro2", "macro3", "macro1Pol", "macro2Pol", "macro3Pol" });
    for (auto macro : { Source::Macro1, Source::Macro2, Source::Macro3 })
        addAmounts (ids, macro);
    return ids;
}
} // namespace

const juce::StringArray& relayDeclarationOrder()
{
    static const auto order = makeDeclarationOrder();
    return order;
}

ParameterRelays::ParameterRelays()
{
    for (const auto& id : relayDeclarationOrder())
    {
        const auto* definition = params::find (id);
        jassert (definition != nullptr);
        switch (definition->kind)
        {
            case params::Kind::Float:
                inDeclarationOrder.push_back (sliders.emplace_back (std::make_unique<web::WebSliderRelay> (id)).get());
                break;
            case params::Kind::Choice:
                inDeclarationOrder.push_back (
                    comboBoxes.emplace_back (std::make_unique<web::WebComboBoxRelay> (id)).get());
                break;
            case params::Kind::Bool:
                inDeclarationOrder.push_back (
                    toggles.emplace_back (std::make_unique<web::WebToggleButtonRelay> (id)).get());
                break;
        }
    }
}

web::WebBrowserComponent::Options ParameterRelays::buildOptions (const web::WebBrowserComponent::Options& initial)
{
    auto options = initial;
    for (auto* relay : inDeclarationOrder)
        options = relay->buildOptions (options);
    return options;
}

ParameterRelayAttachments::ParameterRelayAttachments (juce::AudioProcessorValueTreeState& state,
                                                      ParameterRelays& relays)
{
    auto attachAll = [&state] (auto& attachments, auto& relaysOfKind) {
        using Attachment = typename std::decay_t<decltype (attachments)>::value_type::element_type;
        for (auto& relay : relaysOfKind)
            attachments.push_back (
                std::make_unique<Attachment> (*state.getParameter (relay->getName()), *relay, nullptr));
    };
    attachAll (sliders, relays.sliders);
    attachAll (comboBoxes, relays.comboBoxes);
    attachAll (toggles, relays.toggles);
}
} // namespace kavro
