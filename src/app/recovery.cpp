#include "app/recovery.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/process.h"

namespace fs = std::filesystem;

namespace {
constexpr std::string_view kPrefix = "recovery-", kSuffix = ".qvn";

fs::path FileFor(const fs::path& folder, int pid) {
  return folder / (std::string(kPrefix) + std::to_string(pid) + std::string(kSuffix));
}

// The process id in a copy's name, or 0 for any other file (temporary files of the atomic writer
// included).
int OwnerOf(const fs::path& file) {
  const std::string name = file.filename().string();
  if (name.size() <= kPrefix.size() + kSuffix.size() || !name.starts_with(kPrefix) ||
      !name.ends_with(kSuffix))
    return 0;
  const std::string digits =
      name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  if (digits.size() > 9 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return 0;
  return std::stoi(digits);
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
    : folder_(std::move(folder)),
      path_(FileFor(folder_, CurrentProcessId())),
      interval_(interval) {}

std::vector<fs::path> TRecovery::LeftOver() const {
  std::vector<std::pair<fs::file_time_type, fs::path>> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    const int pid = OwnerOf(it->path());
    if (pid == 0 || !it->is_regular_file(ec)) continue;
    // A file under this program's own id is older than this program: its id was reused.
    if (pid != CurrentProcessId() && ProcessRunning(pid)) continue;
    found.emplace_back(it->last_write_time(ec), it->path());
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a > b; });
  std::vector<fs::path> files;
  for (auto& f : found) files.push_back(std::move(f.second));
  return files;
}

bool TRecovery::PrepareFolder() const {
  std::error_code ec;
  if (fs::is_directory(folder_, ec)) return true;
  if (!fs::create_directories(folder_, ec)) return false;
  fs::permissions(folder_, fs::perms::owner_all, ec);
  return true;
}

void TRecovery::Remove() const {
  std::error_code ignored;
  fs::remove(path_, ignored);
}
