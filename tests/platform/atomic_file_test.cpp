#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

// The kernel follows a link: a loop is an error (and stays a link), a link to nothing makes its
// target, and what the kernel reached is replaced beside itself.
TEST_F(AtomicFileTest, LinksAreFollowedByTheKernel) {
  fs::create_symlink("loop2", dir / "loop1");
  fs::create_symlink("loop1", dir / "loop2");
  std::string error;
  EXPECT_FALSE(Save(dir / "loop1", "new", &error));
  EXPECT_EQ(error, std::strerror(ELOOP));
  EXPECT_TRUE(fs::is_symlink(dir / "loop1"));
  fs::create_directory(dir / "sub");
  fs::create_symlink("sub/made.qvn", dir / "dangling");
  EXPECT_TRUE(Save(dir / "dangling", "made"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling"));
  EXPECT_EQ(Text(dir / "sub" / "made.qvn"), "made");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "sub"), {}), 1);
}

// As root in a sticky folder (like /tmp): another user's link there is followed only where the
// kernel allows it, so a root-only file is not replaced through it.
TEST_F(AtomicFileTest, AStrangersLinkInAStickyFolderIsTheKernelsToFollow) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's link";
  if (Text("/proc/sys/fs/protected_symlinks") != "1\n")
    GTEST_SKIP() << "fs.protected_symlinks is off here: the kernel follows every link";
  const fs::path sticky = dir / "sticky", secret = dir / "private" / "secret";
  fs::create_directories(secret.parent_path());
  ::chmod(secret.parent_path().c_str(), 0700);
  Put(secret, "root's data");
  fs::create_directory(sticky);
  ::chmod(sticky.c_str(), 01777);
  ::chmod(dir.c_str(), 0755);
  fs::create_symlink(secret, sticky / "patch.qvn");
  ASSERT_EQ(::lchown((sticky / "patch.qvn").c_str(), 65534, 65534), 0);
  std::string error;
  EXPECT_FALSE(Save(sticky / "patch.qvn", "new", &error));
  EXPECT_EQ(error, std::strerror(EACCES));
  EXPECT_EQ(Text(secret), "root's data");
}

// A file the user may not write is refused, as a redirection would refuse it, although the
// folder would let it be replaced; root may, as with cp. The mode stays.
TEST_F(AtomicFileTest, AWriteProtectedFileIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user (nobody)";
  ::chmod(dir.c_str(), 0777);
  const fs::path target = dir / "keep.qvn";
  Put(target, "old");
  ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
  ::chmod(target.c_str(), 0444);
  const pid_t child = ::fork();
  if (child == 0) {
    std::string error;
    const bool nobody =
        ::setresgid(65534, 65534, 65534) == 0 && ::setresuid(65534, 65534, 65534) == 0;
    std::_Exit(nobody && !Save(target, "new", &error) && error == std::strerror(EACCES) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the user's save must be refused";
  EXPECT_EQ(Text(target), "old");
  EXPECT_TRUE(Save(target, "root's"));
  EXPECT_EQ(Text(target), "root's");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(Entries(), 1u);
}

// A copy that only its program writes replaces whatever lies under its name, a link included.
TEST_F(AtomicFileTest, ReplacingNeverFollowsALink) {
  Put(dir / "victim", "precious");
  fs::create_symlink(dir / "victim", dir / "copy.qvn");
  const std::string text = "copy";
  ASSERT_TRUE(WriteFileAtomically(dir / "copy.qvn",
                                  {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                                  nullptr, AtomicFile::Links::Replace));
  EXPECT_FALSE(fs::is_symlink(dir / "copy.qvn"));
  EXPECT_EQ(Text(dir / "copy.qvn"), "copy");
  EXPECT_EQ(Text(dir / "victim"), "precious");
}

// Where /proc is missing the temporary file has a name from the start; the next save into the
// folder removes one that a killed program left, and only that.
TEST_F(AtomicFileTest, ALeftoverOfAKilledSaveGoesWithTheNextOne) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to hide /proc in a mount namespace";
  const pid_t child = ::fork();
  if (child == 0) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
        ::umount2("/proc", MNT_DETACH) != 0)
      std::_Exit(2);
    AtomicFile f((dir / "out.wav").string());
    std::_Exit(f.Write("partial", 7) && ::access("/proc/self", F_OK) != 0 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 2) GTEST_SKIP() << "no mount namespace here";
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(Entries(), 1u) << "the killed save's temporary file";
  const fs::path running = dir / (".x.quarvin-" + std::to_string(::getpid()) + "-0123456789ab~");
  Put(running, "in use");
  ASSERT_TRUE(Save(dir / "next.qvn", "next"));
  EXPECT_EQ(Entries(), 2u);
  EXPECT_TRUE(fs::exists(running));
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
