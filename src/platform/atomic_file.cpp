#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

namespace {
namespace fs = std::filesystem;

// As many hops as the kernel itself follows before it gives up with ELOOP.
constexpr int kMaxLinkHops = 40;
constexpr int kNameAttempts = 100;

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

std::string FolderOf(const std::string& target) {
  const fs::path parent = fs::path(target).parent_path();
  return parent.empty() ? "." : parent.string();
}

// A hidden name beside the target that no other save can pick at the same time.
std::string TemporaryName(const std::string& target) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  // Stays within the length limit of a file name however long the target's name is.
  const std::string base = fs::path(target).filename().string().substr(0, 200);
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%012llx~",
                static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
  return (fs::path(FolderOf(target)) / ("." + base + suffix)).string();
}
}  // namespace

AtomicFile::AtomicFile(const std::string& path) : target_(FollowLinks(path)) {
  struct stat st {};
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    Fail("open");
    return;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    direct_ = true;
    fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd_ < 0) Fail("open");
    return;
  }
  OpenTemporary();
  if (fd_ < 0 || !exists) return;
  // The new file takes the old one's place, so it keeps its permissions and, where allowed,
  // its owner.
  if (::fchmod(fd_, st.st_mode & 07777) != 0) Fail("chmod");
  // Only root can give the file to its old owner; for anyone else the mode is what matters.
  [[maybe_unused]] const int chowned = ::fchown(fd_, st.st_uid, st.st_gid);
}

void AtomicFile::OpenTemporary() {
  // An unnamed file vanishes by itself when the program is killed before Commit; it gets its
  // name through /proc, so without /proc the file is named from the start.
  if (::access("/proc/self/fd", X_OK) == 0)
    fd_ = ::open(FolderOf(target_).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
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
  Fail("open");
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !linkedAs_.empty()) ::unlink(linkedAs_.c_str());
}

bool AtomicFile::Fail(const char* what) {
  if (error_.empty()) error_ = std::string(what) + ": " + std::strerror(errno);
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
      return Fail("write");
    }
    p += n;
    size -= size_t(n);
  }
  return true;
}

int64_t AtomicFile::Seek(int64_t offset, int whence) {
  if (!Ok()) return -1;
  const off_t at = ::lseek(fd_, off_t(offset), whence);
  if (at < 0) Fail("seek");
  return at;
}

int64_t AtomicFile::Read(void* data, size_t size) {
  if (!Ok()) return -1;
  ssize_t n;
  while ((n = ::read(fd_, data, size)) < 0 && errno == EINTR) {
  }
  if (n < 0) Fail("read");
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
    return ::close(fd) == 0 || Fail("close");
  }
  // On a full disk the delayed writes fail here, before the old file is given up.
  if (::fsync(fd) != 0) {
    ::close(fd);
    return Fail("fsync");
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
      return Fail("link");
    }
  }
  if (::close(fd) != 0) return Fail("close");
  if (::rename(linkedAs_.c_str(), target_.c_str()) != 0) return Fail("rename");
  committed_ = true;
  return true;
}

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                         std::string* error) {
  AtomicFile file(path);
  if (file.Write(bytes.data(), bytes.size()) && file.Commit()) return true;
  if (error) *error = file.Error();
  return false;
}
