#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound_file.h"
#include "render/resampler.h"

// A sound file read block by block as 16-bit stereo at the engine's rate, whatever its own rate,
// channel count or sample format. Nothing is reserved from what the header claims, so memory
// stays the same for any length the file names or holds.
class SoundInput {
 public:
  SoundInput(const std::string& path, int rate);
  SoundInput(const SoundInput&) = delete;
  SoundInput& operator=(const SoundInput&) = delete;

  bool Ok() const { return error_.empty(); }
  // What went wrong, in German, without the file name.
  const std::string& Error() const { return error_; }
  // Conversions the input goes through, one line each (rate, channels).
  const std::vector<std::string>& Notes() const { return notes_; }
  // The length the header announces after conversion, for the progress display; 0 if unknown.
  int64_t ExpectedFrames() const { return expected_; }

  // Fills `stereo` with up to `frames` frames; fewer only at the end of the input or after an
  // error (then Ok() is false).
  long Read(int16_t* stereo, long frames);

 private:
  template <class T, class ReadFn>
  long ReadStereo(T* stereo, long frames, std::vector<T>& raw, ReadFn read);
  long ReadFloat(float* stereo, long frames);

  SndfileHandle file_;
  int channels_ = 0;
  bool floatSamples_ = false;
  std::vector<int16_t> rawShort_;
  std::vector<float> rawFloat_, stereoFloat_;
  std::unique_ptr<Resampler> resampler_;
  int64_t expected_ = 0, delivered_ = 0;
  // The length a decoder that ends silently at damage must reach; 0 for other formats.
  int64_t announced_ = 0;
  std::vector<std::string> notes_;
  std::string error_;
};

// A float sample (full scale ±1) as a 16-bit one: clipped, NaN as silence.
int16_t FloatToSample(float x);
