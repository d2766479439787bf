#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "patch_round_trip.h"

namespace {
namespace fs = std::filesystem;
using quarvin_fuzz::Outcome;

std::vector<fs::path> FilesIn(const fs::path& dir) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.is_regular_file() && entry.path().filename().string().front() != '.')
      files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<uint8_t> Bytes(const fs::path& file) {
  std::ifstream f(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

const fs::path kSource = QUARVIN_SOURCE_DIR;

// Patches the program wrote itself: every one loads, runs, paints and survives a round trip.
TEST(FuzzRegression, EverySeedPatchRoundTrips) {
  const auto seeds = FilesIn(kSource / "fuzz" / "corpus");
  ASSERT_GE(seeds.size(), 14u);
  for (const auto& file : seeds)
    EXPECT_EQ(quarvin_fuzz::RoundTrip(Bytes(file)), Outcome::RoundTripped) << file;
}

// Damaged files the fuzzer found faults with: each is rejected or survives a round trip, and
// under the sanitizers none reads or writes out of bounds.
TEST(FuzzRegression, EveryDamagedFileIsRejectedOrRoundTrips) {
  for (const auto& file : FilesIn(kSource / "tests" / "app" / "fuzz_regressions")) {
    const Outcome outcome = quarvin_fuzz::RoundTrip(Bytes(file));
    EXPECT_TRUE(outcome == Outcome::Rejected || outcome == Outcome::RoundTripped) << file;
  }
}
}  // namespace
