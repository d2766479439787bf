#pragma once
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

#include "app/main_client.h"
#include "app/shell.h"
#include "shell/canvas_controls.h"

// The canvas window: shows the canvas's backing store at the view's zoom and scroll position with
// scroll bars, feeds it mouse, wheel, size and timer events, and carries out what the canvas asks
// of the window system. The dialogs, the popup and the
// error box and the questions are virtual so that tests can answer them without a user.
class TCanvasWidget : public QWidget, public Shell {
  Q_OBJECT
 public:
  // audio may be null (no sound, no audio thread).
  TCanvasWidget(WaveSystem* audio, QWidget* parent = nullptr);
  ~TCanvasWidget() override;

  TMainClient& Client() { return *client_; }
  // The keyboard, the wheel and typed values.
  TCanvasControls& Controls() { return *controls_; }

  // Shell.
  void ShowPixels(Rect r) override;
  void RequestPaint(Rect r) override;
  void CaptureMouse(bool on) override;
  int TrackDevicePopup(Point clientPt, std::span<const PopupEntry> entries) override;
  void ErrorBox(const std::string& text) override;
  void Notice(const std::string& text) override;
  Answer Question(const std::string& text) override;
  RecoveryChoice OfferRecovery(const std::string& text,
                               const std::vector<std::string>& copies) override;
  void Beep() override;
  void SetCaption(const std::string& caption) override;
  void CheckMenu(int id, bool checked) override;
  void SetMenuCaption(int id, const std::string& caption) override;
  void EnableMenu(int id, bool enabled) override;
  void SetClipboardPatch(const std::vector<uint8_t>& bytes) override;
  std::vector<uint8_t> ClipboardPatch() override;
  std::optional<std::string> OpenFileDialog() override;
  std::optional<std::string> SaveFileDialog() override;
  std::optional<RecordingChoice> RecordingDialog() override;
  void StartTimer() override;
  void StopTimer() override;
  void Quit(int exitCode) override;
  void PatchFileUsed(const std::string& path) override;
  void ViewChanged() override;

 signals:
  void MenuChecked(int id, bool checked);
  void FileUsed(const QString& path);
  void MenuCaptioned(int id, const QString& caption);
  void MenuEnabled(int id, bool enabled);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void leaveEvent(QEvent* event) override;

 private:
  void EndKeyGesture();
  void ForwardButton(QMouseEvent* event, MouseKind left, MouseKind right);
  // Where on the canvas the pointer of a mouse event is, at the view's zoom and scroll position.
  Point CanvasPoint(const QMouseEvent* event) const;
  // Shows the scroll bars the view needs and gives the canvas what is left of the window.
  void LayOut();
  // Panning with the middle button, or with the left while Space is held.
  bool Pans(const QMouseEvent* event) const;

  QTimer timer_;
  QScrollBar horizontal_{Qt::Horizontal, this}, vertical_{Qt::Vertical, this};
  Surface screen_;  // the window's pixels when the view is zoomed
  bool spaceHeld_ = false;
  std::optional<QPoint> panFrom_;  // where a pan began, while one goes on
  Point panOrigin_{};
  int wheelRest_ = 0;  // eighths of a degree not yet turned into notches
  std::unique_ptr<TMainClient> client_;
  std::unique_ptr<TCanvasControls> controls_;
  bool keyGesture_ = false;
};
