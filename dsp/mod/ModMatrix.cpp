#include "dsp/mod/ModMatrix.h"

namespace kavro
{
void ModMatrix::setSmootherTargets (const ModParams& p)
{
    envAmounts.setAmountTargets (p.env.amounts, p.env.enabled);
    for (size_t m = 0; m < macros.size(); ++m)
    {
        macros[m].gain.setTargetValue (p.macros[m].effectiveValue());
        macros[m].setAmountTargets (p.macros[m].amounts, true);
    }
    for (size_t k = 0; k < lfos.size(); ++k)
    {
        const auto& settings = p.lfos[k];
        lfos[k].smoothers.gain.setTargetValue (settings.enabled ? settings.depth : 0.0f);
        lfos[k].smoothers.setAmountTargets (settings.amounts, settings.enabled);
    }
}

void ModMatrix::prepare (double newSampleRate, int maxBlockSize, const ModParams& present)
{
    sampleRate = newSampleRate;
    setSmootherTargets (present);
    for (int k = 0; k < 2; ++k)
    {
        lfos[(size_t) k].lfo.prepare (sampleRate, lfoSeeds[k]);
        lfos[(size_t) k].smoothers.prepare (sampleRate);
    }
    envAmounts.prepare (sampleRate);
    envAmounts.gain.setCurrentAndTargetValue (1.0f);
    for (auto& macro : macros)
        macro.prepare (sampleRate);
    follower.prepare (sampleRate, maxBlockSize);
}

void ModMatrix::reset()
{
    for (auto& bank : lfos)
        bank.lfo.reset();
    follower.reset();
}

void ModMatrix::beginBlock (const ModParams& p, const float* sidechain, int numSamples, const Transport& transport)
{
    // 1-2: the macros move the envelope's settings, then the envelope runs over the block.
    float envSums[3] {};
    for (const auto& macro : p.macros)
    {
        const float m = macro.effectiveValue();
        envSums[0] += m * macro.amounts[(size_t) ModTarget::EnvThresh];
        envSums[1] += m * macro.amounts[(size_t) ModTarget::EnvAttack];
        envSums[2] += m * macro.amounts[(size_t) ModTarget::EnvDecay];
    }

    EnvelopeFollower::Settings envelopeSettings;
    envelopeSettings.trigger = p.env.trigger;
    envelopeSettings.thresholdDb = targets::offsetNormalised (envelopeRanges.threshold, p.env.thresholdDb, envSums[0]);
    envelopeSettings.attackMs = targets::offsetNormalised (envelopeRanges.attack, p.env.attackMs, envSums[1]);
    envelopeSettings.holdMs = p.env.holdMs;
    envelopeSettings.decayMs = targets::offsetNormalised (envelopeRanges.decay, p.env.decayMs, envSums[2]);
    envelopeSettings.tempo = transport.tempo;
    follower.process (envelopeSettings, sidechain, numSamples);

    setSmootherTargets (p);

    // 3: the envelope's block influence uses its value at the block's first sample.
    float lfoRateSums[2] {}, lfoDepthSums[2] {};
    const float e0 = p.env.enabled && numSamples > 0 ? follower.output()[0] : 0.0f;
    auto addBlockContributions = [&] (const ModParams::Amounts& amounts, float value) {
        for (size_t t = 0; t < blockTargets.size(); ++t)
            blockSums.sums[t] += value * amounts[(size_t) blockTargets[t]];
        lfoRateSums[0] += value * amounts[(size_t) ModTarget::Lfo1Rate];
        lfoRateSums[1] += value * amounts[(size_t) ModTarget::Lfo2Rate];
        lfoDepthSums[0] += value * amounts[(size_t) ModTarget::Lfo1Depth];
        lfoDepthSums[1] += value * amounts[(size_t) ModTarget::Lfo2Depth];
    };
    blockSums = {};
    addBlockContributions (p.env.amounts, e0);

    // 4: the macros.
    for (size_t m = 0; m < macros.size(); ++m)
    {
        const float value = p.macros[m].effectiveValue();
        addBlockContributions (p.macros[m].amounts, value);
    }

    // 5: the LFOs, with the block-start values of each other.
    for (int k = 0; k < 2; ++k)
    {
        const auto& settings = p.lfos[(size_t) k];
        auto& bank = lfos[(size_t) k];

        effectiveRate[k] = settings.sync ? (transport.tempo / 60.0) / Lfo::divisionBeats (settings.division)
                                         : (double) settings.rateHz;
        bank.lfo.setRate (effectiveRate[k]);
        if (settings.sync && transport.playing && transport.hasPosition)
            bank.lfo.lockPhase (transport.ppq, settings.division);
        bank.lfo.setWave (settings.wave);

        // An LFO has no amounts for its own rate and depth, so this reaches only the other LFO.
        const float value = settings.enabled ? bank.lfo.shape (bank.lfo.phaseNow()) * settings.depth : 0.0f;
        addBlockContributions (settings.amounts, value);
    }

    for (int k = 0; k < 2; ++k)
    {
        const auto rateTarget = k == 0 ? ModTarget::Lfo1Rate : ModTarget::Lfo2Rate;
        effectiveRate[k] = targets::apply (rateTarget, (float) effectiveRate[k], lfoRateSums[k]);
        lfos[(size_t) k].lfo.setRate (effectiveRate[k]);
        depthScale[k] = std::max (1.0f + lfoDepthSums[k], 0.0f);
    }

    // 6: sources that cannot contribute sit out the block.
    for (int k = 0; k < 2; ++k)
        lfoIdle[k] = lfos[(size_t) k].smoothers.idleZero();
    envIdle = envAmounts.idleZero();
    for (size_t m = 0; m < macros.size(); ++m)
        macroIdle[m] = macros[m].idleZero();
}

SampleOffsets ModMatrix::next (int i)
{
    SampleOffsets offsets;
    for (int k = 0; k < 2; ++k)
    {
        auto& bank = lfos[(size_t) k];
        const float y = bank.lfo.tick(); // the phase runs on even when the LFO sits out
        if (! lfoIdle[k])
            bank.smoothers.accumulate (offsets.sums, y * depthScale[k] * bank.smoothers.gain.getNextValue());
    }

    if (! envIdle)
        envAmounts.accumulate (offsets.sums, follower.output()[i]);

    for (size_t m = 0; m < macros.size(); ++m)
        if (! macroIdle[m])
            macros[m].accumulate (offsets.sums, macros[m].gain.getNextValue());

    return offsets;
}
} // namespace kavro
