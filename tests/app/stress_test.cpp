// The window thread works the canvas hard while the audio thread processes blocks as fast as the
// in-memory sound card delivers them: no crash, no race, no deadlock, every saved patch loads.
// Connections change while the audio thread runs the compiled schedule of the wiring before.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "app/commands.h"
#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/registry.h"
#include "engine/plug.h"
#include "platform/audio/memory_wave.h"
#include "toolkit/key.h"
#include "toolkit/reg.h"

namespace {
// The insert menu's commands.
std::vector<int> InsertCommands() {
  std::vector<int> ids;
  for (const TDeviceEntry& e : DeviceRegistry())
    if (e.caption) ids.push_back(e.command);
  return ids;
}
constexpr size_t kMaxDevices = 24;

// Every window below the root that is of kind T.
template <class T>
std::vector<T*> All(NTWin* w) {
  std::vector<T*> found;
  for (NTWin* c = w->FirstChild; c; c = c->Next) {
    if (auto* t = dynamic_cast<T*>(c)) found.push_back(t);
    for (T* t : All<T>(c)) found.push_back(t);
  }
  return found;
}

Point Inside(const NTWin& w) {
  const Point p = w.AbsPos();
  return {p.x + w.W / 2, p.y + w.H / 2};
}

class Stress {
 public:
  explicit Stress(TMainClient& client) : client_(client) {}

  void Click(Point p) {
    client_.Mouse(MouseKind::LDown, p);
    client_.Mouse(MouseKind::LUp, p);
  }

  template <class T>
  T* Pick() {
    auto all = All<T>(client_.Root());
    if (all.empty()) return nullptr;
    return all[std::uniform_int_distribution<size_t>(0, all.size() - 1)(rng_)];
  }

  void Step() {
    switch (std::uniform_int_distribution<int>(0, 11)(rng_)) {
      case 0:
        if (client_.Devices().size() < kMaxDevices) {
          client_.Command(inserts_[Random(inserts_.size())]);
          Click({int(Random(900)), int(Random(500))});
        }
        break;
      case 1:
        if (auto devices = client_.Devices(); !devices.empty()) {
          client_.PopupDevice = devices[Random(devices.size())];
          client_.Command(cmd::kDeleteDevice);
        }
        break;
      case 2:
      case 3:
        if (auto* out = Pick<NTPlugOut>())
          if (auto* in = Pick<NTPlugIn>()) {
            Click(Inside(*out));
            Click(Inside(*in));
          }
        break;
      case 4:
      case 5:
        if (auto* reg = Pick<NTReg>())
          Click(Inside(Random(2) ? static_cast<NTWin&>(reg->Up) : reg->Down));
        break;
      case 6:
        if (auto* keys = Pick<NTKeyset>()) Click(Inside(*keys));
        if (auto* key = Pick<NTKey>()) Click(Inside(*key));
        break;
      case 7: {
        const auto saved = client_.SaveBytes();
        const size_t devices = client_.Devices().size();
        EXPECT_TRUE(client_.LoadBytes(saved));
        EXPECT_EQ(client_.Devices().size(), devices);
        break;
      }
      case 8:
        client_.PaintPending();
        break;
      case 9:
        for (int t = 0; t < 7; ++t) client_.Timer();
        break;
      case 10:  // two clicks on an input remove its connection
        if (auto* in = Pick<NTPlugIn>()) {
          Click(Inside(*in));
          Click(Inside(*in));
        }
        break;
      case 11:  // a connection the canvas is not told of reaches the audio thread with the timer
        if (auto* out = Pick<NTPlugOut>())
          if (auto* in = Pick<NTPlugIn>()) {
            in->Source = out;
            client_.Timer();
          }
        break;
    }
  }

 private:
  size_t Random(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

  TMainClient& client_;
  std::mt19937 rng_{12345};
  const std::vector<int> inserts_ = InsertCommands();
};

TEST(StressThreads, WindowThreadChangesThePatchWhileAudioRuns) {
  MemoryWaveSystem audio({});
  HeadlessShell shell;
  TMainClient client(shell, &audio);
  client.Resize(1024, 700);
  ASSERT_TRUE(client.Setup());
  Stress stress(client);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  int steps = 0;
  while (std::chrono::steady_clock::now() < end) {
    stress.Step();
    ++steps;
  }
  client.CloseQuery();
  EXPECT_GT(steps, 50);
  EXPECT_GT(audio.Played().size(), 0u);
  // Panels land on top of each other, so a click may hit another connector than aimed at.
  for (const std::string& e : shell.errors) EXPECT_TRUE(e.starts_with("Unerlaubte Verbindung!"));
}
}  // namespace
