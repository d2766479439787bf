#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/commands.h"
#include "canvas_fixture.h"
#include "platform/pstream.h"

namespace {
namespace fs = std::filesystem;

std::vector<uint8_t> Words(std::initializer_list<int32_t> words, bool mark = true) {
  opstream os;
  if (mark) {
    os.WriteByte(0x3A);
    os.WriteWord(257);
  }
  for (int32_t w : words) os.WriteWord(w);
  return os.Bytes();
}

// The head of a version-7 file with the default options.
std::vector<uint8_t> Head(std::initializer_list<int32_t> rest) {
  std::vector<int32_t> all{0x0328812A, 7, 1, 0, 1, 1};
  all.insert(all.end(), rest);
  opstream os;
  os.WriteByte(0x3A);
  os.WriteWord(257);
  for (int32_t w : all) os.WriteWord(w);
  return os.Bytes();
}

fs::path TempDir() {
  const fs::path dir = fs::temp_directory_path() / ("quarvin-test-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return dir;
}

TEST_F(CanvasTest, TheWorkedExampleIsNinetySevenBytes) {
  Connect(Input().L, Output().L);
  Connect(Input().R, Output().R);
  const auto expected = Words({0x0328812A, 7, 1,  0,  1,   1,   2,  1,  -1,  //
                               0,          0, 10, 10, 80,  110,              //
                               0,          5, 0,  7,  100, 10,  80, 110});
  ASSERT_EQ(expected.size(), 97u);
  EXPECT_EQ(client.SaveBytes(), expected);
}

TEST_F(CanvasTest, AnEmptyPatchIsThirtyThreeBytes) {
  client.DeleteAllDevices();
  EXPECT_EQ(client.SaveBytes(), Words({0x0328812A, 7, 1, 0, 1, 1, -1}));
  EXPECT_EQ(client.SaveBytes().size(), 33u);
}

TEST_F(CanvasTest, AFileWithoutTheStreamMarkLoads) {
  Connect(Input().L, Output().R);
  auto bytes = client.SaveBytes();
  bytes.erase(bytes.begin(), bytes.begin() + 5);
  client.Command(cmd::kFileNew);
  ASSERT_TRUE(client.LoadBytes(bytes));
  EXPECT_EQ(Output().R.Source.Get(), &Input().L);
  EXPECT_TRUE(shell.errors.empty());
}

TEST_F(CanvasTest, WrongVersionOrMagicLeavesAFreshUntitledPatch) {
  client.FileName = "x.qvn";
  EXPECT_FALSE(client.LoadBytes(Words({0x0328812A, 6, 1, 0, 1, 1, -1})));
  EXPECT_FALSE(client.LoadBytes(Words({0x0328812B, 7, 1, 0, 1, 1, -1})));
  EXPECT_FALSE(client.LoadBytes({}));
  ASSERT_EQ(shell.errors.size(), 3u);
  EXPECT_EQ(shell.errors[0], "Falsche Datei-Version!");
  EXPECT_EQ(shell.errors[1], "Falscher Datei-Typ!");
  EXPECT_EQ(shell.errors[2], "Falscher Datei-Typ!");
  EXPECT_EQ(shell.caption, "Quarvin V1.01 - (Kein Titel)");
  ASSERT_EQ(client.Devices().size(), 2u);
  EXPECT_EQ(Input().AbsPos(), (Point{10, 10}));
  EXPECT_EQ(Output().AbsPos(), (Point{100, 10}));
}

// A file that cannot be read is no patch of the wrong type: the box names it and the system's
// reason, and the patch on the canvas stays as it was, title included.
TEST_F(CanvasTest, AnUnreadableFileLeavesThePatchAlone) {
  Connect(Input().L, Output().R);
  client.FileName = "x.qvn";
  const auto before = client.SaveBytes();
  for (const auto& [path, why] :
       {std::pair{TempDir() / "missing.qvn", ENOENT}, std::pair{TempDir(), EISDIR}}) {
    shell.errors.clear();
    const auto loaded = client.Load(path.string());
    EXPECT_EQ(loaded.kind, TMainClient::LoadResult::Unreadable);
    EXPECT_EQ(loaded.reason, std::strerror(why));
    EXPECT_EQ(shell.errors, std::vector<std::string>{"Die Datei kann nicht geöffnet werden!\n" +
                                                     path.string() + ": " + std::strerror(why)});
    EXPECT_EQ(client.SaveBytes(), before);
    EXPECT_EQ(client.FileName, "x.qvn");
  }
}

// As a normal user, Speichern onto a write-protected patch is refused with the box, as cp refuses
// it, and the file stays.
TEST_F(CanvasTest, SavingOntoAWriteProtectedPatchIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user (nobody)";
  fs::permissions(TempDir(), fs::perms::all);
  const fs::path kept = TempDir() / "readonly.qvn";
  { std::ofstream(kept) << "old"; }
  ASSERT_EQ(::chown(kept.c_str(), 65534, 65534), 0);
  fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const pid_t child = ::fork();
  if (child == 0) {
    const bool nobody =
        ::setresgid(65534, 65534, 65534) == 0 && ::setresuid(65534, 65534, 65534) == 0;
    client.FileName = kept.string();
    const bool refused = nobody && !client.Save() &&
                         shell.errors.back() == "Die Datei konnte nicht gespeichert werden!\n" +
                                                    kept.string() + ": Permission denied";
    std::_Exit(refused ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save must be refused";
  std::ifstream in(kept);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
}

TEST_F(CanvasTest, SaveLoadSaveKeepsEveryByteIncludingForwardConnections) {
  // Output first, Input later: the Output's inputs name windows of a later device.
  client.DeleteAllDevices();
  client.CreateDevice(DeviceType::Output)->MoveTo({200, 50});
  client.CreateDevice(DeviceType::Input)->MoveTo({20, 30});
  Connect(Input(1).L, Output(0).R);
  Input(1).L.Value = 1234;
  client.Command(cmd::kCurvesOff);
  const auto saved = client.SaveBytes();
  client.Command(cmd::kFileNew);
  client.Command(cmd::kCurvesOn);
  ASSERT_TRUE(client.LoadBytes(saved));
  EXPECT_EQ(client.SaveBytes(), saved);
  EXPECT_EQ(Output(0).R.Source.Get(), &Input(1).L);
  EXPECT_EQ(Input(1).L.Value.Get(), 1234);
  EXPECT_EQ(client.CurvesOn, 0);
  EXPECT_TRUE(shell.marks[cmd::kCurvesOff]);
  // The restored output value is what the connected input latches first.
  client.ProcessBlock(0, 0);
  EXPECT_EQ(client.OutBlock(0).Data()[1], 617);
}

TEST_F(CanvasTest, SourceNumbersThatNameNoOutputLeaveInputsUnconnected) {
  for (int32_t number : {0, 1, 3, 9, 999, -5}) {
    ASSERT_TRUE(client.LoadBytes(Head({1, -1, 0, number, 0, 0, 0, 0, 80, 110}))) << number;
    EXPECT_EQ(Output(0).L.Source.Get(), nullptr) << number;
  }
}

TEST_F(CanvasTest, TruncatedFilesNeverFail) {
  Connect(Input().L, Output().L);
  const auto full = client.SaveBytes();
  for (size_t n = 0; n < full.size(); ++n) {
    client.LoadBytes({full.begin(), full.begin() + std::ptrdiff_t(n)});
    client.SaveBytes();
  }
  // A type list cut before its terminator keeps the devices named so far.
  ASSERT_EQ(client.LoadBytes(Head({2, 1})).kind, TMainClient::LoadResult::Damaged);
  EXPECT_EQ(client.Devices().size(), 2u);
}

TEST_F(CanvasTest, UnknownTypesAreSkippedAndTooManyDevicesAreRejected) {
  ASSERT_TRUE(client.LoadBytes(Head({0, 14, 1, -7, -1})));
  EXPECT_EQ(client.Devices().size(), 1u);
  std::vector<int32_t> many(4097, 99);
  opstream os;
  for (uint8_t b : Head({})) os.WriteByte(b);
  for (int32_t t : many) os.WriteWord(t);
  os.WriteWord(-1);
  EXPECT_FALSE(client.LoadBytes(os.Bytes()));
  EXPECT_EQ(shell.errors.back(), "Falscher Datei-Typ!");
  EXPECT_EQ(client.Devices().size(), 2u);
}

TEST_F(CanvasTest, HugeGeometryFromAFileIsHarmless) {
  ASSERT_TRUE(client.LoadBytes(Head({1, -1, 0, 0, 0, 0, INT32_MAX, INT32_MIN, INT32_MAX, -7})));
  client.PaintPending();
  client.Mouse(MouseKind::LDown, {5, 5});
  client.Mouse(MouseKind::Move, {50, 50});
  client.Mouse(MouseKind::LUp, {50, 50});
  client.PaintPending();
}

TEST_F(CanvasTest, SaveAsSetsTheTitleAndOpenRestores) {
  const fs::path file = TempDir() / "patch.qvn";
  Connect(Input().L, Output().L);
  shell.saveAnswer = file.string();
  client.Command(cmd::kFileSaveAs);
  EXPECT_EQ(shell.caption, "Quarvin V1.01 - " + file.string());
  client.Command(cmd::kFileNew);
  EXPECT_EQ(shell.caption, "Quarvin V1.01 - (Kein Titel)");
  shell.openAnswer = file.string();
  client.Command(cmd::kFileOpen);
  EXPECT_EQ(client.FileName, file.string());
  EXPECT_EQ(Output().L.Source.Get(), &Input().L);
}

TEST_F(CanvasTest, AFailedSaveKeepsTheOldFileAndSaysSo) {
  const fs::path folder = TempDir() / "folder.qvn", kept = TempDir() / "kept.qvn";
  fs::create_directories(folder);
  { std::ofstream(kept) << "old"; }
  // As root the final rename over an immutable file is what fails.
  const bool immutable =
      ::geteuid() == 0 && std::system(("chattr +i " + kept.string() + " 2>/dev/null").c_str()) == 0;
  // The box names the file and gives the system's reason.
  for (const auto& [target, why] : {std::pair{folder, EISDIR}, std::pair{kept, EPERM}}) {
    if (target == kept && !immutable) continue;
    shell.errors.clear();
    client.FileName = target.string();
    EXPECT_FALSE(client.Save()) << target;
    EXPECT_EQ(shell.errors,
              std::vector<std::string>{"Die Datei konnte nicht gespeichert werden!\n" +
                                       target.string() + ": " + std::strerror(why)});
    EXPECT_EQ(client.FileName, target.string());
  }
  std::system(("chattr -i " + kept.string() + " 2>/dev/null").c_str());
  std::ifstream in(kept);
  std::string text;
  in >> text;
  EXPECT_EQ(text, "old");
  EXPECT_TRUE(fs::is_directory(folder));
  client.FileName = kept.string();
  EXPECT_TRUE(client.Save());
  EXPECT_EQ(fs::file_size(kept), 97u);
}

TEST_F(CanvasTest, APatchLoadsThroughAPipe) {
  const fs::path fifo = TempDir() / "patch.pipe";
  fs::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  Connect(Input().L, Output().L);
  const auto bytes = client.SaveBytes();
  std::thread writer([&] {
    std::ofstream(fifo, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  });
  client.Command(cmd::kFileNew);
  const auto loaded = client.Load(fifo.string()).kind;
  writer.join();
  EXPECT_EQ(loaded, TMainClient::LoadResult::Complete);
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_EQ(client.SaveBytes(), bytes);
}

TEST_F(CanvasTest, CancelledDialogsChangeNothing) {
  client.Command(cmd::kFileOpen);
  client.Command(cmd::kFileSave);
  EXPECT_EQ(client.Devices().size(), 2u);
  EXPECT_TRUE(client.FileName.empty());
}
}  // namespace
