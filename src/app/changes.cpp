// The patch's unsaved changes: the modified flag, the question before they are given up, and the
// recovery copies that outlive a crash.
#include "app/main_client.h"

namespace fs = std::filesystem;

namespace {
constexpr const char* kRestoreQuestion =
    "Quarvin wurde zuletzt nicht ordnungsgemäß beendet.\n"
    "Soll der Patch wiederhergestellt werden, der zuletzt bearbeitet wurde?";

std::string SaveQuestion(const std::string& fileName) {
  const std::string patch = fileName.empty() ? "Der Patch (Kein Titel)" : "\"" + fileName + "\"";
  return patch + " wurde geändert.\nSollen die Änderungen gespeichert werden?";
}
}  // namespace

void TMainClient::PatchChanged() {
  modified_ = true;
  copyOutdated_ = true;
}

void TMainClient::MarkUnmodified() {
  modified_ = false;
  copyOutdated_ = false;
  if (recovery_) recovery_->Remove();
}

bool TMainClient::MayDiscardChanges() {
  if (!modified_) return true;
  switch (shell_.Question(SaveQuestion(FileName), true)) {
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
  for (const fs::path& file : recovery_->LeftOver()) {
    if (shell_.Question(kRestoreQuestion, false) == Answer::Yes) {
      Restore(file);
      return;  // older copies are offered at the next start
    }
    std::error_code ignored;
    fs::remove(file, ignored);
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
  if (!recovery_->PrepareFolder() || !SaveCopy(recovery_->Path().string())) return false;
  copyOutdated_ = false;
  return true;
}
