#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/commands.h"
#include "canvas_fixture.h"
#include "devices/registry.h"
#include "platform/pstream.h"

namespace {
namespace fs = std::filesystem;
using Kind = TMainClient::LoadResult::Kind;

constexpr const char* kDamaged =
    "Die Datei ist beschädigt oder unvollständig!\nWas gelesen werden konnte, wurde geladen.";
// The stream mark, the stream version, the magic and the file version.
constexpr size_t kHeadBytes = 13;

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

void WriteBytes(const fs::path& path, std::span<const uint8_t> bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class DamagedFile : public CanvasTest {
 protected:
  // One device of every type, the Output wired to the Input.
  std::vector<uint8_t> EveryType() {
    client.DeleteAllDevices();
    NTInput* input = nullptr;
    NTOutput* output = nullptr;
    for (const TDeviceEntry& e : DeviceRegistry()) {
      const int type = int(e.type);
      NTDevWin* d = client.CreateDevice(e.type);
      d->MoveTo({type * 30, type * 20});
      if (auto* i = dynamic_cast<NTInput*>(d)) input = i;
      if (auto* o = dynamic_cast<NTOutput*>(d)) output = o;
    }
    output->L.Source = &input->L;
    return client.SaveBytes();
  }
  // Loads bytes as the patch "patch.qvn" would be opened again.
  TMainClient::LoadResult Reload(std::span<const uint8_t> bytes) {
    client.FileName = "patch.qvn";
    shell.errors.clear();
    return client.LoadBytes(bytes);
  }
};

// Every file cut short, of the examples and of a patch with every device type: one that
// ends before its version is rejected as before; every other one is reported damaged in one box,
// keeps no file name (so Save cannot overwrite the original) and shows whole panels.
TEST_F(DamagedFile, EveryStrictPrefixIsRejectedOrReportedDamaged) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> patches{{"every type", EveryType()}};
  for (const auto& entry : fs::directory_iterator(fs::path(QUARVIN_SOURCE_DIR) / "examples"))
    if (entry.path().extension() == ".qvn")
      patches.emplace_back(entry.path().filename(), ReadBytes(entry.path()));
  ASSERT_GE(patches.size(), 9u);
  // Thousands of loads: the panels' bitmaps are drawn once, not whenever the last user goes.
  for (int b = 0; b < bmp::kCount; ++b) client.Bitmaps().Acquire(b);
  for (const auto& [name, full] : patches) {
    SCOPED_TRACE(name);
    for (size_t n = 0; n < full.size(); ++n) {
      const auto result = Reload(std::span(full).first(n));
      ASSERT_EQ(shell.errors.size(), 1u) << n << " bytes";
      if (n < kHeadBytes) {
        ASSERT_EQ(result.kind, Kind::Rejected) << n;
        ASSERT_NE(shell.errors[0], kDamaged) << n;
        continue;
      }
      ASSERT_EQ(result.kind, Kind::Damaged) << n;
      ASSERT_EQ(shell.errors[0], kDamaged) << n;
      ASSERT_EQ(client.FileName, "") << n;
      for (const NTDevWin* d : client.Devices()) ASSERT_TRUE(d->W > 0 && d->H > 0) << n;
    }
    EXPECT_EQ(Reload(full).kind, Kind::Complete);
    EXPECT_TRUE(shell.errors.empty());
    EXPECT_EQ(client.FileName, "patch.qvn");
  }
}

TEST_F(DamagedFile, AFileLongerThanTheLimitIsCutAndReported) {
  std::vector<uint8_t> bytes = client.SaveBytes();
  bytes.resize((64 << 20) + 1);
  EXPECT_EQ(Reload(bytes).kind, Kind::Damaged);
  EXPECT_EQ(client.Devices().size(), 2u);
  bytes.pop_back();  // up to the limit, trailing bytes are only ignored
  EXPECT_EQ(Reload(bytes).kind, Kind::Complete);
}

// Options whose words are missing stay as they were, like the geometry of panels.
TEST_F(DamagedFile, AHeadCutInsideTheOptionsKeepsTheRest) {
  opstream os;
  os.WriteByte(0x3A);
  for (int32_t w : {257, 0x0328812A, 7, 0, 1}) os.WriteWord(w);
  EXPECT_EQ(Reload(os.Bytes()).kind, Kind::Damaged);
  EXPECT_EQ(client.WiresOn, 0);
  EXPECT_EQ(client.WiresBehind, 1);
  EXPECT_EQ(client.CurvesOn, 1);
  EXPECT_EQ(client.SnapOn, 1);
  EXPECT_TRUE(client.Devices().empty());
}

// The file name and the title change only with what is on disk.
TEST_F(DamagedFile, TitlesFollowWhatIsOnDisk) {
  const fs::path dir = fs::temp_directory_path() / ("quarvin-titles-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path cut = dir / "cut.qvn", good = dir / "good.qvn";
  const auto full = client.SaveBytes();
  WriteBytes(cut, std::span(full).first(full.size() - 8));
  client.Load(cut.string());
  EXPECT_EQ(shell.caption, "Quarvin V1.01 - (Kein Titel)");
  // Save asks for a name; cancelled, the damaged original is as it was.
  client.Command(cmd::kFileSave);
  EXPECT_EQ(ReadBytes(cut).size(), full.size() - 8);

  shell.saveAnswer = good.string();
  ASSERT_TRUE(client.SaveAs());
  shell.saveAnswer = (dir / "missing" / "x.qvn").string();
  EXPECT_FALSE(client.SaveAs());
  EXPECT_EQ(shell.errors.back(), "Die Datei konnte nicht gespeichert werden!\n" +
                                     *shell.saveAnswer + ": No such file or directory");
  EXPECT_EQ(client.FileName, good.string());
  EXPECT_EQ(shell.caption, "Quarvin V1.01 - " + good.string());
  fs::remove_all(dir);
}
}  // namespace
