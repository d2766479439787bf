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
  void SetDelay(int64_t d) noexcept { delay_ = Within(d); }
  // Frames 0..n-1 at once, each as Read, Write(write(a, f)) of the value a read, SetDelay(delay(f))
  // and Advance; the positions stay in registers throughout.
  template <class Write, class Delay>
  void Run(int n, Write write, Delay delay) noexcept {
    int32_t at = write_, d = delay_;
    int32_t* cells = buffer_.get();
    for (int f = 0; f < n; ++f) {
      const int32_t from = at - d;
      cells[at] = write(cells[from < 0 ? from + size_ : from], f);
      d = Within(delay(f));
      if (++at == size_) at = 0;
    }
    write_ = at;
    delay_ = d;
  }
  int32_t Delay() const noexcept { return delay_; }
  int32_t Size() const noexcept { return size_; }

 private:
  int32_t Within(int64_t d) const noexcept {
    return static_cast<int32_t>(std::clamp<int64_t>(d, 0, size_));
  }

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
