#include "OfflineHost.h"

namespace kavro
{
OfflinePlayHead::OfflinePlayHead (PlayHeadSettings t, double rate) : transport (t), sampleRate (rate) {}

juce::Optional<juce::AudioPlayHead::PositionInfo> OfflinePlayHead::getPosition() const
{
    PositionInfo info;
    info.setBpm (transport.bpm);
    info.setTimeSignature (TimeSignature { 4, 4 });
    info.setIsPlaying (transport.playing);
    info.setTimeInSamples (samplesElapsed);
    info.setTimeInSeconds ((double) samplesElapsed / sampleRate);

    // A stopped transport stays where it was parked.
    const double beatsElapsed = transport.playing ? (double) samplesElapsed / sampleRate * transport.bpm / 60.0 : 0.0;
    const double ppq = transport.ppqStart + beatsElapsed;
    info.setPpqPosition (ppq);
    info.setPpqPositionOfLastBarStart (std::floor (ppq / 4.0) * 4.0);
    return info;
}

RenderStats renderInPlace (juce::AudioProcessor& processor, juce::AudioBuffer<float>& audio, double sampleRate,
                           int blockSize, PlayHeadSettings transport)
{
    const auto channelSet = juce::AudioChannelSet::canonicalChannelSet (audio.getNumChannels());
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (channelSet);
    layout.outputBuses.add (channelSet);
    processor.setBusesLayout (layout);

    OfflinePlayHead playHead (transport, sampleRate);
    processor.setPlayHead (&playHead);
    processor.setNonRealtime (true);
    processor.setRateAndBufferSizeDetails (sampleRate, blockSize);
    processor.prepareToPlay (sampleRate, blockSize);

    juce::MidiBuffer midi;
    juce::int64 ticks = 0;
    for (int start = 0; start < audio.getNumSamples(); start += blockSize)
    {
        const int length = std::min (blockSize, audio.getNumSamples() - start);
        juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), audio.getNumChannels(), start, length);

        const auto before = juce::Time::getHighResolutionTicks();
        processor.processBlock (block, midi);
        ticks += juce::Time::getHighResolutionTicks() - before;

        midi.clear();
        playHead.advance (length);
    }

    processor.releaseResources();
    processor.setPlayHead (nullptr);

    return { audio.getNumSamples() / sampleRate, juce::Time::highResolutionTicksToSeconds (ticks) };
}

Levels measureLevels (const juce::AudioBuffer<float>& audio)
{
    float peak = 0.0f;
    double sumOfSquares = 0.0;
    for (int ch = 0; ch < audio.getNumChannels(); ++ch)
    {
        peak = std::max (peak, audio.getMagnitude (ch, 0, audio.getNumSamples()));
        const auto rms = (double) audio.getRMSLevel (ch, 0, audio.getNumSamples());
        sumOfSquares += rms * rms;
    }
    const auto rms = audio.getNumChannels() > 0 ? std::sqrt (sumOfSquares / audio.getNumChannels()) : 0.0;
    return { juce::Decibels::gainToDecibels (peak, -200.0f), juce::Decibels::gainToDecibels ((float) rms, -200.0f) };
}
} // namespace kavro
