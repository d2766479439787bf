#include "engine/sample_buffer.h"

#include <algorithm>

TSampleBuffer::TSampleBuffer() {
  header_.Data = data_.data();
  header_.Length = kBytes;
}

void TSampleBuffer::SetLength(int frames) {
  header_.Length = uint32_t(std::clamp(frames, 1, kFrames)) * 4;
}
