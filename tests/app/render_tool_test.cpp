#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "canvas_fixture.h"

namespace {
namespace fs = std::filesystem;

const std::string kTool = std::string(QUARVIN_BINARY_DIR) + "/quarvin-render";

// The tool's exit code; what it prints on stderr goes to the file errors.
int RunTool(const std::string& args, const std::string& errors = "/dev/null") {
  const int status = std::system((kTool + " " + args + " 2>" + errors + " >/dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
  EXPECT_EQ(RunTool((dir / "missing.qvn").string()), 2);
  WriteWav(dir / "48k.wav", std::vector<int16_t>(100), 1, 48000);
  EXPECT_EQ(RunTool(patch.string() + " -i " + (dir / "48k.wav").string()), 1);
}

// A file cut short is rejected for batch work: the message, exit code 2 and nothing written.
TEST_F(RenderTool, ACutFileExitsWithTwoAndWritesNothing) {
  const fs::path cut = dir / "cut.qvn";
  fs::copy_file(patch, cut);
  fs::resize_file(cut, fs::file_size(patch) - 20);
  const fs::path out = dir / "cut.wav", log = dir / "cut.log";
  EXPECT_EQ(RunTool(cut.string() + " -o " + out.string() + " -s " + (dir / "saved.qvn").string(),
                    log.string()),
            2);
  std::ifstream in(log);
  const std::string message{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(message,
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
}  // namespace
