#include "dsp/filters/NoiseFmFilter.h"

namespace kavro
{
namespace
{
    constexpr float compensationExponent[3] = { 1.0f, 0.0f, 0.4f }; // Clean, Comb, Bite

    int cleanTapFor (int filterType)
    {
        // Low Cut sounds through the high-pass tap, High Cut through the low-pass tap.
        return filterType == 0 ? CleanSvf::highPass : (filterType == 1 ? CleanSvf::bandPass : CleanSvf::lowPass);
    }

    int biteTapFor (int filterType) { return juce::jlimit (0, 2, filterType); }
    float combPolarityFor (int filterType) { return filterType == 0 ? -1.0f : 1.0f; }
} // namespace

float NoiseFmFilter::resonanceCompensation (FilterModel model, float reso)
{
    return reso > 2.0f ? std::pow (2.0f / reso, compensationExponent[(int) model]) : 1.0f;
}

void NoiseFmFilter::prepare (double newBaseRate, int oversamplingFactor, const BlockSettings& settings)
{
    baseRate = newBaseRate;
    factor = oversamplingFactor;
    oversampledRate = baseRate * factor;
    numChannels = juce::jlimit (1, 2, settings.numChannels);
    limitHz = (float) std::min (0.49 * baseRate, 20000.0);

    for (int ch = 0; ch < 2; ++ch)
    {
        cleanStage1[(size_t) ch].prepare (oversampledRate);
        cleanStage2[(size_t) ch].prepare (oversampledRate);
        cleanStage2[(size_t) ch].setCutoffAndResonance (cleanStage2[(size_t) ch].cutoff(), 0.707f);
        for (auto* stage : { &cleanStage1[(size_t) ch], &cleanStage2[(size_t) ch] })
        {
            stage->setTap (cleanTapFor (settings.filterType));
            stage->reset();
        }

        combs[(size_t) ch].setPolarityTarget (combPolarityFor (settings.filterType));
        combs[(size_t) ch].prepare (oversampledRate);
        drives[(size_t) ch].reset();
        feedbackLp[ch] = feedbackPreviousLp[ch] = feedbackDc[ch] = 0.0f;
    }
    bite.setTap (biteTapFor (settings.filterType));
    bite.prepare (oversampledRate);

    slope24 = settings.slope24;
    slopeFadePosition = modelFadePosition = -1;
    slopeFadeLength = std::max (1, (int) (0.003 * oversampledRate));
    modelFadeLength = std::max (1, (int) (0.024 * oversampledRate));
    currentModel = incomingModel = juce::jlimit (0, 2, settings.model);
    trackedDelay = -1.0;

    feedbackLpCoeff = (float) (1.0 - std::exp (-41355.1599448756 / oversampledRate));
    feedbackDcPole = (float) (1.0 - 48.0 / oversampledRate);

    for (auto* smoother : { &fbSmoother, &depthSmoother, &offsetSmoother, &shapeSmoother })
        smoother->reset (baseRate, 0.02);
    fbSmoother.setCurrentAndTargetValue (settings.fbAmount);

    // Every prepare starts from the Soft curve; another choice ramps in over 20 ms.
    depthSmoother.setCurrentAndTargetValue (injectCurves[0].depth);
    offsetSmoother.setCurrentAndTargetValue (injectCurves[0].offset);
    shapeSmoother.setCurrentAndTargetValue (injectCurves[0].shape);
}

void NoiseFmFilter::reset()
{
    for (int ch = 0; ch < 2; ++ch)
    {
        cleanStage1[(size_t) ch].reset();
        cleanStage2[(size_t) ch].reset();
        combs[(size_t) ch].reset();
        drives[(size_t) ch].reset();
        feedbackLp[ch] = feedbackPreviousLp[ch] = feedbackDc[ch] = 0.0f;
    }
    bite.reset();
    trackedDelay = -1.0;
}

void NoiseFmFilter::clearModel (int model)
{
    for (int ch = 0; ch < numChannels; ++ch)
    {
        if (model == (int) FilterModel::comb)
            combs[(size_t) ch].reset();
        else if (model == (int) FilterModel::clean)
        {
            cleanStage1[(size_t) ch].reset();
            cleanStage2[(size_t) ch].reset();
        }
    }
    if (model == (int) FilterModel::bite)
        bite.reset();
}

void NoiseFmFilter::setBlock (const BlockSettings& settings)
{
    numChannels = juce::jlimit (1, 2, settings.numChannels);

    const int model = juce::jlimit (0, 2, settings.model);
    if (model != currentModel && modelFadePosition < 0)
    {
        incomingModel = model;
        modelFadePosition = 0;
        clearModel (model);
        if (model == (int) FilterModel::comb)
            trackedDelay = -1.0;
    }

    for (int ch = 0; ch < numChannels; ++ch)
    {
        cleanStage1[(size_t) ch].setTap (cleanTapFor (settings.filterType));
        cleanStage2[(size_t) ch].setTap (cleanTapFor (settings.filterType));
    }
    for (auto& comb : combs)
        comb.setPolarityTarget (combPolarityFor (settings.filterType));
    bite.setTap (biteTapFor (settings.filterType));

    if (settings.slope24 != slope24 && slopeFadePosition < 0)
    {
        slopeFadePosition = 0;
        if (settings.slope24)
            for (int ch = 0; ch < numChannels; ++ch)
                cleanStage2[(size_t) ch].reset();
    }

    const auto& curve = injectCurves[(size_t) juce::jlimit (0, 3, settings.inject)];
    depthSmoother.setTargetValue (curve.depth);
    offsetSmoother.setTargetValue (curve.offset);
    shapeSmoother.setTargetValue (curve.shape);
    fbSmoother.setTargetValue (settings.fbAmount);
}

void NoiseFmFilter::beginBlockStats()
{
    stats = { 0.0f, limitHz, 20.0f };
}

void NoiseFmFilter::beginSample (const SampleInputs& in, const SampleOffsets& offsets)
{
    using targets::apply;
    amount = apply (ModTarget::Amount, in.amount, offsets[SampleTarget::amount]);
    driveAmount = WavefoldDrive::amountFor (apply (ModTarget::Drive, in.drive, offsets[SampleTarget::drive]));
    feedback = apply (ModTarget::FbAmount, fbSmoother.getNextValue(), offsets[SampleTarget::fbAmount]);

    // The cutoff offset joins the noise in the exponent; the result is clamped per channel.
    cutoffOctaves = targets::table[(size_t) ModTarget::Cutoff].scale * offsets[SampleTarget::cutoff];
    resonance = apply (ModTarget::Reso, in.resonance, offsets[SampleTarget::reso]);
    resoDrive = juce::jlimit (0.0f, 1.0f, (resonance - 2.0f) * 0.5f);

    compensation[0] = compensation[1] = compensation[2] = 1.0f;
    compensation[currentModel] = resonanceCompensation ((FilterModel) currentModel, resonance);
    if (modelFadePosition >= 0)
        compensation[incomingModel] = resonanceCompensation ((FilterModel) incomingModel, resonance);

    inject = { depthSmoother.getNextValue(), offsetSmoother.getNextValue(), shapeSmoother.getNextValue() };
    tanhShape = std::tanh (inject.shape);

    smoothedCutoff = in.cutoff;
    stats.maxAmount = std::max (stats.maxAmount, amount);

    // A comb glides to a new tuning at a limited speed instead of jumping in pitch.
    combTracking = false;
    const int comb = (int) FilterModel::comb;
    if (currentModel == comb || (modelFadePosition >= 0 && incomingModel == comb))
    {
        const double target = oversampledRate / juce::jlimit (20.0f, limitHz, smoothedCutoff);
        if (trackedDelay < 0.0)
            trackedDelay = target;
        else
        {
            const double maxStep = 1.5 * factor;
            trackedDelay += juce::jlimit (-maxStep, maxStep, target - trackedDelay);
        }
        combTracking = trackedDelay != target;
        combBase = (float) (oversampledRate / trackedDelay);
    }
}

void NoiseFmFilter::updateChannel (int channel, float noise)
{
    const float octaves = cutoffOctaves + injectOctaves (inject, noise, amount, tanhShape);
    const float scale = octaves == 0.0f ? 1.0f : fastmath::exp2 (octaves);
    const float fc = juce::jlimit (20.0f, limitHz, smoothedCutoff * scale);
    const float combFc = combTracking ? juce::jlimit (20.0f, limitHz, combBase * scale) : fc;

    auto cutoffFor = [&] (int model) { return model == (int) FilterModel::comb ? combFc : fc; };
    updateCoefficients (currentModel, channel, cutoffFor (currentModel));
    if (modelFadePosition >= 0)
        updateCoefficients (incomingModel, channel, cutoffFor (incomingModel));

    stats.minFrequency = std::min (stats.minFrequency, fc);
    stats.maxFrequency = std::max (stats.maxFrequency, fc);
}

void NoiseFmFilter::updateCoefficients (int model, int channel, float cutoffHz)
{
    switch ((FilterModel) model)
    {
        case FilterModel::clean:
        {
            cleanStage1[(size_t) channel].setCutoffAndResonance (cutoffHz, resonance);
            auto& stage2 = cleanStage2[(size_t) channel];
            if ((slope24 || slopeFadePosition >= 0) && cutoffHz != stage2.cutoff())
                stage2.setCutoffAndResonance (cutoffHz, 0.707f);
            break;
        }
        case FilterModel::comb:
            combs[(size_t) channel].setCutoff (cutoffHz);
            combs[(size_t) channel].setResonance (resonance);
            break;
        case FilterModel::bite:
            bite.setCoefficients (channel, cutoffHz, resonance);
            break;
    }
}

float NoiseFmFilter::runModel (int model, int channel, float x)
{
    switch ((FilterModel) model)
    {
        case FilterModel::comb:
            return combs[(size_t) channel].process (x);
        case FilterModel::bite:
            return bite.process (channel, x);
        case FilterModel::clean:
            break;
    }

    const float y1 = cleanStage1[(size_t) channel].process (x);
    if (slopeFadePosition < 0)
        return slope24 ? cleanStage2[(size_t) channel].process (y1) : y1;

    const float y2 = cleanStage2[(size_t) channel].process (y1);
    const float w = (float) slopeFadePosition / (float) slopeFadeLength;
    return slope24 ? (1.0f - w) * y2 + w * y1 : (1.0f - w) * y1 + w * y2;
}

float NoiseFmFilter::soft (float v) const
{
    const float magnitude = std::abs (v);
    if (resoDrive == 0.0f || magnitude <= 2.0f)
        return v;
    const float limited = 2.0f * fastmath::tanh ((magnitude - 2.0f) * 0.5f) + 2.0f;
    return v + ((v > 0.0f ? limited : -limited) - v) * resoDrive;
}

float NoiseFmFilter::processSubSample (int channel, float x)
{
    x = drives[(size_t) channel].process (x, driveAmount);
    if (feedback != 0.0f)
        x += fastmath::tanh (feedbackDc[channel]) * feedback;

    const float y = runModel (currentModel, channel, x);
    float out, raw;
    if (modelFadePosition < 0)
    {
        out = compensation[currentModel] * soft (y);
        raw = y;
    }
    else
    {
        const float w = (float) modelFadePosition / (float) modelFadeLength;
        const float yIn = runModel (incomingModel, channel, x);
        raw = w * yIn + (1.0f - w) * y;
        out = compensation[incomingModel] * w * soft (yIn) + compensation[currentModel] * (1.0f - w) * soft (y);
    }

    // The fed-back signal is low-passed near 6.6 kHz and DC-blocked.
    auto& lp = feedbackLp[channel];
    lp += (raw - lp) * feedbackLpCoeff;
    feedbackDc[channel] = lp - feedbackPreviousLp[channel] + feedbackDc[channel] * feedbackDcPole;
    feedbackPreviousLp[channel] = lp;
    return out;
}

void NoiseFmFilter::endSubSample()
{
    if (modelFadePosition >= 0 && ++modelFadePosition >= modelFadeLength)
    {
        currentModel = incomingModel;
        modelFadePosition = -1;
    }
    if (slopeFadePosition >= 0 && ++slopeFadePosition >= slopeFadeLength)
    {
        slope24 = ! slope24;
        slopeFadePosition = -1;
    }
}
} // namespace kavro
