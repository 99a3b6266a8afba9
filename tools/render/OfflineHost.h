#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

// Drives a processor the way a host does, without a device: layout, prepare, blocks, play head.
namespace kavro
{
struct PlayHeadSettings
{
    double bpm = 120.0;
    bool playing = true;
    double ppqStart = 0.0;
};

class OfflinePlayHead : public juce::AudioPlayHead
{
public:
    OfflinePlayHead (PlayHeadSettings, double sampleRate);

    void advance (int numSamples) { samplesElapsed += numSamples; }
    juce::Optional<PositionInfo> getPosition() const override;

private:
    PlayHeadSettings transport;
    double sampleRate;
    juce::int64 samplesElapsed = 0;
};

struct RenderStats
{
    double audioSeconds = 0.0;
    double processingSeconds = 0.0;

    double realTimeFactor() const { return processingSeconds > 0.0 ? audioSeconds / processingSeconds : 0.0; }
};

// Sets the processor's layout to the buffer's width (1 or 2 channels), prepares it, and processes the
// buffer in place in blocks of blockSize. Only the processing calls are timed.
RenderStats renderInPlace (juce::AudioProcessor&, juce::AudioBuffer<float>&, double sampleRate, int blockSize,
                           PlayHeadSettings = {});

struct Levels
{
    float peakDb;
    float rmsDb;
};

Levels measureLevels (const juce::AudioBuffer<float>&);
} // namespace kavro
