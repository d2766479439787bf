#include "engine/sample_buffer.h"

#include <algorithm>

#include "engine/devwin.h"

TSampleBuffer::TSampleBuffer() {
  header_.Data = data_.data();
  header_.Length = kBytes;
}

void TSampleBuffer::SetLength(int frames) {
  header_.Length = uint32_t(std::clamp(frames, 1, kFrames)) * 4;
}

void ProcessFrames(std::span<NTDevWin* const> devices, TFrameIo& io, const TSampleBuffer& in,
                   TSampleBuffer& out) {
  const int16_t* src = in.Data();
  int16_t* dst = out.Data();
  const int frames = std::min(in.Length(), out.Length());
  for (int f = 0; f < frames; ++f) {
    io.InL = src[2 * f];
    io.InR = src[2 * f + 1];
    io.OutL = 0;
    io.OutR = 0;
    for (NTDevWin* d : devices) d->Latch();
    for (NTDevWin* d : devices) d->Compute();
    // The low 16 bits: values outside the sample range wrap.
    dst[2 * f] = int16_t(uint16_t(uint32_t(io.OutL)));
    dst[2 * f + 1] = int16_t(uint16_t(uint32_t(io.OutR)));
  }
}
