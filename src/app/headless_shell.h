#pragma once
#include <atomic>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/shell.h"

// A shell without a window system: records what the canvas asks and answers dialogs and popups
// with prepared answers (tests and the render tool).
class HeadlessShell : public Shell {
 public:
  void ShowPixels(Rect r) override { shown.push_back(r); }
  void RequestPaint(Rect) override { ++paintRequests; }
  void CaptureMouse(bool on) override { captured = on; }
  int TrackDevicePopup(Point pt, std::span<const PopupEntry> entries) override {
    popups.push_back(pt);
    popupCaptions.clear();
    for (const PopupEntry& e : entries) popupCaptions.emplace_back(e.caption);
    return popupAnswer;
  }
  void ErrorBox(const std::string& text) override { errors.push_back(text); }
  void Notice(const std::string& text) override { notices.push_back(text); }
  Answer Question(const std::string& text) override {
    questions.push_back(text);
    if (answers.empty()) return Answer::No;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  RecoveryChoice OfferRecovery(const std::string& text,
                               const std::vector<std::string>& copies) override {
    questions.push_back(text);
    offered.push_back(copies);
    return recoveryChoice;
  }
  void Beep() override { beeps.fetch_add(1, std::memory_order_relaxed); }
  void SetCaption(const std::string& text) override { caption = text; }
  void CheckMenu(int id, bool checked) override { marks[id] = checked; }
  void SetMenuCaption(int id, const std::string& text) override { menuCaptions[id] = text; }
  void EnableMenu(int id, bool enabled) override { menuEnabled[id] = enabled; }
  void SetClipboardPatch(const std::vector<uint8_t>& bytes) override { clipboard = bytes; }
  std::vector<uint8_t> ClipboardPatch() override { return clipboard; }
  std::optional<std::string> OpenFileDialog() override { return openAnswer; }
  std::optional<std::string> SaveFileDialog() override { return saveAnswer; }
  std::optional<RecordingChoice> RecordingDialog() override { return recordingAnswer; }
  void StartTimer() override { timerRunning = true; }
  void StopTimer() override { timerRunning = false; }
  void Quit(int code) override { quitCode = code; }

  std::vector<Rect> shown;
  int paintRequests = 0;
  bool captured = false;
  std::vector<Point> popups;
  std::vector<std::string> popupCaptions;  // the last popup's entries
  int popupAnswer = 0;
  std::vector<std::string> errors, notices;
  std::vector<std::string> questions;
  // Scripted answers, used in order; a question without one is answered "Nein".
  std::deque<Answer> answers;
  // The lists of recovery copies offered, and the answer to every offer.
  std::vector<std::vector<std::string>> offered;
  RecoveryChoice recoveryChoice;
  std::atomic<int> beeps{0};
  std::string caption;
  std::map<int, bool> marks;
  std::map<int, std::string> menuCaptions;
  std::map<int, bool> menuEnabled;
  std::vector<uint8_t> clipboard;
  std::optional<std::string> openAnswer, saveAnswer;
  std::optional<RecordingChoice> recordingAnswer;
  bool timerRunning = false;
  std::optional<int> quitCode;
};
