#include "shell/sound_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <thread>

#include "app/audio_loop.h"
#include "app/command_line.h"
#include "shell/sound_control.h"

namespace {

using Direction = WaveSystem::Direction;

// The block lengths offered beside the default blocks.
constexpr int kBlockChoices[] = {64, 128, 256, 512, 1024, 2048, 3000};

QString Ms(double frames) {
  return QString::number(1000.0 * frames / kSampleRate, 'f', 1).replace('.', ',');
}

// "Standard" and every device of the direction; the data is what the settings keep (the name).
// A remembered choice the list does not hold stays selectable as it is.
void FillDevices(QComboBox& box, const std::vector<WaveDeviceInfo>& devices, Direction d,
                 const std::string& chosen) {
  box.addItem(QStringLiteral("Standard"), QString());
  for (const WaveDeviceInfo& info : devices)
    if ((d == Direction::In ? info.InChannels : info.OutChannels) > 0)
      box.addItem(QString::fromStdString(info.Name + " (" + info.HostApi + ")"),
                  QString::fromStdString(info.Name));
  const QString wanted = QString::fromStdString(chosen);
  if (!chosen.empty() && box.findData(wanted) < 0) box.addItem(wanted, wanted);
  box.setCurrentIndex(std::max(0, box.findData(wanted)));
}

// A block of n frames is recorded whole before it is processed and played: about two blocks lie
// between input and output, besides the card's own buffers.
void FillBlocks(QComboBox& box, int chosen) {
  box.addItem(QStringLiteral("Standard: 7 Blöcke zu 3000 Frames (etwa %1 ms)").arg(Ms(2 * 3000)),
              0);
  for (int frames : kBlockChoices)
    box.addItem(QStringLiteral("%1 Frames (%2 ms je Block, etwa %3 ms vom Eingang zum Ausgang)")
                    .arg(frames)
                    .arg(Ms(frames))
                    .arg(Ms(2 * frames)),
                frames);
  if (box.findData(chosen) < 0)
    box.addItem(QStringLiteral("%1 Frames (%2 ms je Block)").arg(chosen).arg(Ms(chosen)), chosen);
  box.setCurrentIndex(std::max(0, box.findData(chosen)));
}

// One thread up to as many as the processor has cores (at least two, to be chosen at all); the
// sound is the same with every count.
void FillThreads(QComboBox& box, int chosen) {
  const int most =
      std::clamp(int(std::thread::hardware_concurrency()), std::max(2, chosen), kMaxThreads);
  box.addItem(QStringLiteral("1 (nur der Audio-Thread)"), 1);
  for (int n = 2; n <= most; ++n) box.addItem(QStringLiteral("%1").arg(n), n);
  box.setCurrentIndex(std::max(0, box.findData(chosen)));
}

}  // namespace

TSoundDialog::TSoundDialog(QWidget* parent, TSoundControl& sound,
                           const std::vector<WaveDeviceInfo>& devices)
    : QDialog(parent),
      sound_(sound),
      in_(new QComboBox(this)),
      out_(new QComboBox(this)),
      block_(new QComboBox(this)),
      threads_(new QComboBox(this)),
      status_(new QLabel(this)) {
  setWindowTitle(QStringLiteral("Soundkarte"));
  const WaveSettings& now = sound_.Settings();
  FillDevices(*in_, devices, Direction::In, now.In);
  FillDevices(*out_, devices, Direction::Out, now.Out);
  FillBlocks(*block_, now.BlockFrames);
  FillThreads(*threads_, sound_.Threads());
  status_->setWordWrap(true);
  status_->setObjectName(QStringLiteral("status"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Eingabegerät:"), in_);
  form->addRow(QStringLiteral("&Ausgabegerät:"), out_);
  form->addRow(QStringLiteral("&Blocklänge:"), block_);
  form->addRow(QStringLiteral("&Threads:"), threads_);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* apply =
      buttons->addButton(QStringLiteral("Ton &neu starten"), QDialogButtonBox::ApplyRole);
  QPushButton* close =
      buttons->addButton(QStringLiteral("&Schließen"), QDialogButtonBox::RejectRole);
  apply->setDefault(true);
  connect(apply, &QPushButton::clicked, this, &TSoundDialog::Apply);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(status_);
  layout->addWidget(buttons);
  ShowStatus();
}

WaveSettings TSoundDialog::Choice() const {
  WaveSettings choice = sound_.Settings();
  choice.In = in_->currentData().toString().toStdString();
  choice.Out = out_->currentData().toString().toStdString();
  choice.BlockFrames = block_->currentData().toInt();
  return choice;
}

int TSoundDialog::ChosenThreads() const {
  return threads_->currentData().toInt();
}

void TSoundDialog::Apply() {
  const WaveSettings choice = Choice();
  RememberSoundSettings(choice);
  RememberThreads(ChosenThreads());
  sound_.Start(choice, ChosenThreads());
  ShowStatus();
}

void TSoundDialog::ShowStatus() {
  status_->setText(QString::fromStdString(sound_.Status()));
}
