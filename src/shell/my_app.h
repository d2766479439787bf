#pragma once
#include <QApplication>

class WaveSystem;

// The application object: creates the main window around a canvas that plays through the given
// sound system, runs the event loop and returns its exit code.
class TMyApp : public QApplication {
  Q_OBJECT
 public:
  TMyApp(int& argc, char** argv);

  int Run(WaveSystem& audio);
};
