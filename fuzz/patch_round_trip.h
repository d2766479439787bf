#pragma once
// What the patch fuzzer does with one input; the regression test repeats it for every kept file.
#include <cstdint>
#include <vector>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "platform/surface.h"

namespace quarvin_fuzz {

// Thousands of legitimately expensive devices (Vocoders, Halls) make one block take seconds;
// that is the cost of such a patch, not a fault, so larger patches are only loaded, painted,
// ticked and saved.
constexpr size_t kMaxProcessedDevices = 64;
constexpr int kBlocks = 2;
constexpr int kTicks = 7;

enum class Outcome { Rejected, RoundTripped, ReloadFailed };

// Loads the bytes as Open does, runs the program over them, saves them and loads the saved bytes.
inline Outcome RoundTrip(const std::vector<uint8_t>& bytes) {
  HeadlessShell shell;
  TMainClient client{shell, nullptr};
  if (!client.LoadBytes(bytes)) return Outcome::Rejected;
  if (client.Devices().size() <= kMaxProcessedDevices)
    for (int i = 0; i < kBlocks; ++i) client.ProcessBlock(0, 0);
  Surface surface(800, 600);
  client.PaintAll(surface);
  for (int i = 0; i < kTicks; ++i) client.Timer();
  const std::vector<uint8_t> saved = client.SaveBytes();

  HeadlessShell again;
  TMainClient reloaded{again, nullptr};
  return reloaded.LoadBytes(saved) ? Outcome::RoundTripped : Outcome::ReloadFailed;
}

}  // namespace quarvin_fuzz
