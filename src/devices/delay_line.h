#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>

// The delay lines allocate their buffers (zeroed) when they are built, on the window thread; like
// every other allocation there, one that fails throws std::bad_alloc.

// The Flanger's delay line: N values read at a variable distance behind the write position.
// A frame reads, then writes, then advances.
class NTFlPipe {
 public:
  explicit NTFlPipe(int32_t size);

  // The value written Delay() frames ago (N frames ago for a delay of 0 or N).
  int32_t Read() const noexcept {
    int32_t i = write_ - delay_;
    if (i < 0) i += size_;
    return buffer_[i];
  }
  void Write(int32_t v) noexcept { buffer_[write_] = v; }
  void Advance() noexcept {
    if (++write_ == size_) write_ = 0;
  }
  // Kept within 0..N, so that no delay, however it was computed, reads outside the line.
  void SetDelay(int64_t d) noexcept;
  int32_t Delay() const noexcept { return delay_; }
  int32_t Size() const noexcept { return size_; }

 private:
  int32_t size_;
  int32_t write_ = 0;
  int32_t delay_ = 0;
  std::unique_ptr<int32_t[]> buffer_;
};

// A fixed delay line of L frames for the Hall: each frame reads the value written L frames
// earlier, from the cell it then writes.
class NTPipe {
 public:
  explicit NTPipe(int32_t size);
  int32_t Read() const noexcept { return buffer_[at_]; }
  void Write(int32_t v) noexcept {
    buffer_[at_] = v;
    if (++at_ == size_) at_ = 0;
  }
  // Frames 0..n-1 at once: each frame reads its cell and writes the cell anew. The cells lie side
  // by side between wraps; run(cells, f, count) is given each such stretch, starting at frame f.
  template <class Run>
  void Cycle(int n, Run run) noexcept {
    for (int f = 0; f < n;) {
      const int count = std::min(n - f, size_ - at_);
      run(buffer_.get() + at_, f, count);
      f += count;
      at_ += count;
      if (at_ == size_) at_ = 0;
    }
  }
  int32_t Size() const noexcept { return size_; }

 private:
  int32_t size_;
  int32_t at_ = 0;
  std::unique_ptr<int32_t[]> buffer_;
};
