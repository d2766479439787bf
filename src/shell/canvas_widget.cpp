#include "shell/canvas_widget.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "app/commands.h"
#include "shell/accessible_canvas.h"

namespace {
const QString kPatchFilter = QStringLiteral("Quarvin-Dateien (*.qvn);;Alle Dateien (*.*)");
constexpr int kTimerMs = 10;

QRect ToQRect(const Rect& r) {
  return {r.left, r.top, int(r.Width()), int(r.Height())};
}

Point ClientPoint(const QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  return {p.x(), p.y()};
}

std::optional<std::string> ChosenPath(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}
}  // namespace

TCanvasWidget::TCanvasWidget(WaveSystem* audio, QWidget* parent)
    : QWidget(parent),
      client_(std::make_unique<TMainClient>(*this, audio)),
      controls_(std::make_unique<TCanvasControls>(*this, *client_)) {
  InstallAccessibleCanvas();
  // Tab walks the panels' controls; a click gives the canvas the keyboard.
  setFocusPolicy(Qt::StrongFocus);
  // The canvas repaints every exposed pixel from its backing store.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // Moving an inserted panel follows the pointer before any button is pressed.
  setMouseTracking(true);
  // Escape drops what the pointer carries, wherever the focus is in the window.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, [this] { client_->Escape(); });
  timer_.setInterval(kTimerMs);
  connect(&timer_, &QTimer::timeout, this, [this] {
    client_->Timer();
    controls_->Tick();
  });
}

// The client goes first: while it dies it may still ask the window system for things.
TCanvasWidget::~TCanvasWidget() {
  controls_.reset();
  client_.reset();
}

void TCanvasWidget::ShowPixels(Rect r) {
  update(ToQRect(r));
}

void TCanvasWidget::RequestPaint(Rect r) {
  update(ToQRect(r));
}

void TCanvasWidget::CaptureMouse(bool on) {
  if (on)
    grabMouse();
  else
    releaseMouse();
}

int TCanvasWidget::TrackDevicePopup(Point clientPt) {
  QMenu menu(this);
  const QAction* erase = menu.addAction(QStringLiteral("&Löschen"));
  // Over a value slider: back to the value of a new device.
  const QAction* reset =
      RegAt(client_->Root(), clientPt) ? menu.addAction(QStringLiteral("&Zurücksetzen")) : nullptr;
  const QAction* chosen = menu.exec(mapToGlobal(QPoint(clientPt.x, clientPt.y)));
  if (chosen && chosen == reset) controls_->ResetAt(clientPt);
  return chosen == erase ? cmd::kDeleteDevice : 0;
}

// Boxes belong to the main window: modal to it and shown over it.
void TCanvasWidget::ErrorBox(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), QString::fromStdString(text),
                  QMessageBox::Ok, window());
  box.exec();
}

// The buttons carry their German texts themselves, whatever translations Qt has; a key press of
// the underlined letter answers.
Answer TCanvasWidget::Question(const std::string& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Frage"), QString::fromStdString(text),
                  QMessageBox::NoButton, window());
  QPushButton* yes = box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
  QPushButton* abort = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  // Escape or closing the box must never be taken for "Nein", which gives something up.
  box.setEscapeButton(abort);
  box.exec();
  if (box.clickedButton() == yes) return Answer::Yes;
  if (box.clickedButton() == no) return Answer::No;
  return Answer::Cancel;
}

