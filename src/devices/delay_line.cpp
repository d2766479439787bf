#include "devices/delay_line.h"

#include <algorithm>
#include <cstdlib>
#include <new>

NTFlPipe::NTFlPipe(int32_t size) : size_(size), buffer_(std::make_unique<int32_t[]>(size)) {}

void NTFlPipe::SetDelay(int64_t d) noexcept {
  delay_ = static_cast<int32_t>(std::clamp<int64_t>(d, 0, size_));
}

NTPipe::NTPipe(int32_t size) : size_(size) {
  // Without its buffer the reverberation cannot run, and there is no one to tell.
  buffer_.reset(new (std::nothrow) int32_t[size]());
  if (!buffer_) std::exit(1);
}
