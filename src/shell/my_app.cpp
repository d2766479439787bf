#include "shell/my_app.h"

#include <QTimer>

#include "shell/icon_art.h"
#include "shell/main_frame.h"
#include "shell/translations.h"

TMyApp::TMyApp(int& argc, char** argv) : QApplication(argc, argv) {
  setWindowIcon(ProgramIcon());
  LoadGermanQtTexts(*this);
}

int TMyApp::Run(WaveSystem& audio, const std::string& patch, int liveBlock) {
  TMainFrame frame(std::make_unique<TCanvasWidget>(&audio));
  frame.Canvas().Client().SetLiveBlock(liveBlock);
  if (!frame.Setup()) return 1;  // the error box has told why
  frame.show();
  // Once the window is on screen, so that a rejected file's error box appears over it: the patch
  // from the command line, then a patch left by a crash is offered.
  QTimer::singleShot(0, &frame, [&frame, patch] {
    if (!patch.empty()) frame.Canvas().Client().Load(patch);
    frame.Canvas().Client().StartRecovery(TRecovery::DefaultFolder());
  });
  return exec();
}
