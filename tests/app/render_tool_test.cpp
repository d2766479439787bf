#include <gtest/gtest.h>
#include <sndfile.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "canvas_fixture.h"
#include "platform/sound_output.h"

namespace {
namespace fs = std::filesystem;

const std::string kTool = std::string(QUARVIN_BINARY_DIR) + "/quarvin-render";

struct ToolRun {
  int code = -1;     // the exit code, or -1 after a signal
  std::string err;   // what the tool wrote to stderr
  long peakKiB = 0;  // its peak resident memory
};

// Runs a shell command, optionally with a limit on the size of any file it writes (as a full disk
// would set); what it writes to stderr is kept, its stdout dropped.
ToolRun RunShell(const std::string& shellCommand, long fileSizeLimit = 0) {
  const std::string errFile =
      fs::temp_directory_path() / ("render-err-" + std::to_string(::getpid()));
  const std::string command = "{ " + shellCommand + "; } 2>" + errFile + " >/dev/null";
  const pid_t child = ::fork();
  if (child == 0) {
    if (fileSizeLimit > 0) {
      const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails like one on a full disk
    }
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  std::ifstream f(errFile);
  ToolRun r{WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            {std::istreambuf_iterator<char>(f), {}},
            usage.ru_maxrss};
  fs::remove(errFile);
  return r;
}

// Runs the tool, optionally with a file piped into its standard input.
ToolRun RunWith(const std::string& args, long fileSizeLimit = 0, const std::string& pipeFrom = "") {
  return RunShell((pipeFrom.empty() ? "" : "cat " + pipeFrom + " | ") + kTool + " " + args,
                  fileSizeLimit);
}

// This process's own peak resident memory. The forked child counts what this process held at the
// fork, so a tool's peak as wait4 reports it shows the tool only where it exceeds that.
long OwnPeakKiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int RunTool(const std::string& args) {
  return RunWith(args).code;
}

std::vector<int16_t> ReadWav(const fs::path& path, SF_INFO& info) {
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return {};
  std::vector<int16_t> samples(size_t(info.frames * info.channels));
  sf_readf_short(f, samples.data(), info.frames);
  sf_close(f);
  return samples;
}

void WriteWav(const fs::path& path, const std::vector<int16_t>& samples, int channels, int rate) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  sf_writef_short(f, samples.data(), sf_count_t(samples.size()) / channels);
  sf_close(f);
}

void WriteFloats(const fs::path& path, const std::vector<double>& samples, int channels, int rate,
                 int format) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_TRUE(f) << sf_strerror(nullptr);
  sf_writef_double(f, samples.data(), sf_count_t(samples.size()) / channels);
  sf_close(f);
}

std::vector<double> Sine(double hz, int rate, int frames, double level) {
  std::vector<double> s(static_cast<size_t>(frames));
  for (int n = 0; n < frames; ++n) s[size_t(n)] = level * std::sin(2 * M_PI * hz * n / rate);
  return s;
}

