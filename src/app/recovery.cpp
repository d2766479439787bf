#include "app/recovery.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>

#include "platform/process.h"

namespace fs = std::filesystem;

namespace {
constexpr std::string_view kPrefix = "recovery-", kSuffix = ".qvn";

// The process id in a file's name, or 0 for any other file (temporary files of the atomic writer
// included).
int OwnerOf(const fs::path& file, std::string_view prefix, std::string_view suffix) {
  const std::string name = file.filename().string();
  if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
      !name.ends_with(suffix))
    return 0;
  return ProcessIdFrom(
      std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - suffix.size()));
}

std::chrono::system_clock::time_point WrittenAt(const struct stat& st) {
  return std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(
          std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
}
}  // namespace

fs::path TRecovery::DefaultFolder() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
    return fs::path(state) / "quarvin";
  if (const char* home = std::getenv("HOME"); home && *home)
    return fs::path(home) / ".local" / "state" / "quarvin";
  return {};
}

TRecovery::TRecovery(fs::path folder, Clock::duration interval)
    : folder_(std::move(folder)), path_(FileFor(folder_, kPrefix, kSuffix)), interval_(interval) {}

fs::path TRecovery::FileFor(const fs::path& folder, std::string_view prefix,
                            std::string_view suffix) {
  return folder / (std::string(prefix) + std::to_string(CurrentProcessId()) + std::string(suffix));
}

std::vector<TRecovery::Copy> TRecovery::LeftOver() const {
  return LeftOver(folder_, kPrefix, kSuffix);
}

std::vector<TRecovery::Copy> TRecovery::LeftOver(const fs::path& folder, std::string_view prefix,
                                                 std::string_view suffix) {
  std::vector<Copy> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const int pid = OwnerOf(it->path(), prefix, suffix);
    struct stat st {};
    if (pid == 0 || ::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // A file under this program's own id is older than this program: its id was reused.
    if (pid != CurrentProcessId() && ProcessRunning(pid)) continue;
    found.push_back({it->path(), WrittenAt(st)});
  }
  std::sort(found.begin(), found.end(), [](const Copy& a, const Copy& b) {
    return std::tie(a.written, a.path) > std::tie(b.written, b.path);
  });
  return found;
}

// Another user who can write into the folder could plant links under the copies' names or
// copies of their own making; a link as the folder must at least be the user's own.
std::string TRecovery::PrepareFolder() const {
  const std::string name = "Der Ordner für Sicherungskopien " + folder_.string();
  std::error_code ignored;
  fs::create_directories(folder_.parent_path(), ignored);
  if (::mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST)
    return name + " kann nicht angelegt werden (" + std::strerror(errno) + ").";
  struct stat link {
  }, st{};
  if (::lstat(folder_.c_str(), &link) != 0 || ::stat(folder_.c_str(), &st) != 0 ||
      !S_ISDIR(st.st_mode))
    return name + " ist kein Ordner.";
  if (link.st_uid != ::geteuid() || st.st_uid != ::geteuid())
    return name + " gehört einem anderen Benutzer.";
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return name + " ist auch für andere Benutzer beschreibbar.";
  return {};
}

void TRecovery::Remove() const {
  std::error_code ignored;
  fs::remove(path_, ignored);
}
