#include "shell/canvas_widget.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <utility>

#include "app/commands.h"
#include "shell/accessible_canvas.h"
#include "shell/recording_dialog.h"

namespace {
const QString kPatchFilter = QStringLiteral("Quarvin-Dateien (*.qvn);;Alle Dateien (*.*)");
// Copied devices travel between running programs as patch-file bytes under this type.
const QString kPatchMime = QStringLiteral("application/x-quarvin-patch");
constexpr int kTimerMs = 10;
// A wheel notch, in eighths of a degree.
constexpr int kNotch = 120;

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
  // Space held down turns a left drag into panning.
  setFocusPolicy(Qt::StrongFocus);
  horizontal_.hide();
  vertical_.hide();
  const auto scroll = [this] { client_->ScrollTo({horizontal_.value(), vertical_.value()}); };
  connect(&horizontal_, &QScrollBar::valueChanged, this, scroll);
  connect(&vertical_, &QScrollBar::valueChanged, this, scroll);
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

// Nothing to grab: while a button is held Qt sends every mouse event to the canvas anyway, and a
// panel that follows the pointer after an insert must leave the menu bar working. It waits where
// it was last shown while the pointer is outside the canvas.
void TCanvasWidget::CaptureMouse(bool) {}

int TCanvasWidget::TrackDevicePopup(Point clientPt, std::span<const PopupEntry> entries) {
  QMenu menu(this);
  for (const PopupEntry& e : entries) menu.addAction(QString::fromUtf8(e.caption))->setData(e.id);
  // Over a value slider: back to the value of a new device.
  const QAction* reset =
      RegAt(client_->Root(), clientPt) ? menu.addAction(QStringLiteral("&Zurücksetzen")) : nullptr;
  const QAction* chosen = menu.exec(mapToGlobal(QPoint(clientPt.x, clientPt.y)));
  if (!chosen) return 0;
  if (chosen == reset) {
    controls_->ResetAt(clientPt);
    return 0;
  }
  return chosen->data().toInt();
}

// Boxes belong to the main window: modal to it and shown over it.
void TCanvasWidget::ErrorBox(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), QString::fromStdString(text),
                  QMessageBox::Ok, window());
  box.exec();
}

void TCanvasWidget::Notice(const std::string& text) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("Aufnahme"),
                  QString::fromStdString(text), QMessageBox::Ok, window());
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

void TCanvasWidget::SetMenuCaption(int id, const std::string& caption) {
  emit MenuCaptioned(id, QString::fromStdString(caption));
}

std::optional<RecordingChoice> TCanvasWidget::RecordingDialog() {
  return AskForRecording(window());
}

void TCanvasWidget::EnableMenu(int id, bool enabled) {
  emit MenuEnabled(id, enabled);
}

void TCanvasWidget::SetClipboardPatch(const std::vector<uint8_t>& bytes) {
  auto* data = new QMimeData;
  data->setData(kPatchMime,
                QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
  QGuiApplication::clipboard()->setMimeData(data);
}

std::vector<uint8_t> TCanvasWidget::ClipboardPatch() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data || !data->hasFormat(kPatchMime)) return {};
  const QByteArray bytes = data->data(kPatchMime);
  return {bytes.begin(), bytes.end()};
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

// The canvas has asked for the repaints a new view needs; only the bars follow here.
void TCanvasWidget::ViewChanged() {
  LayOut();
}

void TCanvasWidget::LayOut() {
  const TView& view = client_->View();
  const Rect area = client_->ScrollArea();
  // A bar takes room from the other direction, so whether one is needed is settled twice.
  bool needH = false, needV = false;
  for (int pass = 0; pass < 2; ++pass) {
    const int w = width() - (needV ? vertical_.sizeHint().width() : 0);
    const int h = height() - (needH ? horizontal_.sizeHint().height() : 0);
    needH = area.Width() * view.zoom > int64_t(w) * 100;
    needV = area.Height() * view.zoom > int64_t(h) * 100;
  }
  const int barW = needV ? vertical_.sizeHint().width() : 0;
  const int barH = needH ? horizontal_.sizeHint().height() : 0;
  const int w = std::max(width() - barW, 0), h = std::max(height() - barH, 0);
  horizontal_.setGeometry(0, h, w, barH);
  vertical_.setGeometry(w, 0, barW, h);
  horizontal_.setVisible(needH);
  vertical_.setVisible(needV);
  if (w != view.width || h != view.height) {
    client_->Resize(w, h);  // tells the view again, with the window's new size
    return;
  }
  const Rect shown = view.Visible();
  const auto set = [](QScrollBar& bar, int32_t lo, int64_t hi, int64_t page, int32_t value) {
    const QSignalBlocker quiet(bar);
    bar.setRange(lo, int(std::max<int64_t>(lo, hi - page)));
    bar.setPageStep(int(std::max<int64_t>(page, 1)));
    bar.setSingleStep(int(std::max<int64_t>(page / 20, 1)));
    bar.setValue(value);
  };
  set(horizontal_, area.left, area.right, shown.Width(), view.origin.x);
  set(vertical_, area.top, area.bottom, shown.Height(), view.origin.y);
}

