#pragma once
#include <QTimer>
#include <QWidget>
#include <memory>

#include "app/main_client.h"
#include "app/shell.h"
#include "shell/canvas_controls.h"

// The canvas window: shows the canvas's backing store, feeds it mouse, size and timer events,
// and carries out what the canvas asks of the window system. The dialogs, the popup and the
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
  int TrackDevicePopup(Point clientPt) override;
  void ErrorBox(const std::string& text) override;
  Answer Question(const std::string& text) override;
  RecoveryChoice OfferRecovery(const std::string& text,
                               const std::vector<std::string>& copies) override;
  void Beep() override;
  void SetCaption(const std::string& caption) override;
  void CheckMenu(int id, bool checked) override;
  std::optional<std::string> OpenFileDialog() override;
  std::optional<std::string> SaveFileDialog() override;
  void StartTimer() override;
  void StopTimer() override;
  void Quit(int exitCode) override;
  void PatchFileUsed(const std::string& path) override;

 signals:
  void MenuChecked(int id, bool checked);
  void FileUsed(const QString& path);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  void ForwardButton(QMouseEvent* event, MouseKind left, MouseKind right);

  QTimer timer_;
  std::unique_ptr<TMainClient> client_;
  std::unique_ptr<TCanvasControls> controls_;
};
