#pragma once
#include <QApplication>
#include <string>

#include "platform/audio/wave.h"

// The application object: creates the main window around a canvas that plays through the sound
// card the settings choose, runs the event loop and returns its exit code.
class TMyApp : public QApplication {
  Q_OBJECT
 public:
  TMyApp(int& argc, char** argv);

  // card: the sound card and block size; patch: opened after the start as "Öffnen" would
  // (empty: none). The window opens whether or not the card can be had.
  int Run(const WaveSettings& card, const std::string& patch = {});
};
