#pragma once
#include <optional>

#include "app/shell.h"

class QWidget;

// The file dialog of "Aufnahme starten...": a sound file to save, by its extension WAV, FLAC, Ogg
// or AIFF (WAV when none is given), and a check box for recording the input beside it. Replacing
// an existing file is confirmed.
std::optional<RecordingChoice> AskForRecording(QWidget* parent);
