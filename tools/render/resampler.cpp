#include "render/resampler.h"

namespace {
constexpr long kPullFrames = 4096;
}

Resampler::Resampler(double inRate, double outRate, Pull pull)
    : pull_(std::move(pull)), in_(size_t(kPullFrames) * 2) {
  soxr_error_t error = nullptr;
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  soxr_.reset(soxr_create(inRate, outRate, 2, &error, &io, &quality, nullptr));
  if (error || !soxr_) error_ = error ? error : "soxr_create";
}

long Resampler::Read(float* stereo, long frames) {
  long made = 0;
  while (Ok() && made < frames) {
    if (inUsed_ == inFrames_ && !inputEnded_) {
      inFrames_ = pull_(in_.data(), kPullFrames);
      inUsed_ = 0;
      inputEnded_ = inFrames_ == 0;
    }
    size_t used = 0, done = 0;
    // Without input the library gives out what it still holds.
    const float* in = inputEnded_ ? nullptr : in_.data() + inUsed_ * 2;
    if (soxr_error_t e = soxr_process(soxr_.get(), in, size_t(inFrames_ - inUsed_), &used,
                                      stereo + made * 2, size_t(frames - made), &done)) {
      error_ = e;
      break;
    }
    inUsed_ += long(used);
    made += long(done);
    if (inputEnded_ && done == 0) break;
  }
  return made;
}