void Overwrite(const fs::path& path, long at, const std::vector<uint8_t>& bytes) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(at);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string Text(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

class RenderTool : public CanvasTest {
 protected:
  RenderTool() : dir(fs::temp_directory_path() / ("quarvin-render-" + std::to_string(::getpid()))) {
    fs::create_directories(dir);
    Connect(Input().L, Output().L);
    Connect(Input().R, Output().R);
    patch = dir / "through.qvn";
    const auto bytes = client.SaveBytes();
    std::ofstream(patch, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  ~RenderTool() override { fs::remove_all(dir); }
  fs::path dir, patch;
};

TEST_F(RenderTool, PassesAMonoInputThroughOneFrameLate) {
  std::vector<int16_t> mono(4000);
  for (size_t i = 0; i < mono.size(); ++i) mono[i] = int16_t(i * 7 - 9000);
  WriteWav(dir / "in.wav", mono, 1, 44100);
  ASSERT_EQ(RunTool(patch.string() + " -q -i " + (dir / "in.wav").string() + " -o " +
                    (dir / "out.wav").string()),
            0);
  SF_INFO info{};
  const auto out = ReadWav(dir / "out.wav", info);
  EXPECT_EQ(info.samplerate, 44100);
  EXPECT_EQ(info.channels, 2);
  ASSERT_EQ(info.frames, 6000);  // two blocks
  EXPECT_EQ(out[0], 0);
  for (size_t n = 1; n < 4000; ++n) {
    ASSERT_EQ(out[2 * n], mono[n - 1]) << n;  // across the block boundary at 3000
    ASSERT_EQ(out[2 * n + 1], mono[n - 1]) << n;
  }
  EXPECT_EQ(out[2 * 4000], mono[3999]);
  EXPECT_EQ(out[2 * 4001], 0);
}

TEST_F(RenderTool, ExitCodes) {
  EXPECT_EQ(RunTool("--help"), 0);
  EXPECT_EQ(RunTool(""), 1);
  EXPECT_EQ(RunTool(patch.string() + " -b"), 1);
  EXPECT_EQ(RunTool(patch.string() + " --bogus"), 1);
  std::ofstream(dir / "bad.qvn") << "not a patch";
  EXPECT_EQ(RunTool((dir / "bad.qvn").string()), 2);
  EXPECT_EQ(RunTool((dir / "missing.qvn").string()), 1);
  EXPECT_EQ(RunTool(patch.string() + " -o " + (dir / "x.mp3").string()), 1);
  EXPECT_EQ(RunTool(patch.string() + " -i " + (dir / "missing.wav").string()), 1);
}

// A file cut short is rejected for batch work: the message, exit code 2 and nothing written.
TEST_F(RenderTool, ACutFileExitsWithTwoAndWritesNothing) {
  const fs::path cut = dir / "cut.qvn";
  fs::copy_file(patch, cut);
  fs::resize_file(cut, fs::file_size(patch) - 20);
  const fs::path out = dir / "cut.wav";
  const ToolRun run =
      RunWith(cut.string() + " -o " + out.string() + " -s " + (dir / "saved.qvn").string());
  EXPECT_EQ(run.code, 2);
  EXPECT_EQ(run.err,
            "Die Datei ist beschädigt oder unvollständig!\nWas gelesen werden konnte, wurde "
            "geladen.\n");
  EXPECT_FALSE(fs::exists(out));
  EXPECT_FALSE(fs::exists(dir / "saved.qvn"));
}

TEST_F(RenderTool, ZeroBlocksReproducesTheFileByteForByte) {
  ASSERT_EQ(RunTool(patch.string() + " -q -b 0 -s " + (dir / "again.qvn").string()), 0);
  std::ifstream a(patch, std::ios::binary), b(dir / "again.qvn", std::ios::binary);
  const std::string sa{std::istreambuf_iterator<char>(a), {}},
      sb{std::istreambuf_iterator<char>(b), {}};
  EXPECT_EQ(sa.size(), 97u);
  EXPECT_EQ(sa, sb);
}

TEST_F(RenderTool, SilenceWithoutInputAndAPicture) {
  ASSERT_EQ(RunTool(patch.string() + " -q -b 3 -o " + (dir / "s.wav").string() + " --png " +
                    (dir / "p.png").string() + " --size 320x200"),
            0);
  SF_INFO info{};
  const auto out = ReadWav(dir / "s.wav", info);
  EXPECT_EQ(info.frames, 9000);
  for (int16_t s : out) ASSERT_EQ(s, 0);
  EXPECT_GT(fs::file_size(dir / "p.png"), 100u);
}

// Float and double files are full scale at ±1: scaled to 16 bits, clipped, NaN as silence.
TEST_F(RenderTool, FloatInputIsScaledAndClipped) {
  const double inf = HUGE_VAL;
  const std::vector<double> in{0.5, -0.25, NAN, inf, -inf, 1e30, -1e30, 1.5, -1.5, 1.0};
  const std::vector<int16_t> expected{16384, -8192,  0,     32767,  -32768,
                                      32767, -32768, 32767, -32768, 32767};
  for (int format : {SF_FORMAT_WAV | SF_FORMAT_FLOAT, SF_FORMAT_WAV | SF_FORMAT_DOUBLE}) {
    WriteFloats(dir / "f.wav", in, 1, 44100, format);
    ASSERT_EQ(RunTool(patch.string() + " -q -i " + (dir / "f.wav").string() + " -o " +
                      (dir / "o.wav").string()),
              0);
    SF_INFO info{};
    const auto out = ReadWav(dir / "o.wav", info);
    for (size_t n = 0; n < in.size(); ++n) EXPECT_EQ(out[2 * (n + 1)], expected[n]) << n;
  }
}

// Headers that promise more than the file holds cost no memory; a file that breaks off in the
// middle is an error, never a shorter result.
TEST_F(RenderTool, DamagedInputIsReadAsFarAsItGoesOrReported) {
  std::vector<double> noise(5 * 44100);
  uint32_t x = 1;
  for (double& v : noise) v = double(int32_t(x = x * 1664525 + 1013904223)) / 0x1p32;
  WriteFloats(dir / "a.flac", noise, 1, 44100, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  fs::copy_file(dir / "a.flac", dir / "corrupt.flac");
  const long half = long(fs::file_size(dir / "a.flac") / 2);
  Overwrite(dir / "corrupt.flac", half, std::vector<uint8_t>(200, 0x55));
  // The total sample count in the stream info: the last 36 of eight bytes at offset 18.
  fs::copy_file(dir / "a.flac", dir / "claims.flac");
  Overwrite(dir / "claims.flac", 21, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  // Ogg and MP3 decoders stop at damage without an error: the announced length is missed.
  std::vector<uint8_t> garbage(4096);
  x = 1;
  for (uint8_t& b : garbage) b = uint8_t((x = x * 1664525 + 1013904223) >> 24);
  for (const char* name : {"cut.ogg", "cut.mp3"}) {
    const bool mp3 = fs::path(name).extension() == ".mp3";
    const int channels = mp3 ? 2 : 1;
    WriteFloats(dir / name, Sine(440, 44100, 441000 * channels, 0.5), channels, 44100,
                mp3 ? SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III : SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    Overwrite(dir / name, long(fs::file_size(dir / name) / 2),
              std::vector<uint8_t>(garbage.begin(), garbage.begin() + (mp3 ? 4096 : 16)));
  }
  WriteFloats(dir / "b.wav", Sine(440, 44100, 10000, 0.5), 2, 44100,
              SF_FORMAT_RF64 | SF_FORMAT_PCM_16);
  // ds64: the data size and the sample count as 2^40 frames.
  Overwrite(dir / "b.wav", 28, {0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
  struct Case {
    std::string args, pipeFrom;
    int code;
    const char* says;
    sf_count_t frames;  // of the output: what the input really holds, in whole blocks
  } cases[] = {
      {"-i " + (dir / "corrupt.flac").string(), "", 1, "beschädigt", 0},
      {"-i " + (dir / "cut.ogg").string(), "", 1, "vor den angekündigten 441000 Frames", 0},
      {"-i " + (dir / "cut.mp3").string(), "", 1, "vor den angekündigten 441000 Frames", 0},
      {"-i " + (dir / "claims.flac").string(), "", 0, "", 74 * 3000},
      {"-i /dev/stdin", (dir / "b.wav").string(), 0, "", 2 * 3000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    fs::remove(dir / "o.wav");
    const ToolRun r = RunWith(patch.string() + " -q " + c.args + " -o " + (dir / "o.wav").string(),
                              0, c.pipeFrom);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    if (OwnPeakKiB() < 200 * 1024) {  // else the figure shows nothing of the tool
      EXPECT_LT(r.peakKiB, 200 * 1024);
    }
    EXPECT_EQ(fs::exists(dir / "o.wav"), c.code == 0);
    SF_INFO info{};
    ReadWav(dir / "o.wav", info);
    EXPECT_EQ(info.frames, c.frames);
  }
}

// Memory does not grow with the length of the render.
TEST_F(RenderTool, MemoryIsIndependentOfTheLength) {
  const ToolRun shortRun = RunWith(patch.string() + " -q -b 10 -o /dev/null");
  const ToolRun longRun = RunWith(patch.string() + " -q -b 20000 -o /dev/null");  // 23 min of audio
  ASSERT_EQ(shortRun.code, 0);
  ASSERT_EQ(longRun.code, 0);
  EXPECT_LT(longRun.peakKiB - shortRun.peakKiB, 8 * 1024);
}

// -o and --png replace their targets only with complete files, and say why they could not.
TEST_F(RenderTool, AFailedWriteKeepsTheOldFileAndSaysSo) {
  std::ofstream(dir / "old.wav") << "old sound";
  std::ofstream(dir / "old.png") << "old picture";
  const struct {
    std::string args, target, before;
    long limit;  // the largest file the tool may write, as a full disk would allow
  } cases[] = {
      {"-b 50 -o " + (dir / "old.wav").string(), "old.wav", "old sound", 100000},
      {"--png " + (dir / "old.png").string(), "old.png", "old picture", 10000},
      {"-o " + (dir / "none" / "x.wav").string(), "", "", 0},
      {"--png " + (dir / "none" / "x.png").string(), "", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const ToolRun r = RunWith(patch.string() + " -q " + c.args, c.limit);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("kann nicht geschrieben werden"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("libpng"), std::string::npos) << "only the tool speaks: " << r.err;
    EXPECT_EQ(c.target.empty() ? "" : Text(dir / c.target), c.before);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3) << "no temporary file is left";
}

// Another rate is converted by the resampler: a 1 kHz sine at 48 kHz keeps its pitch and level.
TEST_F(RenderTool, AnyInputRateIsConverted) {
  WriteFloats(dir / "48k.wav", Sine(1000, 48000, 48000, 0.5), 1, 48000,
              SF_FORMAT_WAV | SF_FORMAT_PCM_24);
  const ToolRun r = RunWith(patch.string() + " -i " + (dir / "48k.wav").string() + " -o " +
                            (dir / "o.wav").string());
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("48000 Hz → 44100 Hz umgerechnet"), std::string::npos) << r.err;
  SF_INFO info{};
  const auto out = ReadWav(dir / "o.wav", info);
  EXPECT_EQ(info.frames, 45000);  // 44100 converted frames in 15 blocks
  // Zero crossings, interpolated, over the settled middle of the second.
  std::vector<double> crossings;
  double power = 0;
  for (size_t n = 4410; n < 39690; ++n) {
    const double a = out[2 * n], b = out[2 * n + 2];
    power += a * a;
    if (a < 0 && b >= 0) crossings.push_back(double(n) + a / (a - b));
  }
  ASSERT_GT(crossings.size(), 700u);
  const double hz = 44100.0 * double(crossings.size() - 1) / (crossings.back() - crossings.front());
  EXPECT_NEAR(hz, 1000.0, 0.01);
  const double rms = std::sqrt(power / (39690 - 4410)) / 32768;
  EXPECT_NEAR(20 * std::log10(rms / (0.5 / std::sqrt(2.0))), 0.0, 0.05);  // dB
  EXPECT_NE(r.err.find("48000 Hz"), std::string::npos);
}

// More than two channels: the first two are used, and the tool says so once.
TEST_F(RenderTool, TheFirstTwoOfManyChannelsAreUsed) {
  WriteWav(dir / "quad.wav", {1, 2, 3, 4, 5, 6, 7, 8}, 4, 44100);
  const ToolRun r = RunWith(patch.string() + " -i " + (dir / "quad.wav").string() + " -o " +
                            (dir / "o.wav").string());
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.err.find("4 Kanäle, die ersten beiden werden verwendet"),
            r.err.rfind("4 Kanäle, die ersten beiden werden verwendet"));
  EXPECT_NE(r.err.find("4 Kanäle"), std::string::npos) << r.err;
  SF_INFO info{};
  const auto out = ReadWav(dir / "o.wav", info);
  EXPECT_EQ(std::vector<int16_t>(out.begin() + 2, out.begin() + 6),
            (std::vector<int16_t>{1, 2, 5, 6}));
}

// The extension chooses the format; the lossless ones hold the same 16-bit samples.
TEST_F(RenderTool, TheOutputFormatFollowsTheExtension) {
  WriteFloats(dir / "in.wav", Sine(330, 44100, 7000, 0.7), 1, 44100,
              SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  const struct {
    const char* name;
    int major;
  } cases[] = {{"o.wav", SF_FORMAT_WAV},
               {"o.flac", SF_FORMAT_FLAC},
               {"o.AIFF", SF_FORMAT_AIFF},
               {"o.ogg", SF_FORMAT_OGG}};
  std::vector<int16_t> wav;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(RunTool(patch.string() + " -q -i " + (dir / "in.wav").string() + " -o " +
                      (dir / c.name).string()),
              0);
    SF_INFO info{};
    const auto out = ReadWav(dir / c.name, info);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, c.major);
    EXPECT_EQ(info.frames, 9000);
    EXPECT_EQ(info.samplerate, 44100);
    if (c.major == SF_FORMAT_WAV) wav = out;
    if (c.major != SF_FORMAT_OGG) {
      EXPECT_EQ(out, wav);
    }
  }
  const ToolRun r = RunWith(patch.string() + " -o " + (dir / "o.mp3").string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(".wav, .flac, .ogg, .aiff"), std::string::npos) << r.err;
}

TEST(RenderOutputFormat, LongWavFilesBecomeRf64) {
  const int64_t limit = MaxFrames(SF_FORMAT_WAV);
  EXPECT_GT(limit, 1'000'000'000);
  EXPECT_LT(limit * 4, int64_t{1} << 32);
  EXPECT_EQ(OutputFormat("a.wav", limit), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_EQ(OutputFormat("a.wav", limit + 1), SF_FORMAT_RF64 | SF_FORMAT_PCM_16);
  EXPECT_EQ(OutputFormat("a.wav", -1), SF_FORMAT_RF64 | SF_FORMAT_PCM_16) << "length unknown";
  EXPECT_EQ(MaxFrames(SF_FORMAT_AIFF | SF_FORMAT_PCM_16), limit);
  EXPECT_EQ(OutputFormat("a.txt", 1), std::nullopt);

  // A file begun as RF64 that stays short is readable with its exact length.
  const fs::path path = fs::temp_directory_path() / ("rf64-" + std::to_string(::getpid()) + ".wav");
  const std::vector<int16_t> block(6000, -1234);
  SoundOutput out(path.string(), SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 44100);
  ASSERT_TRUE(out.Write(block.data(), 3000) && out.Close()) << out.Error();
  SF_INFO info{};
  EXPECT_EQ(ReadWav(path, info), block);
  EXPECT_EQ(info.frames, 3000);
  fs::remove(path);
}

// Every message names the file and says in German what went wrong.
TEST_F(RenderTool, MessagesNameTheFileInTheToolsVoice) {
  std::ofstream(dir / "text.wav") << "this is not a sound";
  const struct {
    std::string args, says;
    int code;
  } cases[] = {
      {"-i /nonexistent.wav",
       "quarvin-render: /nonexistent.wav: kann nicht geöffnet werden (No such file or directory)",
       1},
      {"-i " + (dir / "text.wav").string(),
       (dir / "text.wav").string() + ": ist keine lesbare Tondatei", 1},
      {"-o /nonexistent/o.wav", "quarvin-render: /nonexistent/o.wav: kann nicht geschrieben werden",
       1},
      {"-b 0 -s " + dir.string(), dir.string() + ": kann nicht gespeichert werden (Is a directory)",
       1},
      {"--version", "", 0},
  };
  for (const auto& c : cases) {
    const ToolRun r = RunWith(patch.string() + " " + c.args);
    EXPECT_EQ(r.code, c.code) << c.args;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("System error"), std::string::npos) << r.err;
  }
  // A patch that cannot be read is a file error, not a patch of the wrong type.
  for (const auto& [name, why] : {std::pair{dir / "missing.qvn", "No such file or directory"},
                                  std::pair{dir, "Is a directory"}}) {
    const ToolRun r = RunWith(name.string() + " -q -o " + (dir / "o.wav").string());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "quarvin-render: " + name.string() + ": kann nicht geöffnet werden (" + why + ")\n");
    EXPECT_FALSE(fs::exists(dir / "o.wav"));
  }
  const int status = std::system((kTool + " --version | grep -q 'Quarvin V1.01'").c_str());
  EXPECT_EQ(status, 0);
}
// One NaN or infinite sample in an input that is resampled changes only what its neighbours make
// of it (NaN as silence, infinity clipped), as without resampling; it does not silence the filter
// length around it.
TEST_F(RenderTool, ABadSampleStaysLocalThroughTheResampler) {
  std::vector<double> clean = Sine(500, 48000, 48000, 0.5);
  WriteFloats(dir / "clean.wav", clean, 1, 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  SF_INFO info{};
  ASSERT_EQ(RunTool(patch.string() + " -q -i " + (dir / "clean.wav").string() + " -o " +
                    (dir / "ref.wav").string()),
            0);
  const auto ref = ReadWav(dir / "ref.wav", info);
  for (const double bad : {double(NAN), HUGE_VAL, -HUGE_VAL}) {
    SCOPED_TRACE(bad);
    std::vector<double> in = clean;
    in[24000] = bad;
    WriteFloats(dir / "bad.wav", in, 1, 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(RunTool(patch.string() + " -q -i " + (dir / "bad.wav").string() + " -o " +
                      (dir / "o.wav").string()),
              0);
    const auto out = ReadWav(dir / "o.wav", info);
    ASSERT_EQ(out.size(), ref.size());
    int changed = 0;
    for (size_t n = 0; n < out.size(); n += 2) changed += std::abs(out[n] - ref[n]) > 300;
    EXPECT_LT(changed, 40) << "frames changed by more than 1 %";
  }
}

// A pipe or FIFO as output gets a stream: WAV with an open length, FLAC or Ogg; AIFF, which must
// go back to its header, is refused with a message.
TEST_F(RenderTool, APipeGetsAStream) {
  const struct {
    const char* fifo;  // empty: -o /dev/stdout into a pipe
    int code;
    sf_count_t frames;
  } cases[] = {
      {"", 0, 6000}, {"f.wav", 0, 6000}, {"f.flac", 0, 6000}, {"f.ogg", 0, 6000}, {"f.aiff", 1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fifo);
    const fs::path got = dir / ("got" + fs::path(c.fifo).extension().string());
    fs::remove(got);
    const std::string render = kTool + " " + patch.string() + " -q -b 2 -o ";
    std::string command = render + "/dev/stdout | cat > " + got.string();
    if (*c.fifo) {
      ASSERT_EQ(::mkfifo((dir / c.fifo).c_str(), 0600), 0);
      command = "cat " + (dir / c.fifo).string() + " > " + got.string() + " & " + render +
                (dir / c.fifo).string() + "; code=$?; wait; exit $code";
    }
    const ToolRun r = RunShell(command);
    EXPECT_EQ(r.code, c.code) << r.err;
    // A stream may leave its length open: the frames are counted as they come.
    SF_INFO info{};
    sf_count_t frames = 0;
    if (SNDFILE* f = sf_open(got.c_str(), SFM_READ, &info)) {
      std::vector<int16_t> block(2 * 1024);
      for (sf_count_t n; (n = sf_readf_short(f, block.data(), 1024)) > 0;) frames += n;
      sf_close(f);
    }
    EXPECT_EQ(frames, c.frames);
    if (c.code != 0) {
      EXPECT_NE(r.err.find("AIFF braucht eine Datei"), std::string::npos) << r.err;
    }
    if (*c.fifo) fs::remove(dir / c.fifo);
  }
}

// As a normal user, a write-protected output or patch is refused as cp refuses it; the file stays.
TEST_F(RenderTool, AWriteProtectedTargetIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the tool as another user (nobody)";
  fs::permissions(dir, fs::perms::all);
  for (const auto& [option, name] : {std::pair{"-b 1 -o", "keep.wav"}, {"-b 0 -s", "old.qvn"}}) {
    SCOPED_TRACE(name);
    const fs::path target = dir / name;
    std::ofstream(target) << "kept";
    ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const ToolRun r = RunShell("runuser -u nobody -- " + kTool + " " + patch.string() + " -q " +
                               option + " " + target.string());
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(target.string() + ": "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("(Permission denied)"), std::string::npos) << r.err;
    EXPECT_EQ(Text(target), "kept");
  }
}
}  // namespace
