#include "platform/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>

#include "platform/process.h"

namespace {
namespace fs = std::filesystem;

// As many hops as the kernel itself follows before it gives up with ELOOP.
constexpr int kMaxLinkHops = 40;
constexpr int kNameAttempts = 100;
constexpr std::string_view kTag = ".quarvin-";
constexpr size_t kRandomDigits = 12;

// Closes a descriptor that is only looked at.
struct Closing {
  int fd;
  ~Closing() {
    if (fd >= 0) ::close(fd);
  }
};

std::string FollowLinks(const std::string& path) {
  fs::path p(path);
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(p, ec))) break;
    const fs::path to = fs::read_symlink(p, ec);
    if (ec) break;
    p = to.is_absolute() ? to : p.parent_path() / to;
  }
  return p.string();
}

// The path of the file the kernel opened: its own answer where /proc is there, else the link
// followed here (the caller checks that it names the same file).
std::string ReachedPath(int fd, const std::string& path) {
  char self[64], reached[PATH_MAX];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
  const ssize_t n = ::readlink(self, reached, sizeof reached);
  if (n > 0 && size_t(n) < sizeof reached && reached[0] == '/') return std::string(reached, n);
  return FollowLinks(path);
}

std::string FolderOf(const std::string& target) {
  const fs::path parent = fs::path(target).parent_path();
  return parent.empty() ? "." : parent.string();
}

// A hidden name beside the target that no other save can pick at the same time:
// ".<name>.quarvin-<process id>-<random>~". The process id tells a later save whether the file
// is a leftover of a program that was killed.
std::string TemporaryName(const std::string& target) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  // Stays within the length limit of a file name however long the target's name is.
  const std::string base = fs::path(target).filename().string().substr(0, 200);
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, "%d-%012llx~", CurrentProcessId(),
                static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
  return (fs::path(FolderOf(target)) / ("." + base + std::string(kTag) + suffix)).string();
}

// The process id in a temporary file's name, or 0 for any other name.
int WriterOf(std::string_view name) {
  const size_t tag = name.rfind(kTag);
  if (!name.starts_with('.') || !name.ends_with('~') || tag == std::string_view::npos) return 0;
  const std::string_view rest = name.substr(tag + kTag.size(), name.size() - tag - kTag.size() - 1);
  const size_t dash = rest.find('-');
  if (dash == std::string_view::npos || rest.size() - dash - 1 != kRandomDigits ||
      rest.find_first_not_of("0123456789abcdef", dash + 1) != std::string_view::npos)
    return 0;
  return ProcessIdFrom(rest.substr(0, dash));
}

// Temporary files get a name before they are complete where /proc is missing, and a killed
// program leaves them; the next save into the folder removes those of this user whose program is
// gone.
void RemoveLeftovers(const std::string& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const int pid = WriterOf(it->path().filename().string());
    struct stat st {};
    if (pid == 0 || ProcessRunning(pid) || ::lstat(it->path().c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
      continue;
    ::unlink(it->path().c_str());
  }
}
}  // namespace

AtomicFile::AtomicFile(const std::string& path, Links links) : target_(path) {
  struct stat st {};
  const bool exists = ::lstat(path.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode) && links == Links::Follow && !FollowLink(path, st)) return;
  if (exists && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    Fail();
    return;
  }
  const bool regular = exists && S_ISREG(st.st_mode);
  if (exists && !regular && !S_ISLNK(st.st_mode)) {
    OpenDirect(path);
    return;
  }
  // Replacing a file needs only the folder's permission; the owner's protection is respected.
  if (regular && ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
    Fail();
    return;
  }
  OpenTemporary();
  if (fd_ < 0 || !regular) return;
  // The new file takes the old one's place, so it keeps its permissions and, where allowed,
  // its owner.
  if (::fchmod(fd_, st.st_mode & 07777) != 0) Fail();
  // Only root can give the file to its old owner; for anyone else the mode is what matters.
  [[maybe_unused]] const int chowned = ::fchown(fd_, st.st_uid, st.st_gid);
}

