#include <gtest/gtest.h>
#include <sndfile.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <semaphore>
#include <thread>

#include "app/commands.h"
#include "app/headless_shell.h"
#include "app/main_client.h"
#include "app/recorder.h"
#include "platform/audio/memory_wave.h"

namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Direction = WaveSystem::Direction;
using Samples = std::vector<int16_t>;

const std::string kLfoVco = std::string(QUARVIN_SOURCE_DIR) + "/examples/lfo_vco.qvn";

// A recording file in memory; it can hold the writer up until released, or fail like a full
// disk once it holds `room` frames.
class MemoryFile : public TRecordFile {
 public:
  struct Contents {
    std::mutex Mutex;
    Samples Written;
    int HeaderUpdates = 0;
    bool Closed = false;
    std::binary_semaphore Gate{1};
    int64_t Room = INT64_MAX;
  };
  explicit MemoryFile(std::shared_ptr<Contents> c) : c_(std::move(c)) {}
  bool Write(const int16_t* stereo, long frames) override {
    c_->Gate.acquire();
    c_->Gate.release();
    std::lock_guard lock(c_->Mutex);
    if (int64_t(c_->Written.size() / 2) + frames > c_->Room) return false;
    c_->Written.insert(c_->Written.end(), stereo, stereo + frames * 2);
    return true;
  }
  bool UpdateHeader() override {
    std::lock_guard lock(c_->Mutex);
    ++c_->HeaderUpdates;
    return true;
  }
  bool Close() override {
    std::lock_guard lock(c_->Mutex);
    c_->Closed = true;
    return true;
  }
  const std::string& Error() const override { return error_; }

 private:
  std::shared_ptr<MemoryFile::Contents> c_;
  std::string error_ = "kein Platz auf dem Gerät";
};

Samples Block(int frames, int16_t first) {
  Samples s(size_t(frames * 2));
  for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(first + int(i));
  return s;
}

Samples Joined(std::initializer_list<Samples> parts) {
  Samples all;
  for (const Samples& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Every frame a reader gets out of a sound file, whatever its header says.
Samples ReadSound(const fs::path& path) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  Samples s;
  if (!f) return s;
  Samples buffer(4096 * size_t(info.channels));
  for (sf_count_t n; (n = sf_readf_short(f, buffer.data(), 2048)) > 0;)
    s.insert(s.end(), buffer.begin(), buffer.begin() + n * info.channels);
  sf_close(f);
  return s;
}

// A recording as the blocks of what the card played, one after another, with silence between
// some of them: where each block lies in the recording and in what was played, and how many
// silences there were. Nullopt when the recording is not made up so.
struct BlockWalk {
  std::vector<std::pair<size_t, size_t>> Blocks;
  int Gaps = 0;
};
std::optional<BlockWalk> WalkBlocks(const Samples& rec, const Samples& played, size_t block) {
  const auto matches = [&](size_t r, size_t p) {
    return r + block <= rec.size() && p + block <= played.size() &&
           std::equal(rec.begin() + long(r), rec.begin() + long(r + block),
                      played.begin() + long(p));
  };
  BlockWalk walk;
  size_t p = 0;
  while (p + block <= played.size() && !matches(0, p)) p += block;
  for (size_t r = 0; r < rec.size();) {
    if (matches(r, p)) {
      walk.Blocks.emplace_back(r, p);
      r += block;
      p += block;
      continue;
    }
    size_t silence = 2;  // whole frames
    while (r + silence < rec.size() && rec[r + silence - 2] == 0 && rec[r + silence - 1] == 0 &&
           !matches(r + silence, p))
      silence += 2;
    if (!matches(r + silence, p)) return std::nullopt;
    ++walk.Gaps;
    r += silence;
  }
  return walk;
}

// The recording holds exactly the blocks handed to the card, with the silence the card played
// between them, and what the patch heard in step beside it; it starts and ends at steps.
TEST(Recorder, WritesThePlayedBlocksWithTheCardsSilenceAndTheInputInStep) {
  TRecorder recorder;
  const Samples heard[4] = {Block(4, 100), Block(4, 200), Block(4, 300), Block(4, 400)};
  const Samples played[4] = {Block(4, -100), Block(4, -200), Block(4, -300), Block(4, -400)};
  recorder.Step(heard[0], played[0], 7);  // before the start: not recorded
  auto out = std::make_shared<MemoryFile::Contents>(),
       in = std::make_shared<MemoryFile::Contents>();
  recorder.Start(std::make_unique<MemoryFile>(out), std::make_unique<MemoryFile>(in));
  EXPECT_TRUE(recorder.Busy());
  recorder.Step(heard[0], played[0], 9);   // silence before the first block is not its own
  recorder.Step(heard[1], {}, 9);          // the card still held its block: nothing played
  recorder.Step(heard[2], played[2], 12);  // the card played 3 frames of silence meanwhile
  recorder.Stop();
  recorder.Step(heard[3], played[3], 12);  // the stop takes effect here
  const auto outcome = recorder.Wait();
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->kind, TRecorder::Outcome::Complete);
  EXPECT_EQ(outcome->Frames, 4 + 3 + 4);
  EXPECT_EQ(outcome->Dropouts, 1);
  const Samples gap(6, 0);
  EXPECT_EQ(out->Written, Joined({played[0], gap, played[2]}));
  EXPECT_EQ(in->Written, Joined({heard[0], gap, heard[2]}));
  EXPECT_TRUE(out->Closed && in->Closed);
  EXPECT_FALSE(recorder.Busy());
}

