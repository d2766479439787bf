#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/commands.h"
#include "canvas_fixture.h"
#include "devices/vco.h"

namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A saved patch of Input, Output and a VCO at (300, 200), Input "L" wired to Output "L", and a
// folder of its own.
class Changes : public CanvasTest {
 protected:
  Changes() : dir(fs::temp_directory_path() / ("quarvin-changes-" + std::to_string(::getpid()))) {
    fs::create_directories(dir);
    client.CreateDevice(DeviceType::VCO)->MoveTo({300, 200});
    Connect(Input().L, Output().L);
    saved = client.SaveBytes();
    Reopen();
  }
  ~Changes() override { fs::remove_all(dir); }

  // The saved patch, freshly loaded under the given name (or untitled).
  void Reopen(const std::string& name = "") {
    client.FileName = name;
    ASSERT_EQ(client.LoadBytes(saved).kind, TMainClient::LoadResult::Complete);
    client.PaintPending();
  }
  NTVCO& Vco() { return *dynamic_cast<NTVCO*>(client.Devices().at(2)); }

  fs::path dir;
  std::vector<uint8_t> saved;
};

// Every change the user makes marks the patch modified; looking, ticking and a click that moves
// nothing do not.
TEST_F(Changes, TheFlagFollowsWhatTheUserChanges) {
  const struct {
    const char* what;
    std::function<void()> act;
    bool modifies;
  } cases[] = {
      {"insert",
       [this] {
         client.Command(InsertCommand(DeviceType::Input)), Click({500, 400});
       },
       true},
      {"delete",
       [this] {
         shell.popupAnswer = cmd::kDeleteDevice;
         client.Mouse(MouseKind::RDown, {130, 112});
         client.Mouse(MouseKind::RUp, {130, 112});
       },
       true},
      {"move",
       [this] {
         Drag({130, 112}, {400, 400});
       },
       true},
      {"wire", [this] { Connect(Input().R, Output().R); }, true},
      {"unwire", [this] { Connect(Output().L, Output().L); }, true},
      // The second wave key: the first is chosen already, and choosing it again changes nothing.
      {"control",
       [this] {
         Click({Centre(Vco().Wave).x, Centre(Vco().Wave).y + 17});
       },
       true},
      {"option", [this] { client.Command(cmd::kWiresBehind); }, true},
      {"snap", [this] { client.Command(cmd::kSnap); }, true},
      {"click on a panel",
       [this] {
         Click({130, 112});
       },
       false},
      {"click on the background",
       [this] {
         Click({700, 500});
       },
       false},
      {"paint and tick", [this] { client.PaintPending(), client.Timer(); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Reopen();
    ASSERT_FALSE(client.Modified());
    c.act();
    EXPECT_EQ(client.Modified(), c.modifies);
  }
  // New and a successful save clear it.
  client.Command(cmd::kSnap);
  shell.saveAnswer = (dir / "saved.qvn").string();
  client.Command(cmd::kFileSaveAs);
  EXPECT_FALSE(client.Modified());
  client.Command(cmd::kSnap);
  client.Command(cmd::kFileNew);
  EXPECT_FALSE(client.Modified());
}

// With unsaved changes, New asks first: "Ja" saves (Save As for an untitled patch), "Nein" goes
// on, "Abbrechen", a cancelled dialog or a failed save keep the patch.
TEST_F(Changes, NewAsksAboutUnsavedChanges) {
  const std::string named = (dir / "named.qvn").string(), asked = (dir / "asked.qvn").string(),
                    unwritable = (dir / "missing" / "x.qvn").string();
  const struct {
    const char* what;
    std::string file;
    Answer answer;
    std::optional<std::string> dialog;
    bool goesOn;
    std::string written;
  } cases[] = {
      {"Nein", "", Answer::No, {}, true, ""},
      {"Abbrechen", named, Answer::Cancel, {}, false, ""},
      {"Ja, named", named, Answer::Yes, {}, true, named},
      {"Ja, untitled", "", Answer::Yes, asked, true, asked},
      {"Ja, dialog cancelled", "", Answer::Yes, {}, false, ""},
      {"Ja, save fails", unwritable, Answer::Yes, {}, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const std::string& f : {named, asked}) fs::remove(f);
    Reopen(c.file);
    client.Command(cmd::kWiresBehind);
    const std::vector<uint8_t> changed = client.SaveBytes();
    shell.questions.clear();
    shell.answers = {c.answer};
    shell.saveAnswer = c.dialog;
    client.Command(cmd::kFileNew);
    ASSERT_EQ(shell.questions.size(), 1u);
    EXPECT_EQ(shell.questions[0],
              (c.file.empty() ? std::string("Der Patch (Kein Titel)") : "\"" + c.file + "\"") +
                  " wurde geändert.\nSollen die Änderungen gespeichert werden?");
    EXPECT_EQ(client.Devices().size(), c.goesOn ? 2u : 3u);
    EXPECT_EQ(client.Modified(), !c.goesOn);
    if (!c.written.empty()) {
      EXPECT_EQ(ReadBytes(c.written), changed);
    }
  }
}

// Open and quitting ask the same question; an unchanged patch is never asked about.
TEST_F(Changes, OpenAndQuittingAskOnlyWhenModified) {
  client.Command(cmd::kFileOpen);
  EXPECT_TRUE(client.MayDiscardChanges());
  client.Command(cmd::kFileNew);
  EXPECT_TRUE(shell.questions.empty());
  client.Command(cmd::kSnap);
  shell.answers = {Answer::Cancel, Answer::Cancel, Answer::No};
  client.Command(cmd::kFileOpen);
  EXPECT_FALSE(client.MayDiscardChanges());
  EXPECT_TRUE(client.MayDiscardChanges());
  EXPECT_EQ(shell.questions.size(), 3u);
}

class Recovery : public Changes {
 protected:
  Recovery() {
    ::setenv("XDG_STATE_HOME", dir.c_str(), 1);
    fs::create_directories(folder);
  }
  ~Recovery() override { ::unsetenv("XDG_STATE_HOME"); }
  fs::path CopyOf(int pid) const { return folder / ("recovery-" + std::to_string(pid) + ".qvn"); }

  const fs::path folder = dir / "quarvin";
  const fs::path own = CopyOf(::getpid());
};

// While the patch is modified the timer keeps a copy with the program's own bytes; a save and a
// normal quit remove it.
TEST_F(Recovery, ACopyFollowsTheModifiedPatch) {
  client.StartRecovery(TRecovery::DefaultFolder(), 0s);
  client.Timer();
  EXPECT_FALSE(fs::exists(own));
  client.Command(cmd::kCurvesOff);
  client.Timer();
  EXPECT_EQ(ReadBytes(own), client.SaveBytes());
  shell.saveAnswer = (dir / "saved.qvn").string();
  client.Command(cmd::kFileSaveAs);
  EXPECT_FALSE(fs::exists(own));
  client.Command(cmd::kSnap);
  client.Timer();
  EXPECT_TRUE(fs::exists(own));
  client.CloseQuery();
  EXPECT_FALSE(fs::exists(own));
  EXPECT_TRUE(shell.questions.empty());
}

TEST_F(Recovery, CopiesWaitForTheirInterval) {
  client.StartRecovery(folder, 30s);
  client.Command(cmd::kSnap);
  client.Timer();
  EXPECT_FALSE(fs::exists(own));
}

// A copy whose program is gone is offered at the start: "Wiederherstellen" restores it untitled
// and modified, as this program's copy; a running program's copy, a link and other names are left
// alone.
TEST_F(Recovery, ALeftOverCopyIsRestoredUntitled) {
  WriteBytes(CopyOf(999999999), saved);
  WriteBytes(CopyOf(1), saved);  // init never ends
  WriteBytes(folder / "recovery-x.qvn", saved);
  fs::create_symlink(CopyOf(1), CopyOf(999999998));
  client.Command(cmd::kFileNew);
  shell.recoveryChoice = {RecoveryChoice::Restore, 0};
  client.StartRecovery(folder);
  ASSERT_EQ(shell.questions.size(), 1u);
  EXPECT_EQ(shell.questions[0],
            "Quarvin wurde zuletzt nicht ordnungsgemäß beendet.\n"
            "Diese Sicherungskopien sind übrig, die neueste zuerst. Eine davon kann "
            "wiederhergestellt werden; behaltene werden beim nächsten Start wieder angeboten.");
  ASSERT_EQ(shell.offered.at(0).size(), 1u);
  EXPECT_TRUE(shell.offered[0][0].ends_with(" – 3 Geräte")) << shell.offered[0][0];
  EXPECT_EQ(client.SaveBytes(), saved);
  EXPECT_EQ(shell.caption, "Quarvin V1.01 - *(Kein Titel)");
  EXPECT_TRUE(client.Modified());
  EXPECT_FALSE(fs::exists(CopyOf(999999999)));
  EXPECT_EQ(ReadBytes(own), saved);
  EXPECT_TRUE(fs::exists(CopyOf(1)));
  EXPECT_TRUE(fs::exists(folder / "recovery-x.qvn"));
}

// However many copies there are, they are offered once, newest first with their time and device
// count: one is restored (the others stay), all are deleted, or all are kept.
TEST_F(Recovery, LeftOverCopiesAreOfferedOnceAsAList) {
  client.Command(cmd::kFileNew);
  const std::vector<uint8_t> fresh = client.SaveBytes();
  const struct {
    RecoveryChoice choice;
    size_t devices;  // on the canvas afterwards
    int left;        // copies left by others
  } cases[] = {
      {{RecoveryChoice::Keep, 0}, 2, 600},
      {{RecoveryChoice::Restore, 599}, 3, 599},
      {{RecoveryChoice::DeleteAll, 0}, 2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.choice.kind);
    fs::remove_all(folder);
    fs::create_directory(folder);
    const auto now = fs::file_time_type::clock::now();
    for (int n = 0; n < 600; ++n) {
      const fs::path copy = CopyOf(999999000 + n);
      WriteBytes(copy, n == 0 ? saved : n == 599 ? std::vector<uint8_t>{1, 2, 3} : fresh);
      fs::last_write_time(copy, now - std::chrono::hours(600 - n));
    }
    client.Command(cmd::kFileNew);
    shell.offered.clear();
    shell.recoveryChoice = c.choice;
    client.StartRecovery(folder);
    ASSERT_EQ(shell.offered.size(), 1u);
    const std::vector<std::string>& lines = shell.offered[0];
    ASSERT_EQ(lines.size(), 600u);
    EXPECT_TRUE(lines[0].ends_with(" – nicht lesbar")) << lines[0];
    EXPECT_TRUE(lines[1].ends_with(" – 2 Geräte")) << lines[1];
    EXPECT_TRUE(lines[599].ends_with(" – 3 Geräte")) << lines[599];
    EXPECT_EQ(lines[1].find(" – "), 19u) << "dd.mm.yyyy hh:mm:ss";
    EXPECT_EQ(client.Devices().size(), c.devices);
    std::error_code ignored;
    fs::remove(own, ignored);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), c.left);
  }
}

