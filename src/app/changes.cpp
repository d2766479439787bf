// The patch's unsaved changes: the modified flag, the question before they are given up, and the
// recovery copies that outlive a crash.
#include <cstdio>
#include <ctime>

#include "app/main_client.h"
#include "app/recording_note.h"
#include "platform/atomic_file.h"
#include "platform/read_file.h"

namespace fs = std::filesystem;

namespace {
// A list line needs only the head and the type list of a copy (at most 4096 devices).
constexpr size_t kHeadBytes = 20 << 10;
constexpr const char* kRestoreQuestion =
    "Quarvin wurde zuletzt nicht ordnungsgemäß beendet.\n"
    "Diese Sicherungskopien sind übrig, die neueste zuerst. Eine davon kann wiederhergestellt "
    "werden; behaltene werden beim nächsten Start wieder angeboten.";

// "09.12.2026 00:14:03 – 5 Geräte": when the copy was written and what it holds.
std::string CopyLine(const TRecovery::Copy& copy) {
  const std::time_t t = std::chrono::system_clock::to_time_t(copy.written);
  std::tm local{};
  char when[32] = "?";
  if (localtime_r(&t, &local)) std::strftime(when, sizeof when, "%d.%m.%Y %H:%M:%S", &local);
  const auto devices = TMainClient::DevicesIn(ReadFileBytes(copy.path, kHeadBytes));
  if (!devices) return std::string(when) + " – nicht lesbar";
  return std::string(when) + " – " + std::to_string(*devices) +
         (*devices == 1 ? " Gerät" : " Geräte");
}

std::string SaveQuestion(const std::string& fileName) {
  const std::string patch = fileName.empty() ? "Der Patch (Kein Titel)" : "\"" + fileName + "\"";
  return patch + " wurde geändert.\nSollen die Änderungen gespeichert werden?";
}
}  // namespace

// A change that no step of the history leads back from.
void TMainClient::PatchChanged() {
  history_.MarkUnreachable();
  copyOutdated_ = true;
  if (!shownModified_) UpdateTitle();
}

void TMainClient::MarkUnmodified() {
  history_.MarkClean();
  copyOutdated_ = false;
  if (recovery_) recovery_->Remove();
  if (shownModified_) UpdateTitle();
}

bool TMainClient::MayDiscardChanges() {
  if (!Modified()) return true;
  switch (shell_.Question(SaveQuestion(FileName))) {
    case Answer::Yes:
      // Save As for an untitled patch; its cancelled dialog or a failed save cancels too.
      return Save();
    case Answer::No:
      return true;
    case Answer::Cancel:
      return false;
  }
  return false;
}

void TMainClient::StartRecovery(const fs::path& folder, TRecovery::Clock::duration interval) {
  if (folder.empty()) return;
  recovery_.emplace(folder, interval);
  if (const std::string refused = recovery_->PrepareFolder(); !refused.empty()) {
    std::fprintf(stderr, "quarvin: %s Es werden keine Sicherungskopien angelegt.\n",
                 refused.c_str());
    recovery_.reset();
    return;
  }
  for (const std::string& message : UnfinishedRecordings(folder)) shell_.Notice(message);
  const std::vector<TRecovery::Copy> copies = recovery_->LeftOver();
  if (copies.empty()) return;
  std::vector<std::string> lines;
  for (const TRecovery::Copy& copy : copies) lines.push_back(CopyLine(copy));
  const RecoveryChoice choice = shell_.OfferRecovery(kRestoreQuestion, lines);
  if (choice.kind == RecoveryChoice::Restore && choice.index < copies.size())
    Restore(copies[choice.index].path);
  if (choice.kind != RecoveryChoice::DeleteAll) return;
  for (const TRecovery::Copy& copy : copies) {
    std::error_code ignored;
    fs::remove(copy.path, ignored);
  }
}

// The restored patch is untitled, so that the user chooses where it goes, and modified: until it
// is saved, its only copy is this program's recovery file. The old file goes once that is written
// (a rejected one at once).
void TMainClient::Restore(const fs::path& file) {
  const bool loaded = bool(LoadFile(file.string(), {}));
  if (loaded) PatchChanged();
  if ((!loaded || WriteRecoveryCopy()) && file != recovery_->Path()) {
    std::error_code ignored;
    fs::remove(file, ignored);
  }
}

// Window thread, from the refresh timer.
void TMainClient::KeepRecoveryCopy() {
  if (recovery_ && copyOutdated_ && recovery_->Due(TRecovery::Clock::now())) WriteRecoveryCopy();
}

// The copy is a few kilobytes written beside its place and renamed over it, so a crash while
// writing leaves the previous copy.
bool TMainClient::WriteRecoveryCopy() {
  // A failing disk is tried again an interval later, not on every tick.
  recovery_->Written(TRecovery::Clock::now());
  // Only this program writes the copy; whatever else lies under its name is replaced, never
  // followed.
  if (!recovery_->PrepareFolder().empty() ||
      !WriteFileAtomically(recovery_->Path().string(), SaveBytes(), nullptr,
                           AtomicFile::Links::Replace))
    return false;
  copyOutdated_ = false;
  return true;
}
