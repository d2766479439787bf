#pragma once
#include <soxr.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Converts a stereo float stream from one sample rate to another with the resampling library's
// high quality setting. It pulls its input as it goes, so memory stays the same for any length
// and any ratio of the rates.
class Resampler {
 public:
  // Fills `stereo` with up to `frames` input frames; fewer only at the end of the input.
  using Pull = std::function<long(float* stereo, long frames)>;

  Resampler(double inRate, double outRate, Pull pull);
  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }

  // Up to `frames` converted frames; fewer only once the input is exhausted and drained.
  long Read(float* stereo, long frames);

 private:
  struct Deleter {
    void operator()(soxr_t s) const { soxr_delete(s); }
  };
  std::unique_ptr<soxr, Deleter> soxr_;
  Pull pull_;
  std::vector<float> in_;
  long inFrames_ = 0, inUsed_ = 0;
  bool inputEnded_ = false;
  std::string error_;
};
