#include "plugin/PluginProcessor.h"

#include "editor/PluginEditor.h"

#include "plugin/FactoryBank.h"
#include "plugin/StateMigration.h"
#include "plugin/UiSettings.h"

namespace
{
const juce::Identifier kUiMeta { "uiMeta" };

juce::Identifier macroNameKey (int index)
{
    return "macroName" + juce::String (index + 1);
}

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
    presetManager = std::make_unique<kavro::PresetManager> (apvts, "KAVRO", "Velbrook", "Tolm", JucePlugin_VersionString,
                                                            kavro::loadFactoryPresets);
    randomizer = std::make_unique<kavro::Randomizer> (apvts);
    presetManager->onBeforeApply = [this] (juce::ValueTree& tree) { migrateState (tree); };
    presetManager->applyStartupPreset ("factory-start-0001");

    apvts.state.setProperty ("schemaVersion", kavro::migration::currentSchemaVersion, nullptr);
    oversamplingIndex = kavro::uisettings::initialOversamplingIndex();
    setLatencySamples (kavro::Engine::latencyFor (oversamplingIndex)); // VST3 hosts ask before preparing
    resolveRawParamPointers();

    const auto rangeOf = [] (const char* id) { return kavro::params::find (id)->range; };
    engine.modulation.setEnvelopeRanges ({ rangeOf ("envThresh"), rangeOf ("envAttack"), rangeOf ("envDecay") });
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

    // The amount layout is built on first use; that use must not be the audio thread's.
    (void) kavro::params::amountSlots();
}

kavro::EngineParams KavroLabAudioProcessor::readEngineParams() const
{
    namespace slot = kavro::params::slot;
    auto value = [this] (int s) { return rawParam[(size_t) s]->load (std::memory_order_relaxed); };
    auto index = [&] (int s) { return (int) value (s); };
    auto on = [&] (int s) { return value (s) > 0.5f; };

    kavro::EngineParams p;
    p.filterType = index (slot::filterType);
    p.filterSlope24 = index (slot::filterSlope) == 1;
    p.filterChar = index (slot::filterChar);
    p.filterDrive = value (slot::filterDrive);
    p.cutoff = value (slot::cutoff);
    p.resonance = value (slot::resonance);
    p.noiseType = index (slot::noiseType);
    p.noiseCrackle = index (slot::noiseModel) == 1;
    p.noiseCrackleType = index (slot::noiseCrackleType);
    p.noiseDensity = value (slot::noiseDensity);
    p.noiseLoHz = value (slot::noiseLoHz);
    p.noiseHiHz = value (slot::noiseHiHz);
    p.noiseSrHz = value (slot::noiseSrHz);
    p.noiseSrPost = index (slot::noiseSrPos) == 1;
    p.noiseInject = index (slot::noiseInject);
    p.amount = value (slot::amount);
    p.width = value (slot::width);
    p.mix = value (slot::mix);
    p.fbAmount = value (slot::fbAmount);
    p.volumeDb = value (slot::volume);

    p.ndEnable = on (slot::ndEnable);
    p.ndTransient = on (slot::ndMode);
    p.ndLevel = value (slot::ndLevel);
    p.ndRelease = value (slot::ndRelease);
    p.ndNoiseType = index (slot::ndNoiseType);

    p.otEnable = on (slot::otEnable);
    p.otMix = value (slot::otMix);
    p.otDepth = value (slot::otDepth);
    p.shTilt = value (slot::shTilt);
    p.shHz = value (slot::shHz);

    p.grEnable = on (slot::grEnable);
    p.grFeedback = value (slot::grFeedback);
    p.grMix = value (slot::grMix);
    p.grSpray = value (slot::grSpray);
    p.grDelay = index (slot::grDelay);

    for (int k = 0; k < 2; ++k)
    {
        auto& lfo = p.mod.lfos[(size_t) k];
        const int base = slot::lfoBase (k);
        lfo.rateHz = value (base + slot::lfoRate);
        lfo.sync = on (base + slot::lfoSync);
        lfo.division = index (base + slot::lfoDivision);
        lfo.wave = index (base + slot::lfoWave);
        lfo.depth = value (base + slot::lfoDepth);
        lfo.enabled = on (base + slot::lfoEnable);
    }

    auto& env = p.mod.env;
    env.enabled = on (slot::env + slot::envEnable);
    env.trigger = on (slot::env + slot::envMode);
    env.thresholdDb = value (slot::env + slot::envThreshold);
    env.attackMs = value (slot::env + slot::envAttack);
    env.holdMs = value (slot::env + slot::envHold);
    env.decayMs = value (slot::env + slot::envDecay);

    for (int m = 0; m < 3; ++m)
    {
        p.mod.macros[(size_t) m].value = value (slot::macroBase (m) + slot::macroValue);
        p.mod.macros[(size_t) m].bipolar = on (slot::macroBase (m) + slot::macroPolarity);
    }

    for (const auto& route : kavro::params::amountSlots())
    {
        using Source = kavro::params::Source;
        auto& amounts = route.source == Source::Lfo1   ? p.mod.lfos[0].amounts
                        : route.source == Source::Lfo2 ? p.mod.lfos[1].amounts
                        : route.source == Source::Env  ? p.mod.env.amounts
                                                       : p.mod.macros[(size_t) route.source - (size_t) Source::Macro1].amounts;
        amounts[(size_t) route.target] = value (route.slot);
    }
    return p;
}

