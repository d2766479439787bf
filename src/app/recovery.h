#pragma once
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Where the copies of a patch being edited are kept, so that a crash or a killed program loses at
// most the last interval of work. Every running program has a file of its own, named by its
// process id; a file whose program is gone is left over from a crash.
class TRecovery {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::seconds kDefaultInterval{30};

  // $XDG_STATE_HOME/quarvin, else ~/.local/state/quarvin; empty when neither is known.
  static std::filesystem::path DefaultFolder();

  TRecovery(std::filesystem::path folder, Clock::duration interval);

  const std::filesystem::path& Folder() const { return folder_; }
  // This program's copy.
  const std::filesystem::path& Path() const { return path_; }
  struct Copy {
    std::filesystem::path path;
    std::chrono::system_clock::time_point written;
  };
  // Copies left by programs that are gone, the newest first; regular files only, never a link.
  std::vector<Copy> LeftOver() const;
  // The same for any kind of file a program keeps in the folder under its process id.
  static std::vector<Copy> LeftOver(const std::filesystem::path& folder, std::string_view prefix,
                                    std::string_view suffix);
  static std::filesystem::path FileFor(const std::filesystem::path& folder, std::string_view prefix,
                                       std::string_view suffix);

  // A copy is due once the interval has passed since the last one (or since the start).
  bool Due(Clock::time_point now) const { return now - last_ >= interval_; }
  // Creates the folder for the user alone where it is missing. Copies are kept only in a folder of
  // the user's that nobody else can write: otherwise, or when it cannot be made, the German
  // reason.
  std::string PrepareFolder() const;
  void Written(Clock::time_point now) { last_ = now; }
  // The patch is saved or given up: its copy goes.
  void Remove() const;

 private:
  std::filesystem::path folder_, path_;
  Clock::duration interval_;
  Clock::time_point last_ = Clock::now();
};
