// libFuzzer target: any bytes as a patch file, through load, processing, painting, timer, save
// and reload.
#include <cstdlib>

#include "patch_round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using quarvin_fuzz::Outcome;
  // A patch the program saved itself must load again.
  if (quarvin_fuzz::RoundTrip({data, data + size}) == Outcome::ReloadFailed) std::abort();
  return 0;
}
