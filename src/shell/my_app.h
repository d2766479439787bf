#pragma once
#include <QApplication>
#include <string>

class WaveSystem;

// The application object: creates the main window around a canvas that plays through the given
// sound system, runs the event loop and returns its exit code.
class TMyApp : public QApplication {
  Q_OBJECT
 public:
  TMyApp(int& argc, char** argv);

  // patch: opened after the start as "Öffnen" would (empty: none); liveBlock: the live block
  // size, 0 for the default blocks.
  int Run(WaveSystem& audio, const std::string& patch = {}, int liveBlock = 0);
};