// One list for any number of copies; the newest is chosen at the start, a double click restores.
RecoveryChoice TCanvasWidget::OfferRecovery(const std::string& text,
                                            const std::vector<std::string>& copies) {
  QDialog dialog(window());
  dialog.setWindowTitle(QStringLiteral("Wiederherstellen"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* label = new QLabel(QString::fromStdString(text));
  label->setWordWrap(true);
  layout->addWidget(label);
  auto* list = new QListWidget;
  for (const std::string& copy : copies) list->addItem(QString::fromStdString(copy));
  list->setCurrentRow(0);
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox;
  QPushButton* restore =
      buttons->addButton(QStringLiteral("&Wiederherstellen"), QDialogButtonBox::AcceptRole);
  QPushButton* erase =
      buttons->addButton(QStringLiteral("Alle &löschen"), QDialogButtonBox::DestructiveRole);
  QPushButton* keep = buttons->addButton(QStringLiteral("&Behalten"), QDialogButtonBox::RejectRole);
  layout->addWidget(buttons);
  RecoveryChoice choice;
  connect(restore, &QPushButton::clicked, &dialog, [&] {
    choice = {RecoveryChoice::Restore, size_t(std::max(list->currentRow(), 0))};
    dialog.accept();
  });
  connect(erase, &QPushButton::clicked, &dialog, [&] {
    choice = {RecoveryChoice::DeleteAll, 0};
    dialog.accept();
  });
  connect(keep, &QPushButton::clicked, &dialog, &QDialog::reject);
  connect(list, &QListWidget::itemDoubleClicked, restore, &QPushButton::click);
  restore->setDefault(true);
  dialog.exec();
  return choice;
}

// The audio thread beeps too: only a queued call crosses to the window thread.
void TCanvasWidget::Beep() {
  QMetaObject::invokeMethod(
      this, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

void TCanvasWidget::SetCaption(const std::string& caption) {
  window()->setWindowTitle(QString::fromStdString(caption));
}

void TCanvasWidget::CheckMenu(int id, bool checked) {
  emit MenuChecked(id, checked);
}

std::optional<std::string> TCanvasWidget::OpenFileDialog() {
  return ChosenPath(QFileDialog::getOpenFileName(window(), QString(), QString(), kPatchFilter));
}

std::optional<std::string> TCanvasWidget::SaveFileDialog() {
  QFileDialog dialog(window(), QString(), QString(), kPatchFilter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("qvn"));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return ChosenPath(dialog.selectedFiles().constFirst());
}

void TCanvasWidget::StartTimer() {
  timer_.start();
}

void TCanvasWidget::StopTimer() {
  timer_.stop();
}

// Queued, so that a quit asked for before the event loop runs ends the loop as soon as it starts.
void TCanvasWidget::Quit(int exitCode) {
  QMetaObject::invokeMethod(
      qApp, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

void TCanvasWidget::PatchFileUsed(const std::string& path) {
  emit FileUsed(QString::fromStdString(path));
}

void TCanvasWidget::paintEvent(QPaintEvent* event) {
  client_->PaintPending();
  const Surface& pixels = client_->Pixels();
  if (pixels.Empty()) return;
  const QImage image(reinterpret_cast<const uchar*>(pixels.Row(0)), pixels.Width(), pixels.Height(),
                     pixels.Width() * int(sizeof(Color)), QImage::Format_RGB32);
  QPainter painter(this);
  painter.drawImage(event->rect(), image, event->rect());
  controls_->PaintFocus(painter);
}

void TCanvasWidget::resizeEvent(QResizeEvent*) {
  client_->Resize(width(), height());
}

void TCanvasWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier) &&
      controls_->ResetAt(ClientPoint(event)))
    return;
  ForwardButton(event, MouseKind::LDown, MouseKind::RDown);
}

void TCanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  ForwardButton(event, MouseKind::LUp, MouseKind::RUp);
}

void TCanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  client_->Mouse(MouseKind::Move, ClientPoint(event));
}

// Over a read-out the second click opens its entry; elsewhere it is a press as ever.
void TCanvasWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !controls_->DoubleClick(ClientPoint(event)))
    mousePressEvent(event);
}

void TCanvasWidget::wheelEvent(QWheelEvent* event) {
  if (!controls_->Wheel(*event)) event->ignore();
}

void TCanvasWidget::keyPressEvent(QKeyEvent* event) {
  if (!controls_->Key(*event)) QWidget::keyPressEvent(event);
}

bool TCanvasWidget::focusNextPrevChild(bool next) {
  return controls_->Tab(next);
}

void TCanvasWidget::ForwardButton(QMouseEvent* event, MouseKind left, MouseKind right) {
  if (event->button() == Qt::LeftButton)
    client_->Mouse(left, ClientPoint(event));
  else if (event->button() == Qt::RightButton)
    client_->Mouse(right, ClientPoint(event));
}
