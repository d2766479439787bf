#pragma once
#include <QDialog>
#include <vector>

#include "platform/audio/wave.h"

class QComboBox;
class QLabel;
class TSoundControl;

// "Soundkarte": input and output device, block length with the delay each gives, the threads that
// compute the patch, and the card's rate and whether it is converted. "Ton neu starten" restarts
// the sound with the choice (also after the card was lost or could not be opened) and remembers it
// for the next start; the patch is not touched.
class TSoundDialog : public QDialog {
  Q_OBJECT
 public:
  // devices: what the sound library lists (ListSoundCards in the program).
  TSoundDialog(QWidget* parent, TSoundControl& sound, const std::vector<WaveDeviceInfo>& devices);

  // The settings the dialog shows, and its threads.
  WaveSettings Choice() const;
  int ChosenThreads() const;
  // Restarts the sound with the choice and remembers it; the status line follows.
  void Apply();

 private:
  void ShowStatus();

  TSoundControl& sound_;
  QComboBox* in_;
  QComboBox* out_;
  QComboBox* block_;
  QComboBox* threads_;
  QLabel* status_;
};
