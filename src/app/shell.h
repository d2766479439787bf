#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/geometry.h"

// A user's answer to a question: "Ja", "Nein" or "Abbrechen".
enum class Answer { Yes, No, Cancel };

// What the user does with the recovery copies that programs which are gone left behind.
struct RecoveryChoice {
  enum Kind { Restore, DeleteAll, Keep } kind = Keep;
  size_t index = 0;  // the copy to restore
};

// What the recording dialog chose: the file for what is heard, and whether what comes in is
// recorded too (into a file beside it).
struct RecordingChoice {
  std::string Path;
  bool WithInput = false;
};

// An entry of the device popup: its caption (with its & mark) and the command id it answers.
struct PopupEntry {
  const char* caption;
  int id;
};

// Everything the canvas asks of the window system. The Qt program implements it; tests and the
// render tool use the headless one.
class Shell {
 public:
  virtual ~Shell() = default;

  // Pixels of the canvas's backing store in r changed and must be shown; or r needs a paint
  // pass (the canvas has queued it) — the shell then calls TMainClient::PaintPending before it
  // shows the next frame, and shows only what was asked for.
  virtual void ShowPixels(Rect r) = 0;
  virtual void RequestPaint(Rect r) = 0;

  virtual void CaptureMouse(bool on) = 0;
  // Shows the device popup with entries ("&Löschen" first) at a client point; the chosen command
  // id, or 0.
  virtual int TrackDevicePopup(Point clientPt, std::span<const PopupEntry> entries) = 0;
  virtual void ErrorBox(const std::string& text) = 0;
  // A message that is no error ("Aufnahme").
  virtual void Notice(const std::string& text) = 0;
  // A modal question with the buttons "Ja", "Nein" and "Abbrechen" (also Escape or closing it).
  virtual Answer Question(const std::string& text) = 0;
  // Lists the copies once (one line each, as given) under the text: restore one
  // ("Wiederherstellen", the first one chosen at the start), delete all ("Alle löschen") or keep
  // them for the next start
  // ("Behalten", also Escape or closing it).
  virtual RecoveryChoice OfferRecovery(const std::string& text,
                                       const std::vector<std::string>& copies) = 0;
  // The simple beep; may be called from the audio thread.
  virtual void Beep() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void CheckMenu(int id, bool checked) = 0;
  // A menu entry's caption (with its & mark) and whether it can be chosen.
  virtual void SetMenuCaption(int id, const std::string& caption) = 0;
  virtual void EnableMenu(int id, bool enabled) = 0;
  // The system clipboard's patch (the bytes of a patch file under the program's own type);
  // empty when it holds none.
  virtual void SetClipboardPatch(const std::vector<uint8_t>& bytes) = 0;
  virtual std::vector<uint8_t> ClipboardPatch() = 0;
  // File dialogs with the patch filter; nullopt when cancelled. The save dialog confirms
  // overwriting and appends the default extension.
  virtual std::optional<std::string> OpenFileDialog() = 0;
  virtual std::optional<std::string> SaveFileDialog() = 0;
  // The file dialog of a recording, with the sound file formats; it confirms replacing a file.
  virtual std::optional<RecordingChoice> RecordingDialog() = 0;
  virtual void StartTimer() = 0;  // 10 ms, calls TMainClient::Timer
  virtual void StopTimer() = 0;
  virtual void Quit(int exitCode) = 0;
  // The patch now stands for the file at path: opened whole, or written there. The program keeps
  // it among the recent files; nothing else needs to know.
  virtual void PatchFileUsed(const std::string& path) { (void)path; }
  // The zoom, the scroll position or the scroll area changed: scroll bars follow.
  virtual void ViewChanged() {}
};
