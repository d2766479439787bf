#include "platform/pstream.h"

void opstream::WriteWord(int32_t w) {
  const auto u = uint32_t(w);
  for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(uint8_t(u >> shift));
}

uint8_t ipstream::ReadByte() {
  if (pos_ < data_.size()) return data_[pos_++];
  pastEnd_ = true;
  return 0;
}

int32_t ipstream::ReadWord() {
  uint32_t u = 0;
  for (int shift = 0; shift < 32; shift += 8) u |= uint32_t(ReadByte()) << shift;
  return int32_t(u);
}

std::optional<int32_t> ipstream::ReadWholeWord() {
  const bool whole = data_.size() - pos_ >= 4;
  const int32_t w = ReadWord();
  if (!whole) return std::nullopt;
  return w;
}
