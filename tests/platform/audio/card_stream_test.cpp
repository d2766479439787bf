#include "platform/audio/card_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "test_block.h"

namespace {

constexpr double kTone = 1000.0, kAmplitude = 10000.0;

// Interleaved stereo sine of `frames` at `rate`, both channels alike.
std::vector<int16_t> Sine(int rate, size_t frames) {
  std::vector<int16_t> s(frames * kWaveChannels);
  for (size_t f = 0; f < frames; ++f)
    s[2 * f] = s[2 * f + 1] =
        int16_t(std::lrint(kAmplitude * std::sin(2 * std::numbers::pi * kTone * double(f) / rate)));
  return s;
}

struct Figures {
  double hz, db, delayMs;
};

// Frequency (rising zero crossings), RMS level against the source sine in dB, and when the left
// channel first reaches half the amplitude, less when the source did, of interleaved samples.
Figures Measure(const std::vector<int16_t>& s, int rate) {
  std::vector<double> x;
  for (size_t i = 0; i < s.size(); i += 2) x.push_back(s[i]);
  size_t first = 0;
  while (first < x.size() && std::abs(x[first]) < kAmplitude / 2) ++first;
  const double sourceFirst = rate / kTone / 12;  // sin reaches 1/2 at 1/12 of the period
  const std::vector<double> tail(x.begin() + long(x.size() / 2), x.end());
  std::vector<double> ups;
  double sum = 0;
  for (size_t i = 0; i + 1 < tail.size(); ++i) {
    sum += tail[i] * tail[i];
    if (tail[i] < 0 && tail[i + 1] >= 0)
      ups.push_back(double(i) + tail[i] / (tail[i] - tail[i + 1]));
  }
  const double rms = std::sqrt(sum / double(tail.size() - 1));
  return {.hz = (double(ups.size()) - 1) * rate / (ups.back() - ups.front()),
          .db = 20 * std::log10(rms / (kAmplitude / std::sqrt(2.0))),
          .delayMs = (double(first) - sourceFirst) * 1000.0 / rate};
}

}  // namespace

// At our own rate the card sees the blocks' very samples, in both directions: no converter is
// in the path.
TEST(AudioCardStream, AtOurRateTheSamplesPassUntouched) {
  CardStream stream;
  ASSERT_EQ(stream.SetCardRate(kSampleRate, false), "");
  TestBlock played;
  for (size_t i = 0; i < played.Data.size(); ++i) played.Data[i] = int16_t(i * 7919);
  stream.Queue(played.Header);
  std::vector<int16_t> card(played.Data.size());
  stream.Play(card.data(), card.size());
  EXPECT_EQ(card, played.Data);

  CardStream input;
  ASSERT_EQ(input.SetCardRate(kSampleRate, true), "");
  TestBlock recorded;
  input.Queue(recorded.Header);
  input.Record(card.data(), card.size());
  EXPECT_EQ(recorded.Data, card);
}

// At another card rate a 1000 Hz tone keeps its pitch and level on the way to the card and back
// from it, in the odd pieces a callback asks for, and comes through within a few milliseconds
// (within one with the quick conversion of short blocks).
class AudioCardRate : public testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(AudioCardRate, ToneKeepsPitchAndLevelBothWays) {
  const auto [rate, shortBlocks] = GetParam();
  CardStream out, in;
  ASSERT_EQ(out.SetCardRate(rate, false, shortBlocks), "");
  ASSERT_EQ(in.SetCardRate(rate, true, shortBlocks), "");
  EXPECT_EQ(out.CardRate(), rate);
  constexpr int kBlocks = 8;
  std::vector<TestBlock> played(kBlocks), recorded(kBlocks);
  const std::vector<int16_t> ours = Sine(kSampleRate, kBlocks * TestBlock::Frames);
  for (int b = 0; b < kBlocks; ++b) {
    std::copy_n(ours.begin() + b * TestBlock::Samples, TestBlock::Samples, played[b].Data.begin());
    out.Queue(played[b].Header);
    in.Queue(recorded[b].Header);
  }
  const size_t cardFrames = size_t(rate) * kBlocks * TestBlock::Frames / kSampleRate - rate / 50;
  std::vector<int16_t> card(cardFrames * kWaveChannels);
  const std::vector<int16_t> theirs = Sine(rate, cardFrames);
  for (size_t at = 0, piece = 100; at < cardFrames; at += piece, piece = piece % 700 + 61) {
    const size_t n = std::min(piece, cardFrames - at) * kWaveChannels;
    out.Play(card.data() + at * kWaveChannels, n);
    in.Record(theirs.data() + at * kWaveChannels, n);
  }
  std::vector<int16_t> back;
  for (const TestBlock& b : recorded)
    if (b.Header.IsDone()) back.insert(back.end(), b.Data.begin(), b.Data.end());
  for (const auto& [samples, at, what] :
       {std::tuple{card, rate, "to the card"}, std::tuple{back, kSampleRate, "from the card"}}) {
    const Figures f = Measure(samples, at);
    EXPECT_NEAR(f.hz, kTone, 0.05) << what;
    EXPECT_NEAR(f.db, 0.0, 0.05) << what;
    EXPECT_LT(f.delayMs, shortBlocks ? 1.0 : 6.0) << what;
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, AudioCardRate,
                         testing::Combine(testing::Values(22050, 48000, 88200, 96000, 192000),
                                          testing::Bool()));

TEST(AudioCardStream, RatesBeyondTheConverterAreRefusedWithTheirFigure) {
  CardStream stream;
  EXPECT_NE(stream.SetCardRate(1000, false).find("1000 Hz"), std::string::npos);
}
