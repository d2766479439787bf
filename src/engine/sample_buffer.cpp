#include "engine/sample_buffer.h"

#include "engine/schedule.h"

TSampleBuffer::TSampleBuffer() {
  header_.Data = data_.data();
  header_.Length = kBytes;
}

void ProcessFrames(std::span<NTDevWin* const> devices, TFrameIo& io, const TSampleBuffer& in,
                   TSampleBuffer& out) {
  ProcessFrameRange(devices, io, in.Data(), out.Data(), TSampleBuffer::kFrames);
}
