#include "shell/my_app.h"

#include <QTimer>

#include "shell/icon_art.h"
#include "shell/main_frame.h"

TMyApp::TMyApp(int& argc, char** argv) : QApplication(argc, argv) {
  setWindowIcon(ProgramIcon());
}

int TMyApp::Run(WaveSystem& audio, const std::string& patch, int liveBlock) {
  TMainFrame frame(std::make_unique<TCanvasWidget>(&audio));
  frame.Canvas().Client().SetLiveBlock(liveBlock);
  if (!frame.Setup()) return 1;  // the error box has told why
  frame.show();
  // Once the window is up, so that a rejected file's error box appears over it.
  if (!patch.empty())
    QTimer::singleShot(0, &frame, [&frame, patch] { frame.Canvas().Client().Load(patch); });
  return exec();
}
