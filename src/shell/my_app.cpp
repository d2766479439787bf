#include "shell/my_app.h"

#include <QTimer>

#include "shell/icon_art.h"
#include "shell/main_frame.h"
#include "shell/translations.h"

TMyApp::TMyApp(int& argc, char** argv) : QApplication(argc, argv) {
  setWindowIcon(ProgramIcon());
  LoadGermanQtTexts(*this);
}

int TMyApp::Run(WaveSystem& audio) {
  TMainFrame frame(std::make_unique<TCanvasWidget>(&audio));
  if (!frame.Setup()) return 1;  // the error box has told why
  frame.show();
  // A patch left by a crash is offered once the window is on screen.
  QTimer::singleShot(
      0, &frame, [&frame] { frame.Canvas().Client().StartRecovery(TRecovery::DefaultFolder()); });
  return exec();
}