void TCanvasWidget::paintEvent(QPaintEvent* event) {
  client_->PaintPending();
  const TView& view = client_->View();
  const Surface* pixels = &client_->Pixels();
  // At 100 % the backing store is the window's picture; otherwise it is scaled into one.
  if (view.zoom != 100) {
    if (screen_.Width() != view.width || screen_.Height() != view.height)
      screen_ = Surface(view.width, view.height);
    const QRect r = event->rect();
    view.Show(*pixels, Rect::FromSize(r.x(), r.y(), r.width(), r.height()), screen_);
    pixels = &screen_;
  }
  if (pixels->Empty()) return;
  const QImage image(reinterpret_cast<const uchar*>(pixels->Row(0)), pixels->Width(),
                     pixels->Height(), pixels->Width() * int(sizeof(Color)), QImage::Format_RGB32);
  QPainter painter(this);
  painter.drawImage(event->rect(), image, event->rect());
  controls_->PaintFocus(painter);
}

void TCanvasWidget::resizeEvent(QResizeEvent*) {
  LayOut();
}

// Not while another button drags something: a pan begins only with no other button held.
bool TCanvasWidget::Pans(const QMouseEvent* event) const {
  const bool alone = event->buttons() == event->button();
  return alone &&
         (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && spaceHeld_));
}

void TCanvasWidget::mousePressEvent(QMouseEvent* event) {
  controls_->EndWheelBurst();
  if (Pans(event)) {
    panFrom_ = event->position().toPoint();
    panOrigin_ = client_->View().origin;
    setCursor(Qt::ClosedHandCursor);
    return;
  }
  if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier) &&
      controls_->ResetAt(CanvasPoint(event)))
    return;
  ForwardButton(event, MouseKind::LDown, MouseKind::RDown);
}

void TCanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (panFrom_) {
    if (event->buttons() & (Qt::LeftButton | Qt::MiddleButton)) return;
    panFrom_.reset();
    unsetCursor();
    return;
  }
  ForwardButton(event, MouseKind::LUp, MouseKind::RUp);
}

void TCanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  if (panFrom_) {
    const QPoint moved = event->position().toPoint() - *panFrom_;
    const int zoom = client_->View().zoom;
    client_->ScrollTo(
        {panOrigin_.x - moved.x() * 100 / zoom, panOrigin_.y - moved.y() * 100 / zoom});
    return;
  }
  client_->Mouse(MouseKind::Move, ClientPoint(event), event->modifiers() & Qt::ShiftModifier);
}

// Over a read-out the second click opens its entry; elsewhere it is a press as ever.
void TCanvasWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !controls_->DoubleClick(CanvasPoint(event)))
    mousePressEvent(event);
}

// A value slider under the pointer takes the plain wheel; otherwise Ctrl zooms around the
// pointer and Shift scrolls sideways, and a wheel that turns sideways scrolls sideways by itself.
// Fine-grained wheels add up to whole notches.
void TCanvasWidget::wheelEvent(QWheelEvent* event) {
  if (controls_->Wheel(*event)) return;
  const QPoint delta = event->angleDelta();
  const bool zoom = event->modifiers() & Qt::ControlModifier;
  const bool sideways = !zoom && ((event->modifiers() & Qt::ShiftModifier) || delta.y() == 0);
  wheelRest_ += delta.y() != 0 ? delta.y() : delta.x();
  const int notches = wheelRest_ / kNotch;
  wheelRest_ -= notches * kNotch;
  const QPoint at = event->position().toPoint();
  if (notches != 0) client_->Wheel({at.x(), at.y()}, notches, sideways, zoom);
  event->accept();
}

// A key held down, with all its repeats, is one gesture: one undo step for the control it turns.
// A focused control takes its keys first; Space held down otherwise turns a left drag into
// panning.
void TCanvasWidget::keyPressEvent(QKeyEvent* event) {
  controls_->EndWheelBurst();
  if (!event->isAutoRepeat() && !std::exchange(keyGesture_, true)) client_->BeginGesture();
  if (controls_->Key(*event)) return;
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
    spaceHeld_ = true;
    setCursor(Qt::OpenHandCursor);
    return;
  }
  QWidget::keyPressEvent(event);
}

void TCanvasWidget::keyReleaseEvent(QKeyEvent* event) {
  if (!event->isAutoRepeat()) EndKeyGesture();
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
    spaceHeld_ = false;
    if (!panFrom_) unsetCursor();
    return;
  }
  QWidget::keyReleaseEvent(event);
}

// A release that goes to another window never comes here.
void TCanvasWidget::focusOutEvent(QFocusEvent* event) {
  EndKeyGesture();
  QWidget::focusOutEvent(event);
}

void TCanvasWidget::EndKeyGesture() {
  if (std::exchange(keyGesture_, false)) client_->EndGesture();
}

bool TCanvasWidget::focusNextPrevChild(bool next) {
  return controls_->Tab(next);
}

void TCanvasWidget::leaveEvent(QEvent*) {
  client_->PointerLeft();
}

Point TCanvasWidget::CanvasPoint(const QMouseEvent* event) const {
  return client_->View().ToCanvas(ClientPoint(event));
}

void TCanvasWidget::ForwardButton(QMouseEvent* event, MouseKind left, MouseKind right) {
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  if (event->button() == Qt::LeftButton)
    client_->Mouse(left, ClientPoint(event), shift);
  else if (event->button() == Qt::RightButton)
    client_->Mouse(right, ClientPoint(event), shift);
}
