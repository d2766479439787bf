#include "engine/sample_buffer.h"

TSampleBuffer::TSampleBuffer() {
  header_.Data = data_.data();
  header_.Length = Bytes;
}
