// libFuzzer target: any bytes as a patch file, through load, processing with input, timer,
// painting at any size, the picture, save, reload and a second save.
#include <cstdlib>

#include "patch_round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using quarvin_fuzz::Outcome;
  // A patch the program saved itself must load again and save to the same bytes.
  const Outcome outcome = quarvin_fuzz::RoundTrip({data, data + size});
  if (outcome == Outcome::ReloadFailed || outcome == Outcome::SavesDiffer) std::abort();
  return 0;
}