// A writer held up or failing loses the recording, never the sound: the audio loop keeps its
// pace, the recording ends where it had to and says why, and what was written stays.
TEST(Recorder, AStalledOrFailingWriterNeverHoldsTheSoundUp) {
  struct Case {
    const char* name;
    bool stall;
    int64_t room;  // frames the file takes
    TRecorder::Outcome::Kind kind;
  };
  for (const Case c : {Case{"stalled", true, INT64_MAX, TRecorder::Outcome::Overrun},
                       Case{"disk full", false, 6000, TRecorder::Outcome::Failed}}) {
    SCOPED_TRACE(c.name);
    MemoryWaveSystem audio({.Pace = WavePace::RealTime});
    std::string error;
    auto in = audio.Open(Direction::In, error), out = audio.Open(Direction::Out, error);
    TRecorder recorder(300ms);  // 13230 frames: four blocks and a bit
    auto file = std::make_shared<MemoryFile::Contents>();
    file->Room = c.room;
    if (c.stall) file->Gate.acquire();
    recorder.Start(std::make_unique<MemoryFile>(file), nullptr);
    TAudioLoop::Blocks inBuf, outBuf;
    int blocks = 0;
    Clock::duration longestStep{};
    TAudioLoop loop(*in, *out, inBuf, outBuf,
                    {.Process = [&](const TSampleBuffer&,
                                    TSampleBuffer& o) { std::fill_n(o.Data(), 6000, blocks++); },
                     .Beep = [] {},
                     .Terminating = [&] { return blocks >= 14; },
                     .Handed =
                         [&](const TSampleBuffer& i, const TSampleBuffer* o, uint64_t) {
                           const Clock::time_point start = Clock::now();
                           // No silence: the files hold whole blocks.
                           recorder.Step({i.Data(), 6000},
                                         o ? Samples(o->Data(), o->Data() + 6000) : Samples(), 0);
                           longestStep = std::max(longestStep, Clock::now() - start);
                         }});
    loop.Run();
    EXPECT_EQ(loop.Stats().Late, 0);
    EXPECT_LT(longestStep, 5ms);
    EXPECT_TRUE(recorder.Busy()) << "the recording ended by itself";
    recorder.AudioEnded();
    if (c.stall) file->Gate.release();
    const auto outcome = recorder.Wait();
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->kind, c.kind);
    if (c.kind == TRecorder::Outcome::Failed) {
      EXPECT_EQ(outcome->Error, "kein Platz auf dem Gerät");
    }
    // Whole blocks, the first ones, in order.
    ASSERT_EQ(file->Written.size() % 6000, 0u);
    EXPECT_GE(file->Written.size(), c.stall ? 4 * 6000u : 0u);
    EXPECT_LE(file->Written.size(), size_t(std::min<int64_t>(c.room, 4 * 3000)) * 2);
    for (size_t k = 0; k < file->Written.size(); ++k)
      ASSERT_EQ(file->Written[k], file->Written[k / 6000 * 6000]) << k;
    EXPECT_TRUE(file->Closed);
    in->Close();
    out->Close();
  }
}

class RecordingClient : public ::testing::Test {
 protected:
  RecordingClient()
      : dir(fs::temp_directory_path() / ("quarvin-recording-" + std::to_string(::getpid()))) {
    fs::create_directories(dir);
  }
  ~RecordingClient() override { fs::remove_all(dir); }
  fs::path dir;
};