// A folder that another user owns or may write is not used: no copies are offered or written, and
// the user is told once. A missing one is made for the user alone.
TEST_F(Recovery, OnlyAFolderOfTheUsersOwnIsUsed) {
  const bool root = ::geteuid() == 0;
  const struct {
    const char* what;
    std::function<bool()> prepare;  // false: cannot be arranged here
    bool used;
  } cases[] = {
      {"missing", [&] { return fs::remove_all(folder) > 0; }, true},
      {"writable by all", [&] { return ::chmod(folder.c_str(), 0777) == 0; }, false},
      {"writable by the group", [&] { return ::chmod(folder.c_str(), 0770) == 0; }, false},
      {"another user's", [&] { return root && ::chown(folder.c_str(), 4242, 4242) == 0; }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folder);
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0755);
    WriteBytes(CopyOf(999999999), saved);
    if (!c.prepare()) {
      std::printf("[  SKIPPED ] %s: needs root\n", c.what);
      continue;
    }
    shell.offered.clear();
    testing::internal::CaptureStderr();
    client.StartRecovery(folder, 0s);
    const std::string said = testing::internal::GetCapturedStderr();
    client.Command(cmd::kSnap);
    client.Timer();
    EXPECT_EQ(fs::exists(own), c.used);
    EXPECT_EQ(said.empty(), c.used) << said;
    if (c.used) {
      EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
    } else {
      EXPECT_TRUE(shell.offered.empty());
      EXPECT_NE(said.find(folder.string()), std::string::npos) << said;
    }
    client.Command(cmd::kFileNew);  // unmodified: the copy goes
  }
}

// A link planted under this program's copy's name is replaced, never written through.
TEST_F(Recovery, TheCopyIsNeverWrittenThroughALink) {
  WriteBytes(dir / "important", {42});
  fs::create_symlink(dir / "important", own);
  client.StartRecovery(folder, 0s);
  client.Command(cmd::kSnap);
  client.Timer();
  EXPECT_EQ(ReadBytes(dir / "important"), std::vector<uint8_t>{42});
  EXPECT_FALSE(fs::is_symlink(own));
  EXPECT_EQ(ReadBytes(own), client.SaveBytes());
}
}  // namespace
