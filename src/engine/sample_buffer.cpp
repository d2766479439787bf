#include "engine/sample_buffer.h"

#include <algorithm>

#include "engine/schedule.h"

TSampleBuffer::TSampleBuffer() {
  header_.Data = data_.data();
  header_.Length = kBytes;
}

void TSampleBuffer::SetLength(int frames) {
  header_.Length = uint32_t(std::clamp(frames, 1, kFrames)) * 4;
}

void ProcessFrames(std::span<NTDevWin* const> devices, TFrameIo& io, const TSampleBuffer& in,
                   TSampleBuffer& out) {
  ProcessFrameRange(devices, io, in.Data(), out.Data(), std::min(in.Length(), out.Length()));
}
