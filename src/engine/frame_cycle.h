#pragma once
#include <cstdint>
#include <span>

#include "engine/canvas.h"

class NTDevWin;

// The reference cycle over frames [0, frames) of interleaved stereo blocks: per frame, the
// sound-card samples into io, the output accumulators cleared, Latch of every device, Compute of
// every device, in list order, and the accumulators' low 16 bits into out (audio thread; the
// caller holds the canvas lock). The compiled schedule gives the same values faster; what it
// cannot run, this runs.
void ProcessFrames(std::span<NTDevWin* const> devices, TFrameIo& io, const int16_t* in,
                   int16_t* out, int frames) noexcept;