// The menu command records what goes to the card, block for block, and beside it what the patch
// heard; the title counts along, the menu entry ends it, and the end is reported.
TEST_F(RecordingClient, TheCommandRecordsWhatTheCardPlaysAndWhatThePatchHeard) {
  Samples input(size_t(2 * 44100 * 3));
  for (size_t i = 0; i < input.size(); ++i) input[i] = int16_t(i * 7);
  MemoryWaveSystem audio({.Pace = WavePace::RealTime, .Input = input});
  HeadlessShell shell;
  TMainClient client(shell, &audio);
  ASSERT_TRUE(client.Setup());
  ASSERT_TRUE(client.Load(kLfoVco));
  const fs::path take = dir / "take.wav";
  shell.recordingAnswer = RecordingChoice{take.string(), true};
  client.Command(cmd::kRecord);
  ASSERT_TRUE(shell.errors.empty()) << shell.errors[0];
  EXPECT_EQ(shell.menuCaptions[cmd::kRecord], kRecordingCaption);
  EXPECT_EQ(shell.caption, "Quarvin V1.01 - " + kLfoVco + " - Aufnahme 0:00, 0 Aussetzer");
  while (client.Recorder().Frames() < 44100) std::this_thread::sleep_for(10ms);
  client.Timer();
  EXPECT_TRUE(shell.caption.starts_with("Quarvin V1.01 - " + kLfoVco + " - Aufnahme 0:01, "))
      << shell.caption;
  client.Command(cmd::kRecord);
  while (shell.notices.empty()) {
    client.Timer();
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(shell.menuCaptions[cmd::kRecord], kRecordCaption);
  EXPECT_EQ(shell.caption, "Quarvin V1.01 - " + kLfoVco);
  client.CloseQuery();
  const Samples recorded = ReadSound(take), heard = ReadSound(dir / "take-eingang.wav");
  ASSERT_GE(recorded.size(), 2u * 44100);
  const auto walk = WalkBlocks(recorded, audio.Played(), 6000);
  ASSERT_TRUE(walk) << "the recording is not what the card played";
  const std::string seconds = std::to_string((recorded.size() / 2 * 10 + 22050) / 44100);
  EXPECT_EQ(shell.notices.at(0), "Aufnahme beendet: " + take.string() + ", " +
                                     seconds.substr(0, seconds.size() - 1) + "," + seconds.back() +
                                     " s (" + std::to_string(recorded.size() / 2) + " Frames), " +
                                     std::to_string(walk->Gaps) + " Aussetzer.");
  // The input in step: each block what the patch heard while it computed the played one.
  Samples expected(recorded.size(), 0);
  for (const auto& [r, p] : walk->Blocks)
    std::copy_n(input.begin() + long(p), 6000, expected.begin() + long(r));
  EXPECT_EQ(heard, expected);
}

TEST_F(RecordingClient, ARecordingNeverReplacesAFileUnasked) {
  MemoryWaveSystem audio({.Pace = WavePace::RealTime});
  HeadlessShell shell;
  TMainClient client(shell, &audio);
  ASSERT_TRUE(client.Setup());
  const fs::path there = dir / "da.wav";
  std::ofstream(there) << "kept";
  EXPECT_EQ(client.StartRecording(there.string(), false, SoundOutput::Existing::Refuse),
            there.string() + ": gibt es schon");
  EXPECT_EQ(client.StartRecording((dir / "x.mp3").string(), false, SoundOutput::Existing::Replace),
            (dir / "x.mp3").string() + ": unbekanntes Format (möglich: .wav, .flac, .ogg, .aiff)");
  // The input's file beside the chosen one is asked about; "Nein" starts nothing.
  std::ofstream(dir / "da-eingang.wav") << "kept";
  shell.recordingAnswer = RecordingChoice{there.string(), true};
  client.Command(cmd::kRecord);
  EXPECT_EQ(shell.questions.at(0), "\"" + (dir / "da-eingang.wav").string() +
                                       "\" gibt es schon.\nSoll die Datei ersetzt werden?");
  EXPECT_FALSE(client.Recorder().Busy());
  client.CloseQuery();
  for (const char* name : {"da.wav", "da-eingang.wav"}) {
    std::ifstream f(dir / name);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(f), {}), "kept") << name;
  }
  HeadlessShell quiet;
  TMainClient withoutSound(quiet, nullptr);
  withoutSound.Setup();
  EXPECT_EQ(
      withoutSound.StartRecording((dir / "y.wav").string(), false, SoundOutput::Existing::Refuse),
      "Ohne laufenden Ton gibt es nichts aufzunehmen.");
}

