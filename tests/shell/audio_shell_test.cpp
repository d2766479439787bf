// The program's start and end with a sound card in memory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <atomic>

#include <QComboBox>
#include <QLabel>

#include "platform/audio/memory_wave.h"
#include "shell/main_frame.h"
#include "shell/sound_control.h"
#include "shell/sound_dialog.h"

namespace {

using Direction = WaveSystem::Direction;

const std::vector<WaveDeviceInfo> kDevices = {
    {.Index = 0, .HostApi = "ALSA", .Name = "HDA Intel", .InChannels = 2, .OutChannels = 2},
    {.Index = 1, .HostApi = "ALSA", .Name = "USB Audio", .InChannels = 0, .OutChannels = 2},
};

// What the canvas was doing whenever a sound card device was used or closed.
struct CardLog {
  TMainClient* client = nullptr;
  std::atomic<int> usedAfterClose{0};
  int closes = 0;
  int closedWhileAudioRan = 0;
  std::vector<size_t> devicesAtClose;
};

class WatchedDevice : public WaveDevice {
 public:
  WatchedDevice(std::unique_ptr<WaveDevice> inner, CardLog& log)
      : inner_(std::move(inner)), log_(log) {}
  void Queue(WaveHeader& block) override {
    Use();
    inner_->Queue(block);
  }
  void Start() override {
    Use();
    inner_->Start();
  }
  void Unprepare(WaveHeader& block) override {
    Use();
    inner_->Unprepare(block);
  }
  std::string Close() override {
    closed_ = true;
    ++log_.closes;
    if (log_.client->Running()) ++log_.closedWhileAudioRan;
    log_.devicesAtClose.push_back(log_.client->Devices().size());
    return inner_->Close();
  }
  void SetDoorbell(WaveDoorbell* bell) override { inner_->SetDoorbell(bell); }

 private:
  void Use() {
    if (closed_) ++log_.usedAfterClose;
  }
  std::unique_ptr<WaveDevice> inner_;
  CardLog& log_;
  std::atomic<bool> closed_{false};
};

// Stands between the canvas and a memory sound card.
class WatchedCard : public WaveSystem {
 public:
  WatchedCard(WaveSystem& inner, CardLog& log) : inner_(inner), log_(log) {}
  int DeviceCount(Direction d) override { return inner_.DeviceCount(d); }
  std::unique_ptr<WaveDevice> Open(Direction d, std::string& error) override {
    std::unique_ptr<WaveDevice> device = inner_.Open(d, error);
    if (!device) return nullptr;
    return std::make_unique<WatchedDevice>(std::move(device), log_);
  }
  std::vector<WaveDeviceInfo> List() override { return inner_.List(); }

 private:
  WaveSystem& inner_;
  CardLog& log_;
};

// A canvas whose error box only records.
class QuietCanvas : public TCanvasWidget {
 public:
  using TCanvasWidget::TCanvasWidget;
  void ErrorBox(const std::string& text) override { errors.push_back(text); }
  std::vector<std::string> errors;
};

TEST(ProgramAudio, ClosingStopsTheAudioThreadBeforeTheCardIsClosedAndDevicesDeleted) {
  MemoryWaveSystem card(MemoryWaveOptions{.Pace = WavePace::RealTime});
  CardLog log;
  WatchedCard watched(card, log);
  auto owned = std::make_unique<QuietCanvas>(&watched);
  QuietCanvas* canvas = owned.get();
  log.client = &canvas->Client();
  TMainFrame frame(std::move(owned));
  ASSERT_TRUE(frame.Setup());
  ASSERT_TRUE(QTest::qWaitFor([&] { return card.Unprepares(Direction::Out) >= 2; }, 5000));

  frame.close();
  EXPECT_EQ(log.closes, 2);
  EXPECT_EQ(log.closedWhileAudioRan, 0);
  EXPECT_EQ(log.devicesAtClose, (std::vector<size_t>{2, 2}));
  EXPECT_EQ(log.usedAfterClose, 0);
  EXPECT_TRUE(canvas->Client().Devices().empty());
  EXPECT_TRUE(canvas->errors.empty());
}

TEST(ProgramAudio, WithoutAnInputDeviceTheWindowStillOpensWithItsPatch) {
  MemoryWaveSystem card(MemoryWaveOptions{.InDevices = 0});
  auto owned = std::make_unique<QuietCanvas>(&card);
  QuietCanvas* canvas = owned.get();
  TMainFrame frame(std::move(owned));
  EXPECT_FALSE(frame.Setup());
  EXPECT_EQ(canvas->errors, std::vector<std::string>{"No input device found!"});
  EXPECT_EQ(card.Opens(Direction::Out), 0);
  EXPECT_EQ(canvas->Client().Devices().size(), 2u);
  EXPECT_EQ(frame.windowTitle(), "Quarvin V1.01 - (Kein Titel)");
}

// "Soundkarte...": the dialog restarts the sound with the choice on the card the choice opens,
// leaves the patch alone, and the choice is what the next start reads (Qt's settings file).
TEST(ProgramAudio, TheSoundDialogRestartsTheSoundAndItsChoiceIsRemembered) {
  // The settings file is in the test run's own config folder (XDG_CONFIG_HOME, set in main).
  std::vector<WaveSettings> opened;
  auto owned = std::make_unique<QuietCanvas>(nullptr);
  QuietCanvas* canvas = owned.get();
  TMainFrame frame(std::move(owned));
  frame.Setup();
  TSoundControl sound(canvas->Client(), {}, [&opened](const WaveSettings& s) {
    opened.push_back(s);
    return std::make_unique<MemoryWaveSystem>(
        MemoryWaveOptions{.Pace = WavePace::RealTime, .Devices = kDevices});
  });
  ASSERT_TRUE(sound.Start(sound.Settings()));
  {
    TCriticalSection::Lock lock(canvas->Client().Lock);  // the sound runs
    canvas->Client().CreateDevice(DeviceType::VCO);
  }

  TSoundDialog dialog(&frame, sound, kDevices);
  const QList<QComboBox*> combos = dialog.findChildren<QComboBox*>();
  ASSERT_EQ(combos.size(), 4);
  combos[1]->setCurrentIndex(combos[1]->findData(QStringLiteral("USB Audio")));
  combos[2]->setCurrentIndex(combos[2]->findData(128));
  combos[3]->setCurrentIndex(combos[3]->findData(2));
  EXPECT_NE(combos[2]->currentText().indexOf("2,9 ms"), -1);
  dialog.Apply();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[1].Out, "USB Audio");
  EXPECT_EQ(opened[1].BlockFrames, 128);
  EXPECT_EQ(canvas->Client().Threads(), 2);
  EXPECT_TRUE(canvas->Client().SoundRunning());
  EXPECT_EQ(canvas->Client().Devices().size(), 3u);
  EXPECT_EQ(dialog.findChild<QLabel*>("status")->text(), "Soundkarte: 44100 Hz");
  const WaveSettings next = RememberedSoundSettings();
  EXPECT_EQ(next.In, "");
  EXPECT_EQ(next.Out, "USB Audio");
  EXPECT_EQ(next.BlockFrames, 128);
  EXPECT_EQ(RememberedThreads(), 2);
  EXPECT_TRUE(canvas->errors.empty());
}

}  // namespace
