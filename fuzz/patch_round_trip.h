#pragma once
// What the patch fuzzer does with one input; the regression test repeats it for every kept file.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "platform/atomic_file.h"
#include "platform/png.h"
#include "platform/read_file.h"
#include "platform/surface.h"

namespace quarvin_fuzz {

// Thousands of legitimately expensive devices (Vocoders, Halls) make one block take seconds;
// that is the cost of such a patch, not a fault, so larger patches run a single block.
constexpr size_t kSmallPatch = 64;
constexpr int kTicks = 7;
constexpr int kMaxSide = 800;

enum class Outcome { Rejected, RoundTripped, ReloadFailed, SavesDiffer };

// A folder of this process's own for the files of one run.
inline std::filesystem::path WorkFolder() {
  static const std::filesystem::path dir = [] {
    auto d =
        std::filesystem::temp_directory_path() / ("quarvin-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

// Input that reaches every range the Input device can publish, full scale included, chosen by the
// patch's own bytes so that the fuzzer varies it too.
inline void FillInput(TSampleBuffer& block, const std::vector<uint8_t>& bytes) {
  int16_t* data = block.Data();
  uint32_t x = 2166136261u;
  for (uint8_t b : bytes) x = (x ^ b) * 16777619u;
  for (int i = 0; i < TSampleBuffer::kFrames * 2; ++i) {
    x = x * 1664525u + 1013904223u;
    data[i] = i % 97 == 0 ? (i % 2 ? int16_t{32767} : int16_t{-32768}) : int16_t(x >> 16);
  }
}

// Loads the bytes from a file as Open does, processes a few blocks of input, draws at a size the
// bytes choose, writes the picture, then saves and reloads through real files.
inline Outcome RoundTrip(const std::vector<uint8_t>& bytes) {
  const std::string in = (WorkFolder() / "in.qvn").string(),
                    saved = (WorkFolder() / "saved.qvn").string();
  if (!WriteFileAtomically(in, bytes)) return Outcome::Rejected;
  HeadlessShell shell;
  TMainClient client{shell, nullptr};
  if (!client.Load(in)) return Outcome::Rejected;
  const int blocks = client.Devices().size() <= kSmallPatch ? 2 : 1;
  for (int i = 0; i < blocks; ++i) {
    FillInput(client.InBlock(0), bytes);
    client.ProcessBlock(0, 0);
  }
  const int width = bytes.empty() ? 800 : 1 + bytes.back() * kMaxSide / 256,
            height = bytes.size() < 2 ? 600 : 1 + bytes[bytes.size() - 2] * kMaxSide / 256;
  client.Resize(width, height);
  for (int i = 0; i < kTicks; ++i) client.Timer();
  Surface surface(width, height);
  client.PaintAll(surface);
  WritePng(surface, (WorkFolder() / "canvas.png").string());

  // The first save holds what processing left (oscillator phases, published values); loading
  // recomputes part of it (a VCO's increment from its control, without FM), so the program's
  // bytes settle after one reload: from then on, saving and loading change nothing.
  client.FileName = saved;
  if (!client.Save()) return Outcome::ReloadFailed;
  HeadlessShell shell2, shell3;
  TMainClient second{shell2, nullptr}, third{shell3, nullptr};
  if (!second.Load(saved)) return Outcome::ReloadFailed;
  second.FileName = saved;
  if (!second.Save()) return Outcome::ReloadFailed;
  const std::vector<uint8_t> settled = ReadFileBytes(saved, 64 << 20);
  if (!third.Load(saved)) return Outcome::ReloadFailed;
  return third.SaveBytes() == settled ? Outcome::RoundTripped : Outcome::SavesDiffer;
}

}  // namespace quarvin_fuzz