// The kernel follows the link, or refuses to (a stranger's link in a sticky folder, a loop); st
// becomes what it reached, and a regular file is replaced where it lies.
bool AtomicFile::FollowLink(const std::string& path, struct stat& st) {
  Closing reached{::open(path.c_str(), O_PATH | O_CLOEXEC)};
  if (reached.fd < 0 && errno == ENOENT)  // a link to nothing: made as a redirection makes it
    reached.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  if (reached.fd < 0 || ::fstat(reached.fd, &st) != 0) return Fail();
  if (!S_ISREG(st.st_mode)) return true;  // a device or pipe is opened through the link
  target_ = ReachedPath(reached.fd, path);
  struct stat named {};
  if (::stat(target_.c_str(), &named) != 0 || named.st_dev != st.st_dev ||
      named.st_ino != st.st_ino) {
    errno = ESTALE;
    return Fail();
  }
  return true;
}

void AtomicFile::OpenDirect(const std::string& path) {
  direct_ = true;
  fd_ = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
  if (fd_ < 0) {
    Fail();
    return;
  }
  stream_ = ::lseek(fd_, 0, SEEK_CUR) < 0 && errno == ESPIPE;
}

void AtomicFile::OpenTemporary() {
  const std::string folder = FolderOf(target_);
  RemoveLeftovers(folder);
  // An unnamed file vanishes by itself when the program is killed before Commit; it gets its
  // name through /proc, so without /proc the file is named from the start.
  if (::access("/proc/self/fd", X_OK) == 0)
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (fd_ >= 0) {
    unnamed_ = true;
    return;
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = TemporaryName(target_);
    fd_ = ::open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      linkedAs_ = name;
      return;
    }
    if (errno != EEXIST) break;
  }
  Fail();
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !linkedAs_.empty()) ::unlink(linkedAs_.c_str());
}

bool AtomicFile::Fail() {
  if (error_.empty()) error_ = std::strerror(errno);
  return false;
}

bool AtomicFile::Write(const void* data, size_t size) {
  if (!Ok()) return false;
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return Fail();
    }
    p += n;
    size -= size_t(n);
  }
  return true;
}

int64_t AtomicFile::Seek(int64_t offset, int whence) {
  if (!Ok()) return -1;
  const off_t at = ::lseek(fd_, off_t(offset), whence);
  if (at < 0) Fail();
  return at;
}

int64_t AtomicFile::Read(void* data, size_t size) {
  if (!Ok()) return -1;
  ssize_t n;
  while ((n = ::read(fd_, data, size)) < 0 && errno == EINTR) {
  }
  if (n < 0) Fail();
  return n;
}

int64_t AtomicFile::Size() {
  struct stat st {};
  if (!Ok() || ::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

bool AtomicFile::Commit() {
  if (!Ok()) return false;
  const int fd = fd_;
  fd_ = -1;
  if (direct_) {
    committed_ = true;
    return ::close(fd) == 0 || Fail();
  }
  // On a full disk the delayed writes fail here, before the old file is given up.
  if (::fsync(fd) != 0) {
    ::close(fd);
    return Fail();
  }
  if (unnamed_) {
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    for (int attempt = 0; attempt < kNameAttempts && linkedAs_.empty(); ++attempt) {
      const std::string name = TemporaryName(target_);
      if (::linkat(AT_FDCWD, self, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        linkedAs_ = name;
      else if (errno != EEXIST)
        break;
    }
    if (linkedAs_.empty()) {
      ::close(fd);
      return Fail();
    }
  }
  if (::close(fd) != 0) return Fail();
  if (::rename(linkedAs_.c_str(), target_.c_str()) != 0) return Fail();
  committed_ = true;
  return true;
}

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                         std::string* error, AtomicFile::Links links) {
  AtomicFile file(path, links);
  if (file.Write(bytes.data(), bytes.size()) && file.Commit()) return true;
  if (error) *error = file.Error();
  return false;
}
