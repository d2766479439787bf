#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The patch file's word stream: little-endian 32-bit words and raw bytes.
class opstream {
 public:
  void WriteByte(uint8_t b) { bytes_.push_back(b); }
  void WriteWord(int32_t w);
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Reading past the end yields zeros and marks the stream as cut short (PastEnd).
class ipstream {
 public:
  explicit ipstream(std::span<const uint8_t> data) : data_(data) {}
  uint8_t ReadByte();
  int32_t ReadWord();
  // The next word when all four of its bytes are there; otherwise it is read past the end and
  // nothing is returned, so that the caller keeps what it had.
  std::optional<int32_t> ReadWholeWord();
  // The next byte without consuming it; 0 at the end.
  uint8_t PeekByte() const { return pos_ < data_.size() ? data_[pos_] : 0; }
  bool AtEnd() const { return pos_ >= data_.size(); }
  size_t Position() const { return pos_; }
  // Some read wanted more than the data holds: the data was cut short.
  bool PastEnd() const { return pastEnd_; }

 private:
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  bool pastEnd_ = false;
};
