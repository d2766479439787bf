#include "shell/my_app.h"

#include <QTimer>

#include "platform/audio/sound_card.h"
#include "shell/icon_art.h"
#include "shell/main_frame.h"
#include "shell/sound_control.h"
#include "shell/translations.h"

TMyApp::TMyApp(int& argc, char** argv) : QApplication(argc, argv) {
  setWindowIcon(ProgramIcon());
  LoadGermanQtTexts(*this);
}

int TMyApp::Run(const WaveSettings& card, const std::string& patch) {
  TMainFrame frame(std::make_unique<TCanvasWidget>(nullptr));
  frame.Setup();
  // Declared after the frame, so that it stops the sound and goes first.
  TSoundControl sound(frame.Canvas().Client(), card, &OpenSoundCard);
  frame.SetSoundControl(&sound);
  frame.show();
  // Once the window is on screen, so that an error box appears over it: the sound card, the
  // patch from the command line, then a patch left by a crash is offered.
  QTimer::singleShot(0, &frame, [&frame, &sound, patch] {
    sound.Start(sound.Settings(), RememberedThreads());
    if (!patch.empty()) frame.Canvas().Client().Load(patch);
    frame.Canvas().Client().StartRecovery(TRecovery::DefaultFolder());
  });
  return exec();
}
