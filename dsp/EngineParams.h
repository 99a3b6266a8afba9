#pragma once

#include "dsp/mod/ModMatrix.h"

namespace kavro
{
// One block's parameter values in plain units, read once per block by the processor. Choices are
// indices, switches are bools.
struct EngineParams
{
    int filterType = 1; // Low Cut, Bandpass, High Cut
    bool filterSlope24 = false;
    int filterChar = 0; // Clean, Comb, Bite
    float filterDrive = 0.0f;
    float cutoff = 1000.0f;
    float resonance = 0.707f;

    int noiseType = 0; // White, Pink, Brown
    bool noiseCrackle = false;
    int noiseCrackleType = 0;
    float noiseDensity = 0.4f;
    float noiseLoHz = 20.0f;
    float noiseHiHz = 20000.0f;
    float noiseSrHz = 192000.0f;
    bool noiseSrPost = false;
    int noiseInject = 0;
    float amount = 0.3f;

    float width = 0.0f;
    float mix = 1.0f;
    float fbAmount = 0.0f;
    float volumeDb = 0.0f;

    bool ndEnable = false, ndTransient = false;
    float ndLevel = 0.5f, ndRelease = 150.0f;
    int ndNoiseType = 0;

    bool otEnable = false;
    float otMix = 0.0f, otDepth = 0.5f, shTilt = 0.0f, shHz = 1000.0f;

    bool grEnable = false;
    float grFeedback = 0.4f, grMix = 0.5f, grSpray = 35.0f;
    int grDelay = 1;

    ModParams mod;
};

// What the host's play head said about this block.
struct HostPosition
{
    bool hasTempo = false;
    double bpm = 120.0;
    bool playing = false;
    bool hasPpq = false;
    double ppq = 0.0;
};
} // namespace kavro
