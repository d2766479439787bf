// libFuzzer target: any bytes as the random draws of a patch (devices, controls, wiring, input),
// run through the compiled schedule (on one to three threads) and through the frame-by-frame
// cycle; they must agree.
#include <cstdio>
#include <cstdlib>

#include "platform/denormals.h"
#include "schedule_differential.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static quarvin_fuzz::Canvases* canvases = [] {
    FlushDenormals();
    return new quarvin_fuzz::Canvases;
  }();
  quarvin_fuzz::PatchMaker patch{quarvin_fuzz::TDraws(data, size)};
  const bool wholeBlocks = size > 0 && data[0] % 2 == 0;
  // One to three threads, from a bit the draws leave alone.
  const int threads = 1 + (size > 0 ? data[0] / 2 % 3 : 0);
  if (const std::string differs = CompareSchedule(*canvases, patch, wholeBlocks, threads);
      !differs.empty()) {
    std::fprintf(stderr, "schedule and frame-by-frame cycle: %s\n", differs.c_str());
    std::abort();
  }
  return 0;
}
