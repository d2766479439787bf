#include "devices/delay_line.h"

#include <algorithm>

NTFlPipe::NTFlPipe(int32_t size) : size_(size), buffer_(std::make_unique<int32_t[]>(size)) {}

NTPipe::NTPipe(int32_t size) : size_(size), buffer_(std::make_unique<int32_t[]>(size)) {}
