#pragma once

namespace kavro
{
// Modulation offsets the engine applies: unitless sums of weighted sources, each scaled and clamped
// by the target that reads it.

// Moved every base-rate sample.
struct SampleOffsets
{
    float cutoff = 0.0f, reso = 0.0f, amount = 0.0f, drive = 0.0f, fbAmount = 0.0f;
    float width = 0.0f, srHz = 0.0f, ndLevel = 0.0f, vol = 0.0f, mix = 0.0f;
};

// Moved once per block.
struct BlockOffsets
{
    float bpLo = 0.0f, bpHi = 0.0f, bpLink = 0.0f;
};
} // namespace kavro
