#include "shell/recording_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>

namespace {
const QString kSoundFilter =
    QStringLiteral("Tondateien (*.wav *.flac *.ogg *.aiff *.aif);;Alle Dateien (*)");
}  // namespace

std::optional<RecordingChoice> AskForRecording(QWidget* parent) {
  QFileDialog dialog(parent, QStringLiteral("Aufnahme starten"), QString(), kSoundFilter);
  // The system's own dialog could not carry the check box.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("wav"));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  auto* withInput = new QCheckBox(
      QStringLiteral("Auch den &Eingang aufnehmen (in eine zweite Datei „…-eingang“)"), &dialog);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
    grid->addWidget(withInput, grid->rowCount(), 0, 1, grid->columnCount());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return RecordingChoice{dialog.selectedFiles().constFirst().toStdString(), withInput->isChecked()};
}
