#include "engine/frame_cycle.h"

#include "engine/devwin.h"

void ProcessFrames(std::span<NTDevWin* const> devices, TFrameIo& io, const int16_t* in,
                   int16_t* out, int frames) noexcept {
  for (int f = 0; f < frames; ++f) {
    io.InL = in[2 * f];
    io.InR = in[2 * f + 1];
    io.OutL = 0;
    io.OutR = 0;
    for (NTDevWin* d : devices) d->Latch();
    for (NTDevWin* d : devices) d->Compute();
    // The low 16 bits: values outside the sample range wrap.
    out[2 * f] = int16_t(uint16_t(uint32_t(io.OutL)));
    out[2 * f + 1] = int16_t(uint16_t(uint32_t(io.OutR)));
    ++io.Clock;
  }
}
