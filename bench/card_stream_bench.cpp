// The sound card edge at another rate than ours: what converting one 128-frame block costs, in
// and out together (as --block 128 on a server at that rate moves it), and its share of the
// block's time budget (2.9 ms) in per cent in the "budget%" column, with the quick conversion of
// short blocks and with the filtered one of the default blocks. At 44100 Hz nothing is
// converted; those rows are the edge's cost without conversion.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "platform/audio/card_stream.h"

namespace {

constexpr int kBlock = 128;

struct Block {
  Block() : data(kBlock * kWaveChannels) {
    header.Data = data.data();
    header.Length = uint32_t(data.size() * sizeof(int16_t));
  }
  std::vector<int16_t> data;
  WaveHeader header;
};

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void Convert(benchmark::State& state) {
  const int rate = int(state.range(0));
  const bool shortBlocks = state.range(1) != 0;
  CardStream out, in;
  if (!out.SetCardRate(rate, false, shortBlocks).empty() ||
      !in.SetCardRate(rate, true, shortBlocks).empty()) {
    state.SkipWithError("rate refused");
    return;
  }
  // The card's cycle for one block of ours; the odd frame goes round over the cycles.
  const size_t cardFrames = size_t(kBlock) * size_t(rate) / kSampleRate;
  std::vector<int16_t> card(cardFrames * kWaveChannels + 64);
  for (size_t f = 0; f < card.size() / 2; ++f)
    card[2 * f] = card[2 * f + 1] =
        int16_t(10000 * std::sin(2 * std::numbers::pi * 1000 * double(f) / rate));
  // A few blocks each way, queued again as they complete (queueing a held block does nothing).
  std::vector<Block> played(4), recorded(4);
  const double start = ThreadSeconds();
  for (auto _ : state) {
    for (Block& b : played) out.Queue(b.header);
    for (Block& b : recorded) in.Queue(b.header);
    out.Play(card.data(), cardFrames * kWaveChannels);
    in.Record(card.data(), cardFrames * kWaveChannels);
    benchmark::DoNotOptimize(card.data());
  }
  // Per cent of the block's 2.9 ms that the conversion takes, by this thread's processor time.
  const double seconds = ThreadSeconds() - start;
  constexpr double kBlockSeconds = double(kBlock) / kSampleRate;
  state.counters["budget%"] = 100 * seconds / (double(state.iterations()) * kBlockSeconds);
}

}  // namespace

// Arguments: the card's rate; 1 for the quick conversion of short blocks, 0 for the filtered one.
BENCHMARK(Convert)
    ->ArgsProduct({{44100, 48000, 96000}, {1, 0}})
    ->ArgNames({"rate", "short"})
    ->Unit(benchmark::kMicrosecond);