kavro::HostPosition KavroLabAudioProcessor::readHostPosition() const
{
    kavro::HostPosition host;
    if (auto* head = getPlayHead())
    {
        if (const auto position = head->getPosition())
        {
            if (const auto bpm = position->getBpm())
            {
                host.hasTempo = true;
                host.bpm = *bpm;
            }
            host.playing = position->getIsPlaying();
            if (const auto ppq = position->getPpqPosition())
            {
                host.hasPpq = true;
                host.ppq = *ppq;
            }
        }
    }
    return host;
}

//==============================================================================
void KavroLabAudioProcessor::prepareToPlay (double sampleRate, int samplesPerBlock)
{
    const juce::ScopedLock lock (engineLock);
    vizSampleRate = sampleRate;
    oversamplingIndex = juce::jlimit (0, 2, oversamplingIndex.load());
    engine.prepare (sampleRate, samplesPerBlock, oversamplingIndex, std::max (1, getTotalNumOutputChannels()),
                    readEngineParams());
    setLatencySamples (engine.latencySamples());
}

bool KavroLabAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto& out = layouts.getMainOutputChannelSet();
    if (out != juce::AudioChannelSet::mono() && out != juce::AudioChannelSet::stereo())
        return false;
    return layouts.getMainInputChannelSet() == out;
}

void KavroLabAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    const juce::ScopedNoDenormals noDenormals;
    for (auto ch = getTotalNumInputChannels(); ch < getTotalNumOutputChannels(); ++ch)
        buffer.clear (ch, 0, buffer.getNumSamples());

    const juce::ScopedTryLock lock (engineLock);
    if (! lock.isLocked() || ! engine.isPrepared())
        return;

    engine.process (buffer, readEngineParams(), readHostPosition(), editorOpenCount.load() >= 1);

    if (engine.latencySamples() != getLatencySamples())
        setLatencySamples (engine.latencySamples());
}

void KavroLabAudioProcessor::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    for (auto ch = getTotalNumInputChannels(); ch < getTotalNumOutputChannels(); ++ch)
        buffer.clear (ch, 0, buffer.getNumSamples());

    const juce::ScopedTryLock lock (engineLock);
    if (lock.isLocked() && engine.isPrepared())
        engine.processBypassed (buffer);
}

//==============================================================================
juce::AudioProcessorEditor* KavroLabAudioProcessor::createEditor()
{
    return new KavroLabAudioProcessorEditor (*this);
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
    if (presetManager != nullptr)
        presetManager->notifyExternalStateLoad();
}

void KavroLabAudioProcessor::migrateState (juce::ValueTree& state)
{
    kavro::migration::migrateState (state);
}

juce::String KavroLabAudioProcessor::getMacroName (int index) const
{
    const auto name = apvts.state.getChildWithName (kUiMeta).getProperty (macroNameKey (index)).toString();
    return name.isNotEmpty() ? name : "M" + juce::String (index + 1);
}

void KavroLabAudioProcessor::setMacroName (int index, const juce::String& name)
{
    auto meta = apvts.state.getOrCreateChildWithName (kUiMeta, nullptr);
    const auto stored = name.trim().substring (0, 24);
    if (stored.isNotEmpty())
        meta.setProperty (macroNameKey (index), stored, nullptr);
    else
        meta.removeProperty (macroNameKey (index), nullptr);
}

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new KavroLabAudioProcessor();
}
