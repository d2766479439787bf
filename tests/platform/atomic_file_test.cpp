#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "platform/read_file.h"

namespace {
namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
 protected:
  AtomicFileTest()
      : dir(fs::temp_directory_path() / ("quarvin-atomic-" + std::to_string(::getpid()))) {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~AtomicFileTest() override {
    std::system(("chattr -R -i " + dir.string() + " 2>/dev/null").c_str());
    fs::remove_all(dir);
  }
  static std::string Text(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
  }
  static void Put(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }
  static bool Save(const fs::path& p, const std::string& text, std::string* error = nullptr) {
    return WriteFileAtomically(p, {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                               error);
  }
  size_t Entries() const { return size_t(std::distance(fs::directory_iterator(dir), {})); }

  fs::path dir;
};

// The saved bytes go through a link to its target; the mode stays; a stranger's file whose
// name an old version used for its temporary file is left alone; nothing else is left behind.
TEST_F(AtomicFileTest, ReplacesOnlyTheTargetsContents) {
  Put(dir / "real.qvn", "old");
  ::chmod((dir / "real.qvn").c_str(), 0600);
  fs::create_symlink("real.qvn", dir / "link.qvn");
  Put(dir / "link.qvn.tmp~", "unrelated");
  ASSERT_TRUE(Save(dir / "link.qvn", "new"));
  EXPECT_TRUE(fs::is_symlink(dir / "link.qvn"));
  EXPECT_EQ(Text(dir / "real.qvn"), "new");
  EXPECT_EQ(fs::status(dir / "real.qvn").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Text(dir / "link.qvn.tmp~"), "unrelated");
  EXPECT_EQ(Entries(), 3u);

  ASSERT_TRUE(Save(dir / "fresh.qvn", "made"));
  EXPECT_EQ(Text(dir / "fresh.qvn"), "made");
  EXPECT_EQ(Entries(), 4u);
  EXPECT_TRUE(Save("/dev/null", "into nothing")) << "a device is written, never replaced";
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(AtomicFileTest, AnUnfinishedFileLeavesNothingBehind) {
  Put(dir / "kept", "old");
  {
    AtomicFile f((dir / "kept").string());
    ASSERT_TRUE(f.Ok());
    ASSERT_TRUE(f.Write("partial", 7));
  }
  // A process killed mid-write runs no destructor; its temporary file has no name to leave.
  const pid_t child = ::fork();
  if (child == 0) {
    AtomicFile f((dir / "kept").string());
    f.Write("partial", 7);
    std::_Exit(0);
  }
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(Text(dir / "kept"), "old");
  EXPECT_EQ(Entries(), 1u);
}

// Every way a save can fail is reported, and the old contents stay.
TEST_F(AtomicFileTest, EveryFailureIsReported) {
  const bool root = ::geteuid() == 0;
  struct Case {
    const char* name;
    fs::path target;
    std::function<bool(const fs::path&)> prepare;  // false: cannot be arranged here
  };
  const Case cases[] = {
      {"the target is a folder", dir / "folder.qvn",
       [](const fs::path& t) { return fs::create_directory(t); }},
      {"the folder is missing", dir / "missing" / "x.qvn", [](const fs::path&) { return true; }},
      {"the target is immutable", dir / "immutable.qvn",
       [root](const fs::path& t) {
         Put(t, "old");
         return root && std::system(("chattr +i " + t.string() + " 2>/dev/null").c_str()) == 0;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.prepare(c.target)) {
      std::printf("[  SKIPPED ] %s: needs root and a file system with the immutable flag\n",
                  c.name);
      continue;
    }
    const std::string before = fs::is_regular_file(c.target) ? Text(c.target) : "";
    std::string error;
    EXPECT_FALSE(Save(c.target, "new", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(fs::is_regular_file(c.target) ? Text(c.target) : "", before);
  }
  EXPECT_EQ(Entries(), 2u) << "no temporary file is left";
}

// A stranger's file in a sticky folder (like /tmp) cannot be replaced by anyone but its owner.
TEST_F(AtomicFileTest, AStrangersFileInAStickyFolderIsReported) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two other users";
  const fs::path sticky = dir / "sticky";
  fs::create_directory(sticky);
  ::chmod(sticky.c_str(), 01777);
  ::chmod(dir.c_str(), 0755);
  Put(sticky / "theirs.qvn", "theirs");
  ASSERT_EQ(::chown((sticky / "theirs.qvn").c_str(), 4242, 4242), 0);
  ::chmod((sticky / "theirs.qvn").c_str(), 0666);
  const pid_t child = ::fork();
  if (child == 0) {
    const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0;
    std::_Exit(ok && !Save(sticky / "theirs.qvn", "mine") ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save must say it failed";
  EXPECT_EQ(Text(sticky / "theirs.qvn"), "theirs");
  EXPECT_EQ(std::distance(fs::directory_iterator(sticky), {}), 1);
}

TEST_F(AtomicFileTest, ReadsFifosToTheEndWithinTheLimit) {
  const fs::path fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    std::ofstream(fifo) << std::string(100000, 'x');
    std::_Exit(0);
  }
  const auto bytes = ReadFileBytes(fifo, 70000);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(bytes.size(), 70000u);
  Put(dir / "small", "abc");
  EXPECT_EQ(ReadFileBytes(dir / "small", 70000).size(), 3u);
  EXPECT_TRUE(ReadFileBytes(dir, 70000).empty());
}
}  // namespace
