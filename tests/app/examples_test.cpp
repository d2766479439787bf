#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <unistd.h>

#include "app/headless_shell.h"
#include "app/main_client.h"

namespace {
namespace fs = std::filesystem;

const fs::path kExamples = fs::path(QUARVIN_SOURCE_DIR) / "examples";
const std::string kGenerator = std::string(QUARVIN_BINARY_DIR) + "/quarvin-make-examples";

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

std::vector<fs::path> Examples() {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(kExamples))
    if (entry.path().extension() == ".qvn") found.push_back(entry.path());
  std::sort(found.begin(), found.end());
  return found;
}

TEST(Examples, TheCommittedFilesAreWhatTheGeneratorWrites) {
  const fs::path dir =
      fs::temp_directory_path() / ("quarvin-examples-" + std::to_string(::getpid()));
  ASSERT_EQ(std::system((kGenerator + " " + dir.string() + " >/dev/null 2>&1").c_str()), 0);
  std::vector<fs::path> generated;
  for (const auto& entry : fs::directory_iterator(dir)) generated.push_back(entry.path());
  const auto committed = Examples();
  EXPECT_EQ(generated.size(), committed.size());
  EXPECT_GE(committed.size(), 8u);
  for (const fs::path& path : committed)
    EXPECT_EQ(ReadBytes(dir / path.filename()), ReadBytes(path))
        << path.filename() << " is out of date; regenerate the examples with "
        << "`build/dev/quarvin-make-examples examples` and commit them";
  fs::remove_all(dir);
}

// Each example loads without complaint and writes itself out unchanged; it then runs, sounds
// (all but the meters, which have no Output; the MIDI example with a note held), paints, and
// saves a file that loads again.
TEST(Examples, LoadSaveRunAndPaint) {
  for (const fs::path& path : Examples()) {
    SCOPED_TRACE(path.filename());
    HeadlessShell shell;
    TMidiQueue midi;
    midi.Push({TMidiEvent::kNow, TMidiEvent::kNoteOn, 69, 100});
    TMainClient client(shell, nullptr);
    client.SetMidi(&midi);
    client.Resize(1024, 768);
    const auto bytes = ReadBytes(path);
    ASSERT_TRUE(client.LoadBytes(bytes));
    EXPECT_EQ(client.SaveBytes(), bytes);
    bool sounds = false;
    for (int block = 0; block < 3; ++block) {
      int16_t* in = client.InBlock(0).Data();
      for (int i = 0; i < 2 * TSampleBuffer::kFrames; ++i)
        in[i] = int16_t((i * 37) % 20000 - 10000);
      client.ProcessBlock(0, 0);
      const int16_t* out = client.OutBlock(0).Data();
      sounds |= std::any_of(out, out + 2 * TSampleBuffer::kFrames, [](int16_t s) { return s; });
      for (int t = 0; t < 7; ++t) client.Timer();
    }
    EXPECT_EQ(sounds, path.filename() != "meters.qvn");
    Surface picture(1024, 768);
    client.PaintAll(picture);
    const auto saved = client.SaveBytes();
    EXPECT_EQ(saved.size(), bytes.size());
    EXPECT_TRUE(client.LoadBytes(saved));
    EXPECT_TRUE(shell.errors.empty());
  }
}

// Every panel lies inside a 1024 x 768 canvas and no two overlap.
TEST(Examples, PanelsFitTheCanvasAndDoNotOverlap) {
  for (const fs::path& path : Examples()) {
    SCOPED_TRACE(path.filename());
    HeadlessShell shell;
    TMainClient client(shell, nullptr);
    ASSERT_TRUE(client.LoadBytes(ReadBytes(path)));
    const auto devices = client.Devices();
    for (size_t i = 0; i < devices.size(); ++i) {
      const Rect a = devices[i]->AbsRect();
      EXPECT_EQ(Rect({0, 0, 1024, 768}).Intersect(a), a) << i;
      for (size_t j = i + 1; j < devices.size(); ++j)
        EXPECT_TRUE(a.Intersect(devices[j]->AbsRect()).Empty()) << i << " and " << j;
    }
  }
}
}  // namespace
