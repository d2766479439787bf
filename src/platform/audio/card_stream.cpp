#include "platform/audio/card_stream.h"

#include <soxr.h>

#include <algorithm>
#include <vector>

namespace {

constexpr unsigned kLog2DftSize = 8;
constexpr int kPrimeMs = 250;
constexpr int kMinRate = 8000, kMaxRate = 384000;

}  // namespace

CardStream::CardStream() = default;
CardStream::~CardStream() = default;

void CardStream::Deleter::operator()(soxr* s) const noexcept {
  soxr_delete(s);
}

std::string CardStream::SetCardRate(int rate, bool input, bool shortBlocks) {
  rate_ = rate;
  soxr_.reset();
  if (rate == kSampleRate) return {};
  if (rate < kMinRate || rate > kMaxRate)
    return "Die Soundkarte läuft mit " + std::to_string(rate) + " Hz; umrechnen lassen sich " +
           std::to_string(kMinRate) + " bis " + std::to_string(kMaxRate) + " Hz";
  soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
  io.flags = SOXR_NO_DITHER;  // the same sound in, the same sound out, every time
  const soxr_quality_spec_t quality =
      soxr_quality_spec(shortBlocks ? SOXR_QQ : SOXR_LQ, SOXR_LINEAR_PHASE);
  soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
  runtime.log2_min_dft_size = runtime.log2_large_dft_size = kLog2DftSize;
  soxr_error_t error = nullptr;
  const double from = input ? rate : kSampleRate, to = input ? kSampleRate : rate;
  soxr_.reset(soxr_create(from, to, kWaveChannels, &error, &io, &quality, &runtime));
  if (!soxr_ || error) {
    soxr_.reset();
    return std::string("Umrechnung von ") + std::to_string(rate) +
           " Hz nicht möglich: " + (error ? error : "soxr_create");
  }
  // Silence through the converter in the pieces the callback uses, with no blocks queued: the
  // blocks stay untouched and the converter's buffers reach their working size now.
  const std::vector<int16_t> quiet(kMaxPiece * kWaveChannels, 0);
  std::vector<int16_t> sink(kMaxPiece * kWaveChannels);
  for (int frames = 0; frames < rate * kPrimeMs / 1000; frames += int(kMaxPiece)) {
    if (input)
      RecordPiece(quiet.data(), kMaxPiece);
    else
      PlayPiece(sink.data(), kMaxPiece);
  }
  return {};
}

void CardStream::Record(const int16_t* in, size_t samples) noexcept {
  if (!soxr_) return blocks_.Record(in, samples);
  for (size_t frames = samples / kWaveChannels; frames > 0;) {
    const size_t n = std::min(frames, kMaxPiece);
    RecordPiece(in, n);
    in += n * kWaveChannels;
    frames -= n;
  }
}

void CardStream::Play(int16_t* out, size_t samples) noexcept {
  if (!soxr_) return blocks_.Play(out, samples);
  for (size_t frames = samples / kWaveChannels; frames > 0;) {
    const size_t n = std::min(frames, kMaxPiece);
    PlayPiece(out, n);
    out += n * kWaveChannels;
    frames -= n;
  }
}

// Everything the piece gives goes on to the blocks at once; what does not fit the buffer in one
// go is fetched with further calls that bring no new input.
void CardStream::RecordPiece(const int16_t* in, size_t frames) noexcept {
  constexpr size_t room = sizeof converted_ / sizeof converted_[0] / kWaveChannels;
  for (int guard = 0; guard < 16; ++guard) {
    size_t used = 0, made = 0;
    if (soxr_process(soxr_.get(), in, frames, &used, converted_, room, &made)) return;
    blocks_.Record(converted_, made * kWaveChannels);
    in += used * kWaveChannels;
    frames -= used;
    if (frames == 0 && made < room) return;
  }
}

// The card wants exactly `frames`: the blocks are pulled in small steps until the converter has
// made them, so only the converter's own delay lies between the blocks and the card.
void CardStream::PlayPiece(int16_t* out, size_t frames) noexcept {
  size_t done = 0;
  // A step of kPullFrames makes at least one card frame at any rate above 1/32 of ours.
  for (size_t guard = 0; done < frames && guard < 64 + frames; ++guard) {
    if (pulledAt_ == kPullFrames) {
      blocks_.Play(pulled_, kPullFrames * kWaveChannels);
      pulledAt_ = 0;
    }
    size_t used = 0, made = 0;
    if (soxr_process(soxr_.get(), pulled_ + pulledAt_ * kWaveChannels, kPullFrames - pulledAt_,
                     &used, out + done * kWaveChannels, frames - done, &made))
      break;
    pulledAt_ += used;
    done += made;
  }
  std::fill(out + done * kWaveChannels, out + frames * kWaveChannels, int16_t{0});
}
