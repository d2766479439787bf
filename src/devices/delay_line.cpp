#include "devices/delay_line.h"

#include <algorithm>

NTFlPipe::NTFlPipe(int32_t size) : size_(size), buffer_(std::make_unique<int32_t[]>(size)) {}

void NTFlPipe::SetDelay(int64_t d) noexcept {
  delay_ = static_cast<int32_t>(std::clamp<int64_t>(d, 0, size_));
}

NTPipe::NTPipe(int32_t size) : size_(size), buffer_(std::make_unique<int32_t[]>(size)) {}
