#include "render/sound_input.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr long kChunkFrames = 4096;

bool IsFloatFormat(int format) {
  const int sub = format & SF_FORMAT_SUBMASK;
  return sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE;
}

// The Ogg and MPEG decoders stop at damage without a word; their header's length is the only
// witness. (Other formats report damage, or have a header the library corrects to what the file
// holds.)
bool EndsSilentlyWhenDamaged(int format) {
  const int major = format & SF_FORMAT_TYPEMASK;
  return major == SF_FORMAT_OGG || major == SF_FORMAT_MPEG;
}

// Full scale at ±1: NaN as silence, everything else clipped; a NaN or infinity would otherwise
// spread over the resampler's whole filter length.
float Cleaned(float x) {
  return std::isnan(x) ? 0.0f : std::clamp(x, -1.0f, 1.0f);
}
}  // namespace

int16_t FloatToSample(float x) {
  if (std::isnan(x)) return 0;
  const float v = x * 32768.0f;
  if (v >= 32767.0f) return 32767;
  if (v <= -32768.0f) return -32768;
  return int16_t(std::lrint(v));
}

SoundInput::SoundInput(const std::string& path, int rate) {
  SF_INFO info{};
  file_.reset(sf_open(path.c_str(), SFM_READ, &info));
  if (!file_) {
    error_ = OpenFailure(nullptr);
    return;
  }
  if (info.channels < 1 || info.samplerate < 1) {
    error_ = "ist beschädigt (keine Kanäle oder keine Abtastrate)";
    return;
  }
  channels_ = info.channels;
  floatSamples_ = IsFloatFormat(info.format) || info.samplerate != rate;
  if (channels_ > 2)
    notes_.push_back(std::to_string(channels_) + " Kanäle, die ersten beiden werden verwendet");
  if (info.samplerate != rate) {
    resampler_ = std::make_unique<Resampler>(
        info.samplerate, rate,
        [this](float* stereo, long frames) { return ReadFloat(stereo, frames); });
    if (!resampler_->Ok()) {
      error_ = "Abtastrate " + std::to_string(info.samplerate) +
               " Hz kann nicht umgerechnet werden (" + resampler_->Error() + ")";
      return;
    }
    notes_.push_back(std::to_string(info.samplerate) + " Hz → " + std::to_string(rate) +
                     " Hz umgerechnet");
  }
  // Pipes announce no length (or any length they like); it only feeds the progress display.
  if (info.frames > 0 && info.frames < SF_COUNT_MAX) {
    expected_ = int64_t(double(info.frames) * rate / info.samplerate);
    if (EndsSilentlyWhenDamaged(info.format)) announced_ = info.frames;
  }
}

template <class T, class ReadFn>
long SoundInput::ReadStereo(T* stereo, long frames, std::vector<T>& raw, ReadFn read) {
  const auto channels = size_t(channels_);
  raw.resize(size_t(kChunkFrames) * channels);
  long got = 0;
  while (got < frames && Ok()) {
    const sf_count_t want = std::min(kChunkFrames, frames - got);
    const sf_count_t n = read(file_.get(), raw.data(), want);
    for (sf_count_t i = 0; i < n; ++i, ++got) {
      stereo[got * 2] = raw[size_t(i) * channels];
      stereo[got * 2 + 1] = raw[size_t(i) * channels + (channels > 1 ? 1 : 0)];
    }
    if (n == want) continue;
    // A short read is the end of the file, or a decoding error the library only reports here (or
    // not at all, when the stream ends before its announced length).
    const std::string broken = "ist nach " + std::to_string(delivered_ + got) +
                               " Frames beschädigt oder nicht weiter lesbar";
    if (sf_error(file_.get()) != SF_ERR_NO_ERROR)
      error_ = SndfileFailure(broken, file_.get());
    else if (delivered_ + got < announced_)
      error_ = broken + " (der Datenstrom endet vor den angekündigten " +
               std::to_string(announced_) + " Frames)";
    break;
  }
  delivered_ += got;
  return got;
}

long SoundInput::ReadFloat(float* stereo, long frames) {
  const long got = ReadStereo(stereo, frames, rawFloat_, sf_readf_float);
  std::transform(stereo, stereo + got * 2, stereo, Cleaned);
  return got;
}

long SoundInput::Read(int16_t* stereo, long frames) {
  if (!Ok()) return 0;
  if (!floatSamples_) return ReadStereo(stereo, frames, rawShort_, sf_readf_short);
  stereoFloat_.resize(size_t(frames) * 2);
  const long got = resampler_ ? resampler_->Read(stereoFloat_.data(), frames)
                              : ReadFloat(stereoFloat_.data(), frames);
  if (resampler_ && !resampler_->Ok() && Ok()) error_ = "Umrechnung: " + resampler_->Error();
  std::transform(stereoFloat_.begin(), stereoFloat_.begin() + got * 2, stereo, FloatToSample);
  return got;
}
