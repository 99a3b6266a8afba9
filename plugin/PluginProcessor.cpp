#include "plugin/PluginProcessor.h"

#include "plugin/StateMigration.h"
#include "plugin/UiSettings.h"

namespace
{
const juce::Identifier kUiMeta { "uiMeta" };

std::unique_ptr<juce::RangedAudioParameter> makeParameter (const kavro::params::Definition& def)
{
    using Kind = kavro::params::Kind;
    const juce::ParameterID id { def.id, 1 };

    switch (def.kind)
    {
        case Kind::Choice:
            return std::make_unique<juce::AudioParameterChoice> (id, def.name, def.choices, (int) def.defaultValue);
        case Kind::Bool:
            return std::make_unique<juce::AudioParameterBool> (id, def.name, def.defaultValue > 0.5f);
        case Kind::Float:
            break;
    }
    return std::make_unique<juce::AudioParameterFloat> (id, def.name, def.range, def.defaultValue);
}
} // namespace

KavroLabAudioProcessor::KavroLabAudioProcessor()
    : AudioProcessor (BusesProperties()
                          .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                          .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      apvts (*this, nullptr, "PARAMS", createParameterLayout())
{
    apvts.state.setProperty ("schemaVersion", kavro::migration::currentSchemaVersion, nullptr);
    oversamplingIndex = kavro::uisettings::initialOversamplingIndex();
    resolveRawParamPointers();
}

KavroLabAudioProcessor::~KavroLabAudioProcessor() = default;

juce::AudioProcessorValueTreeState::ParameterLayout KavroLabAudioProcessor::createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    for (const auto& def : kavro::params::all())
        layout.add (makeParameter (def));
    return layout;
}

void KavroLabAudioProcessor::resolveRawParamPointers()
{
    const auto& ids = kavro::params::rawSlotIds();
    for (size_t i = 0; i < ids.size(); ++i)
    {
        rawParam[i] = apvts.getRawParameterValue (ids[i]);
        jassert (rawParam[i] != nullptr);
    }
}

//==============================================================================
void KavroLabAudioProcessor::prepareToPlay (double, int) {}

bool KavroLabAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto& out = layouts.getMainOutputChannelSet();
    if (out != juce::AudioChannelSet::mono() && out != juce::AudioChannelSet::stereo())
        return false;
    return layouts.getMainInputChannelSet() == out;
}

void KavroLabAudioProcessor::processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&)
{
    // Input and output layouts always match, so the audio passes through in place.
}

//==============================================================================
juce::AudioProcessorEditor* KavroLabAudioProcessor::createEditor()
{
    return new juce::GenericAudioProcessorEditor (*this);
}

//==============================================================================
void KavroLabAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    const auto state = apvts.copyState();
    if (! state.isValid())
        return;

    if (auto xml = state.createXml())
        copyXmlToBinary (*xml, destData);
}

void KavroLabAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    const auto xml = getXmlFromBinary (data, sizeInBytes);
    const auto liveType = apvts.state.getType().toString();
    if (xml == nullptr || ! xml->getTagName().equalsIgnoreCase (liveType))
        return;

    xml->setTagName (liveType); // an accepted "params" root must not rename the live tree

    auto state = juce::ValueTree::fromXml (*xml);
    migrateState (state);
    apvts.replaceState (state);
}

void KavroLabAudioProcessor::migrateState (juce::ValueTree& state)
{
    kavro::migration::migrateState (state);
}

juce::String KavroLabAudioProcessor::getMacroName (int index) const
{
    const auto name = apvts.state.getChildWithName (kUiMeta)
                          .getProperty ("macroName" + juce::String (index + 1))
                          .toString();
    return name.isNotEmpty() ? name : "M" + juce::String (index + 1);
}

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new KavroLabAudioProcessor();
}