// A program killed while it records leaves a WAV, AIFF or FLAC file readable to within the last
// second (the header is brought up to date every second), and the next start names it.
TEST_F(RecordingClient, AKilledProgramLeavesAReadableRecordingThatTheNextStartNames) {
  for (const char* name : {"take.wav", "take.aiff", "take.flac"}) {
    SCOPED_TRACE(name);
    const fs::path take = dir / name, state = dir / "state";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      MemoryWaveSystem audio({.Pace = WavePace::RealTime});
      HeadlessShell shell;
      TMainClient client(shell, &audio);
      client.StartRecovery(state);
      if (client.Setup() && client.Load(kLfoVco) &&
          client.StartRecording(take.string(), false, SoundOutput::Existing::Refuse).empty())
        (void)!::write(ready[1], "r", 1);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the child did not start recording";
    ::close(ready[0]);
    const Clock::time_point started = Clock::now();
    std::this_thread::sleep_for(2500ms);
    const double ran = std::chrono::duration<double>(Clock::now() - started).count();
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    const Samples kept = ReadSound(take);
    EXPECT_GE(double(kept.size() / 2) / 44100, ran - 1.0 - 0.2) << "ran " << ran << " s";
    EXPECT_TRUE(std::any_of(kept.begin(), kept.end(), [](int16_t s) { return s != 0; }));

    HeadlessShell shell;
    TMainClient next(shell, nullptr);
    next.StartRecovery(state);
    ASSERT_EQ(shell.notices.size(), 1u);
    EXPECT_TRUE(shell.notices[0].starts_with("Eine Aufnahme wurde nicht beendet: " + take.string() +
                                             " — sie ist bis "))
        << shell.notices[0];
    EXPECT_TRUE(shell.notices[0].ends_with(" lesbar.")) << shell.notices[0];
    EXPECT_TRUE(fs::exists(take)) << "the recording stays";
    HeadlessShell again;
    TMainClient later(again, nullptr);
    later.StartRecovery(state);
    EXPECT_TRUE(again.notices.empty()) << "named once";
  }
}
}  // namespace

namespace {
const std::string kTool = std::string(QUARVIN_BINARY_DIR) + "/quarvin-render";

// Runs the render tool with its standard error into a file; the child's process id.
pid_t StartTool(const std::vector<std::string>& args, const fs::path& errors) {
  const pid_t child = ::fork();
  if (child == 0) {
    std::vector<char*> argv{const_cast<char*>("quarvin-render")};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (!std::freopen(errors.c_str(), "w", stderr)) std::_Exit(126);
    ::execv(kTool.c_str(), argv.data());
    std::_Exit(127);
  }
  return child;
}

int ExitCode(pid_t child) {
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Text(const fs::path& p) {
  std::ifstream f(p);
  return {std::istreambuf_iterator<char>(f), {}};
}

// The live runner on a real-time sound card (jack_test.sh starts a dummy JACK server) records
// exactly what the offline render computes: the same blocks, bit for bit, from the block at
// which the recording began. A second take into the same file is refused.
TEST_F(RecordingClient, LiveRecordingEqualsTheOfflineRender) {
  if (!std::getenv("QUARVIN_SOUND_CARD")) GTEST_SKIP() << "no sound card for tests (jack_test.sh)";
  constexpr int kBlocks = 30;
  const fs::path take = dir / "live.wav", offline = dir / "offline.wav", log = dir / "live.log";
  const pid_t live = StartTool({"--live", kLfoVco, "--aufnahme", take.string()}, log);
  // The header, brought up to date every second, says how far the recording is.
  const Clock::time_point deadline = Clock::now() + 30s;
  while (SoundFileFrames(take.string()).value_or(0) < kBlocks * 3000 && Clock::now() < deadline)
    std::this_thread::sleep_for(100ms);
  ::kill(live, SIGTERM);
  ASSERT_EQ(ExitCode(live), 0) << Text(log);
  const Samples recorded = ReadSound(take);
  const std::string report = "Aufnahme beendet: " + take.string() + ", ";
  EXPECT_NE(Text(log).find(report), std::string::npos) << Text(log);
  EXPECT_NE(Text(log).find(" (" + std::to_string(recorded.size() / 2) + " Frames), "),
            std::string::npos)
      << Text(log);
  ASSERT_GE(recorded.size(), size_t(kBlocks) * 6000);

  const int blocks = int(recorded.size() / 6000) + 40;
  ASSERT_EQ(
      ExitCode(StartTool({kLfoVco, "-q", "-b", std::to_string(blocks), "-o", offline.string()},
                         dir / "offline.log")),
      0);
  const auto walk = WalkBlocks(recorded, ReadSound(offline), 6000);
  ASSERT_TRUE(walk) << "the live recording differs from the offline render";
  EXPECT_LT(walk->Blocks.front().second, 20u * 6000) << "began long after the patch was loaded";
  EXPECT_NE(Text(log).find(", " + std::to_string(walk->Gaps) + " Aussetzer."), std::string::npos)
      << Text(log);

  const auto size = fs::file_size(take);
  EXPECT_EQ(ExitCode(StartTool({"--live", kLfoVco, "--aufnahme", take.string()}, log)), 1);
  EXPECT_EQ(Text(log), "quarvin-render: " + take.string() + ": gibt es schon\n");
  EXPECT_EQ(fs::file_size(take), size);
}
}  // namespace
