#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QWheelEvent>
#include <deque>
#include <functional>

#include "app/commands.h"
#include "devices/registry.h"
#include "shell/about_box.h"
#include "shell/help_window.h"
#include "shell/main_frame.h"
#include "shell/recent_files.h"
#include "shell/translations.h"

namespace {

// A canvas whose dialogs, popup and error box answer without a user.
class ScriptedCanvas : public TCanvasWidget {
 public:
  using TCanvasWidget::TCanvasWidget;
  std::optional<std::string> OpenFileDialog() override { return openAnswer; }
  std::optional<std::string> SaveFileDialog() override { return saveAnswer; }
  // Records the caption too: the box must come after the title follows the file.
  void ErrorBox(const std::string& text) override {
    errors.push_back(text);
    captionsAtError.push_back(window()->windowTitle().toStdString());
  }
  int TrackDevicePopup(Point, std::span<const PopupEntry>) override { return popupAnswer; }
  Answer Question(const std::string& text) override {
    questions.push_back(text);
    const Answer a = answers.empty() ? Answer::No : answers.front();
    if (!answers.empty()) answers.pop_front();
    return a;
  }

  std::optional<std::string> openAnswer, saveAnswer;
  std::vector<std::string> errors, captionsAtError, questions;
  std::deque<Answer> answers;
  int popupAnswer = 0;
};

// Runs check on the modal window that the next call opens, then closes that window.
void OnNextModal(std::function<void(QWidget*)> check) {
  QTimer::singleShot(0, [check] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    check(modal);
    modal->close();
  });
}

class MainFrameTest : public ::testing::Test {
 protected:
  MainFrameTest() {
    auto owned = std::make_unique<ScriptedCanvas>(nullptr);
    canvas = owned.get();
    frame = std::make_unique<TMainFrame>(std::move(owned));
    EXPECT_TRUE(frame->Setup());
  }

  void Choose(int id) {
    QAction* action = frame->Action(id);
    ASSERT_NE(action, nullptr) << id;
    action->trigger();
  }

  // The captions of the option entries that carry a check mark, in menu order.
  std::string Marked() const {
    std::string marked;
    for (int id : {cmd::kWiresVisible, cmd::kWiresFront, cmd::kWiresBehind, cmd::kCurvesOff,
                   cmd::kCurvesOn, cmd::kSnap})
      if (frame->Action(id)->isChecked()) marked += frame->Action(id)->text().toStdString() + " ";
    return marked;
  }

  void ShowAndWait() {
    frame->resize(640, 480);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
  }

  ScriptedCanvas* canvas;
  std::unique_ptr<TMainFrame> frame;
};

// "caption#id" per entry, "-" per separator, "caption[...]" per (sub)menu.
std::string Describe(const QList<QAction*>& actions) {
  std::string text;
  for (const QAction* a : actions) {
    if (!text.empty()) text += ' ';
    if (a->isSeparator())
      text += '-';
    else if (a->menu())
      text += a->text().toStdString() + "[" + Describe(a->menu()->actions()) + "]";
    else
      text += a->text().toStdString() + "#" + std::to_string(a->data().toInt());
  }
  return text;
}

// The menu bar as the command table describes it, in the notation of Describe.
std::string DescribeTable() {
  std::string text, submenu;
  int open = 0;  // brackets still open: 1 in a menu, 2 in a submenu
  for (const MenuLine& line : MenuBar()) {
    if (line.level < 2) {
      text += std::string(size_t(open - line.level), ']');
      open = line.level;
      text += std::string(text.empty() || text.back() == '[' ? "" : " ") + line.caption + "[";
      ++open;
    } else {
      if (text.back() != '[') text += ' ';
      if (!line.caption)
        text += '-';
      else if (line.id == cmd::kRecentFiles)
        text += std::string(line.caption) + "[(keine)#0]";
      else
        text += std::string(line.caption) + "#" + std::to_string(line.id);
    }
  }
  return text + std::string(size_t(open), ']');
}

TEST_F(MainFrameTest, MenuBarFollowsTheCommandTableAndTheDeviceRegistry) {
  frame->RecentMenu()->aboutToShow();  // the recent files' list, empty in a fresh config folder
  EXPECT_EQ(Describe(frame->menuBar()->actions()), DescribeTable());

  // "Einfügen" offers every device the registry gives a caption, the Vocoder among them, in the
  // registry's order; each entry inserts its device.
  const QList<QAction*> menus = frame->menuBar()->actions();
  QStringList tops;
  for (const QAction* a : menus) tops << a->text();
  EXPECT_EQ(tops, QStringList({"&Datei", "&Bearbeiten", "&Ansicht", "&Einfügen", "&Hilfsmittel",
                               "&Hilfe"}));
  std::string registry;
  for (const TDeviceEntry& e : DeviceRegistry())
    if (e.caption)
      registry +=
          std::string(registry.empty() ? "" : " ") + e.caption + "#" + std::to_string(e.command);
  EXPECT_EQ(Describe(menus[3]->menu()->actions()), registry);
  EXPECT_TRUE(registry.ends_with("Os&cilloscope#111 Voco&der#112 MIDI#114"));
  for (const TDeviceEntry& e : DeviceRegistry()) {
    if (!e.caption) continue;
    Choose(e.command);
    canvas->Client().Escape();
    EXPECT_EQ(canvas->Client().Devices().back()->Type, e.type) << e.name;
  }
  EXPECT_EQ(frame->Action(cmd::kGuide)->shortcut(), QKeySequence(Qt::Key_F1));
  for (QAction* a : menus) EXPECT_TRUE(a->isEnabled());
}

// The first visible text at the top of the guide's view when it is a heading, or empty.
QString HeadingAtTop(const THelpWindow& guide) {
  QTextBlock b = guide.cursorForPosition(QPoint(0, 0)).block();
  while (b.isValid() && b.text().isEmpty()) b = b.next();
  return b.blockFormat().headingLevel() > 0 ? b.text() : QString();
}

// F1 opens the guide at the section of the panel under the pointer: the topmost one.
TEST_F(MainFrameTest, GuideOpensAtTheSectionOfThePanelUnderThePointer) {
  ShowAndWait();
  for (const TDeviceEntry& e : DeviceRegistry()) {
    canvas->Client().CreateDevice(e.type)->MoveTo({200, 150});
    QCursor::setPos(canvas->mapToGlobal(QPoint(205, 155)));
    Choose(cmd::kGuide);
    THelpWindow* guide = frame->Guide();
    ASSERT_NE(guide, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(guide));
    EXPECT_TRUE(HeadingAtTop(*guide).contains(QString::fromUtf8(e.caption).remove('&')))
        << e.name << ": " << HeadingAtTop(*guide).toStdString();
  }
  // The table of contents leads to its sections.
  THelpWindow& guide = *frame->Guide();
  guide.setSource(guide.source().resolved(QUrl(QStringLiteral("#6-dateien"))));
  EXPECT_EQ(HeadingAtTop(guide), "6. Dateien");
}

// The recent files outlive the program in the user's config folder (a temporary one here, see
// main); a file gone in between is dropped with a note, without an error box.
TEST(RecentFiles, SurviveARestartNewestFirstAndDropMissingFiles) {
  QTemporaryDir dir;
  auto path = [&dir](const char* name) { return QDir(dir.path()).filePath(name); };
  {
    auto owned = std::make_unique<ScriptedCanvas>(nullptr);
    ScriptedCanvas* canvas = owned.get();
    TMainFrame frame(std::move(owned));
    ASSERT_TRUE(frame.Setup());
    for (const char* name : {"a.qvn", "b&c.qvn", "gone.qvn", "a.qvn"}) {
      canvas->saveAnswer = path(name).toStdString();
      frame.Action(cmd::kFileSaveAs)->trigger();
    }
  }
  ASSERT_TRUE(QFile::remove(path("gone.qvn")));
  QFile conf(QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath("quarvin/quarvin.conf"));
  ASSERT_TRUE(conf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(conf.readAll().contains(path("gone.qvn").toUtf8()));

  auto owned = std::make_unique<ScriptedCanvas>(nullptr);
  ScriptedCanvas* canvas = owned.get();
  TMainFrame frame(std::move(owned));
  ASSERT_TRUE(frame.Setup());
  frame.RecentMenu()->aboutToShow();
  QStringList entries;
  for (const QAction* a : frame.RecentMenu()->actions()) entries << a->text();
  EXPECT_EQ(entries, QStringList({"&1 " + path("a.qvn"), "&2 " + path("b&&c.qvn")}));
  EXPECT_TRUE(frame.statusBar()->currentMessage().contains("gone.qvn"));
  EXPECT_TRUE(canvas->errors.empty());

  frame.RecentMenu()->actions()[1]->trigger();
  EXPECT_EQ(frame.windowTitle(), "Quarvin V1.01 - " + path("b&c.qvn"));
  EXPECT_EQ(TRecentFiles().Paths(), QStringList({path("b&c.qvn"), path("a.qvn")}));

  // Never more than eight.
  TRecentFiles recent;
  for (int i = 0; i < 10; ++i) recent.Add(path("a.qvn") + QString::number(i));
  EXPECT_EQ(recent.Paths().size(), TRecentFiles::kMax);
  EXPECT_EQ(recent.Paths().constFirst(), path("a.qvn9"));
}

// main runs the tests under LANG=C, as a terminal or a container often does: the file dialog
// still gives sizes and dates in German.
TEST(Locale, FileDialogShowsGermanSizesAndDatesUnderLangC) {
  ASSERT_EQ(qgetenv("LANG"), "C");
  QTemporaryDir dir;
  QFile file(QDir(dir.path()).filePath("klein.qvn"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(69, 'x'));
  file.close();
  QFileDialog dialog(nullptr, QString(), dir.path());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* model = dialog.findChild<QFileSystemModel*>();
  ASSERT_NE(model, nullptr);
  const QModelIndex folder = model->index(dir.path());
  for (int i = 0; i < 200 && model->rowCount(folder) == 0; ++i) QTest::qWait(10);
  const QModelIndex row = model->index(file.fileName());
  EXPECT_EQ(model->data(row.siblingAtColumn(1)).toString(), "69 Bytes");
  EXPECT_TRUE(QRegularExpression(R"(^\d\d\.\d\d\.\d\d )")
                  .match(model->data(row.siblingAtColumn(3)).toString())
                  .hasMatch())
      << model->data(row.siblingAtColumn(3)).toString().toStdString();
}

TEST_F(MainFrameTest, CheckMarksFollowTheWiringOptions) {
  EXPECT_EQ(Marked(), "&Sichtbar &Vorne &Kurven &Snap ");
  Choose(cmd::kWiresBehind);
  EXPECT_EQ(Marked(), "&Sichtbar &Hinten &Kurven &Snap ");
  Choose(cmd::kWiresBehind);  // choosing it again changes nothing
  EXPECT_EQ(Marked(), "&Sichtbar &Hinten &Kurven &Snap ");
  Choose(cmd::kWiresFront);
  Choose(cmd::kCurvesOff);
  EXPECT_EQ(Marked(), "&Sichtbar &Vorne &Geraden &Snap ");
  Choose(cmd::kCurvesOff);
  EXPECT_EQ(Marked(), "&Sichtbar &Vorne &Geraden &Snap ");
  Choose(cmd::kCurvesOn);
  Choose(cmd::kWiresVisible);
  Choose(cmd::kSnap);
  EXPECT_EQ(Marked(), "&Vorne &Kurven ");
  Choose(cmd::kWiresVisible);
  Choose(cmd::kSnap);
  EXPECT_EQ(Marked(), "&Sichtbar &Vorne &Kurven &Snap ");
  EXPECT_EQ(canvas->Client().SnapOn, 1);
  EXPECT_EQ(canvas->Client().WiresOn, 1);
}

TEST_F(MainFrameTest, CaptionNamesTheFileAfterSaveAs) {
  EXPECT_EQ(frame->windowTitle(), "Quarvin V1.01 - (Kein Titel)");
  Choose(cmd::kFileSaveAs);  // cancelled
  EXPECT_EQ(frame->windowTitle(), "Quarvin V1.01 - (Kein Titel)");

  QTemporaryDir dir;
  const std::string path = QDir(dir.path()).filePath("klang.qvn").toStdString();
  canvas->saveAnswer = path;
  Choose(cmd::kFileSaveAs);
  EXPECT_EQ(frame->windowTitle().toStdString(), "Quarvin V1.01 - " + path);
  EXPECT_TRUE(QFile::exists(QString::fromStdString(path)));
  EXPECT_TRUE(canvas->errors.empty());

  Choose(cmd::kFileNew);
  EXPECT_EQ(frame->windowTitle(), "Quarvin V1.01 - (Kein Titel)");
}

TEST_F(MainFrameTest, CanvasShowsTilesAndTheStartPanels) {
  ShowAndWait();
  const QImage shot = canvas->grab().toImage();
  EXPECT_EQ(shot.pixel(0, 0) & 0xffffff, 0x46ff46u);     // the first tile, RGB(70, 255, 70)
  EXPECT_EQ(shot.pixel(10, 10) & 0xffffff, 0xffffffu);   // Input's top-left corner
  EXPECT_EQ(shot.pixel(100, 10) & 0xffffff, 0xffffffu);  // Output's top-left corner
}

TEST_F(MainFrameTest, InsertedPanelFollowsThePointerWithoutAButtonHeld) {
  ShowAndWait();
  Choose(cmd::kSnap);  // no snapping to the start panels
  Choose(110);         // "&Input"
  QTest::mouseMove(canvas, QPoint(300, 200));
  QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(300, 200));
  const std::vector<NTDevWin*> devices = canvas->Client().Devices();
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices.back()->X, 300);
  EXPECT_EQ(devices.back()->Y, 200);
}

TEST_F(MainFrameTest, ExitClosesTheWindowAndEndsTheLoopWithZero) {
  ShowAndWait();
  QTimer::singleShot(0, [this] { Choose(cmd::kExit); });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_FALSE(frame->isVisible());
  EXPECT_TRUE(canvas->Client().Devices().empty());  // the close query ran
}

// With unsaved changes, closing asks first: "Abbrechen" keeps the window, "Nein" closes it.
TEST_F(MainFrameTest, ExitAsksAboutUnsavedChanges) {
  ShowAndWait();
  Choose(cmd::kSnap);
  canvas->answers = {Answer::Cancel, Answer::No};
  QTimer::singleShot(0, [this] {
    Choose(cmd::kExit);
    EXPECT_TRUE(frame->isVisible());
    Choose(cmd::kExit);
  });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_EQ(canvas->questions.size(), 2u);
  EXPECT_FALSE(frame->isVisible());
}

// A file cut short: one error box, shown once the title is untitled.
TEST_F(MainFrameTest, ADamagedFileIsReportedUntitled) {
  QTemporaryDir dir;
  const std::string path = QDir(dir.path()).filePath("cut.qvn").toStdString();
  std::vector<uint8_t> bytes = canvas->Client().SaveBytes();
  bytes.resize(bytes.size() - 4);
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
  file.close();
  canvas->openAnswer = path;
  Choose(cmd::kFileOpen);
  ASSERT_EQ(canvas->errors.size(), 1u);
  EXPECT_EQ(canvas->errors[0],
            "Die Datei ist beschädigt oder unvollständig!\nWas gelesen werden konnte, wurde "
            "geladen.");
  EXPECT_EQ(canvas->captionsAtError[0], "Quarvin V1.01 - (Kein Titel)");
}

TEST_F(MainFrameTest, AboutBoxIsModalWithItsTextsInPlace) {
  OnNextModal([this](QWidget* modal) {
    auto* about = qobject_cast<TAboutBox*>(modal);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->parentWidget(), frame.get());
    EXPECT_EQ(about->windowTitle(), "Über Quarvin...");
    EXPECT_EQ(about->size(), about->ToPixels(QRect(0, 0, 198, 152)).size());

    const QList<QLabel*> labels = about->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 4);
    EXPECT_EQ(labels[0]->text(), "Quarvin V1.01");
    EXPECT_EQ(labels[0]->geometry(), about->ToPixels(QRect(12, 6, 176, 10)));
    EXPECT_EQ(labels[3]->geometry(), about->ToPixels(QRect(6, 66, 187, 26)));
    for (const QLabel* label : labels) {
      // Every text fits its box at the dialog's font.
      const QRect needed = label->fontMetrics().boundingRect(
          QRect(0, 0, label->width(), 1000), int(label->alignment()) | Qt::TextWordWrap,
          label->text());
      EXPECT_LE(needed.height(), label->height()) << label->text().toStdString();
      EXPECT_LE(needed.width(), label->width()) << label->text().toStdString();
    }

    auto* ok = about->findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "Geht in Ordnung!");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->geometry(), about->ToPixels(QRect(62, 126, 76, 20)));
  });
  Choose(cmd::kAbout);
}

TEST_F(MainFrameTest, ErrorBoxIsAStopBoxModalToTheMainWindowAndOverIt) {
  ShowAndWait();
  OnNextModal([this](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), frame.get());
    EXPECT_TRUE(box->isModal());
    EXPECT_TRUE(frame->geometry().contains(box->geometry().center()));
    EXPECT_EQ(box->windowTitle(), "Error");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->text(), "Kein Eingabegerät gefunden!");
  });
  canvas->TCanvasWidget::ErrorBox("Kein Eingabegerät gefunden!");
}

TEST_F(MainFrameTest, FileCommandsHaveTheStandardShortcutsShownInGerman) {
  ASSERT_TRUE(LoadGermanQtTexts(*qApp));
  const std::pair<int, const char*> keys[] = {{cmd::kFileNew, "Strg+N"},
                                              {cmd::kFileOpen, "Strg+O"},
                                              {cmd::kFileSave, "Strg+S"},
                                              {cmd::kFileSaveAs, "Strg+Umschalt+S"},
                                              {cmd::kExit, "Strg+Q"}};
  for (const auto& [id, text] : keys)
    EXPECT_EQ(frame->Action(id)->shortcut().toString(QKeySequence::NativeText), text) << id;
  ShowAndWait();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  canvas->saveAnswer = QDir(QDir::tempPath()).filePath("quarvin_shortcut.qvn").toStdString();
  QTest::keyClick(frame.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(frame->windowTitle().toStdString(), "Quarvin V1.01 - " + *canvas->saveAnswer);
  QTest::keyClick(frame.get(), Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(frame->windowTitle(), "Quarvin V1.01 - (Kein Titel)");
  QFile::remove(QString::fromStdString(*canvas->saveAnswer));
}

TEST(Translations, QtsOwnDialogTextsAreGerman) {
  ASSERT_TRUE(LoadGermanQtTexts(*qApp));
  QMessageBox box(QMessageBox::Question, "", "", QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text(), "&Ja");
  EXPECT_EQ(box.button(QMessageBox::No)->text(), "&Nein");
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Abbrechen");
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Save As"), "Speichern unter");
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "Suchen in:");
  EXPECT_TRUE(
      QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?")
          .contains("existiert bereits"));
}

TEST_F(MainFrameTest, EscapePlacesAPanelThatFollowsThePointer) {
  ShowAndWait();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  Choose(cmd::kSnap);
  Choose(101);  // "&VCO"
  QTest::mouseMove(canvas, QPoint(300, 150));
  QTest::keyClick(frame.get(), Qt::Key_Escape);
  EXPECT_EQ(canvas->Client().Interaction(), InteractionMode::Idle);
  EXPECT_EQ(canvas->Client().Devices().back()->AbsPos(), (Point{300, 150}));
}

// The wheel scrolls and Ctrl+wheel zooms; the scroll bars appear once the panels reach beyond
// the window, span the scroll area and move the view; at 200 % the window shows a canvas pixel
// as a 2 x 2 square.
TEST_F(MainFrameTest, WheelAndScrollBarsMoveTheView) {
  ShowAndWait();
  const auto wheel = [this](QPoint at, int dy, Qt::KeyboardModifiers mods) {
    QWheelEvent event(at, canvas->mapToGlobal(at), {}, {0, dy}, Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &event);
  };
  const auto bars = canvas->findChildren<QScrollBar*>();
  ASSERT_EQ(bars.size(), 2);
  EXPECT_FALSE(bars[0]->isVisible() || bars[1]->isVisible());
  canvas->Client().Devices().back()->MoveTo({1500, 900});
  wheel({100, 100}, -240, Qt::NoModifier);
  const TView& view = canvas->Client().View();
  EXPECT_EQ(view.origin, (Point{0, 96}));
  QScrollBar* vertical = bars[0]->orientation() == Qt::Vertical ? bars[0] : bars[1];
  QScrollBar* horizontal = vertical == bars[0] ? bars[1] : bars[0];
  ASSERT_TRUE(vertical->isVisible() && horizontal->isVisible());
  EXPECT_EQ(vertical->value(), 96);
  EXPECT_EQ(horizontal->maximum(), 1500 + 80 + 200 - view.width);
  horizontal->setValue(700);
  EXPECT_EQ(view.origin, (Point{700, 96}));
  wheel({10, 20}, 120, Qt::ControlModifier);
  EXPECT_EQ(view.zoom, 125);
  EXPECT_EQ(frame->windowTitle().toStdString(), "Quarvin V1.01 - (Kein Titel) - 125 %");
  Choose(cmd::kZoomIn);
  Choose(cmd::kZoomIn);
  EXPECT_EQ(view.zoom, 200);
  const QImage shot = canvas->grab().toImage();
  const Point c = view.ToCanvas({41, 41});
  const QRgb square = shot.pixel(2 * (c.x - view.origin.x), 2 * (c.y - view.origin.y));
  for (const QPoint d : {QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
    EXPECT_EQ(shot.pixel(QPoint(2 * (c.x - view.origin.x), 2 * (c.y - view.origin.y)) + d), square);
}

// The question box over the window: German buttons; a key press of the underlined letter
// answers, Escape cancels.
TEST(CanvasWidget, QuestionsAnswerWithTheKeyPressed) {
  QWidget window;
  auto* canvas = new TCanvasWidget(nullptr, &window);
  for (const auto& [key, answer] : {std::pair{Qt::Key_J, Answer::Yes},
                                    {Qt::Key_N, Answer::No},
                                    {Qt::Key_Escape, Answer::Cancel}}) {
    OnNextModal([&window, key](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->parentWidget(), &window);
      EXPECT_EQ(box->windowTitle(), "Frage");
      EXPECT_EQ(box->text(), "Speichern?");
      QStringList texts;
      for (QAbstractButton* b : box->buttons()) texts << b->text();
      texts.sort();
      EXPECT_EQ(texts, QStringList({"&Ja", "&Nein", "Abbrechen"}));
      // A button pressed by its letter shows its click for a moment before the box closes.
      QTest::keyClick(box, key);
      for (int i = 0; i < 100 && box->isVisible(); ++i) QTest::qWait(10);
    });
    EXPECT_EQ(canvas->Question("Speichern?"), answer);
  }
}

// The recovery copies in one list over the window, the newest chosen: restore the chosen one,
// delete all, or keep them (also Escape).
TEST(CanvasWidget, RecoveryCopiesAreOfferedInOneList) {
  QWidget window;
  auto* canvas = new TCanvasWidget(nullptr, &window);
  const std::vector<std::string> copies{"09.12.2026 00:14:03 – 5 Geräte",
                                        "08.12.2026 23:10:00 – 2 Geräte"};
  const struct {
    const char* button;  // empty: Escape
    int row;
    RecoveryChoice::Kind kind;
    size_t index;
  } cases[] = {{"&Wiederherstellen", 0, RecoveryChoice::Restore, 0},
               {"&Wiederherstellen", 1, RecoveryChoice::Restore, 1},
               {"Alle &löschen", 0, RecoveryChoice::DeleteAll, 0},
               {"&Behalten", 0, RecoveryChoice::Keep, 0},
               {"", 1, RecoveryChoice::Keep, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.button) + " " + std::to_string(c.row));
    OnNextModal([&](QWidget* modal) {
      EXPECT_EQ(modal->parentWidget(), &window);
      auto* list = modal->findChild<QListWidget*>();
      ASSERT_NE(list, nullptr);
      ASSERT_EQ(list->count(), 2);
      EXPECT_EQ(list->item(1)->text().toStdString(), copies[1]);
      EXPECT_EQ(list->currentRow(), 0);
      EXPECT_TRUE(modal->findChild<QLabel*>()->text().contains("Hallo"));
      list->setCurrentRow(c.row);
      if (!*c.button) {
        QTest::keyClick(modal, Qt::Key_Escape);
        return;
      }
      for (QPushButton* b : modal->findChildren<QPushButton*>())
        if (b->text() == c.button) b->click();
    });
    const RecoveryChoice choice = canvas->OfferRecovery("Hallo", copies);
    EXPECT_EQ(choice.kind, c.kind);
    EXPECT_EQ(choice.index, c.index);
  }
}

TEST(CanvasWidget, QuitAskedBeforeTheLoopEndsItWithItsCode) {
  TCanvasWidget canvas(nullptr);
  canvas.Quit(3);
  EXPECT_EQ(QApplication::exec(), 3);
}

}  // namespace

int main(int argc, char** argv) {
  // Test discovery runs this program without the test's environment.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The settings go to a folder of the run's own, before Qt first looks for it.
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  // The language environment of a bare terminal; then what the program does before it starts Qt.
  for (const char* name : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LANGUAGE"}) qunsetenv(name);
  qputenv("LANG", "C");
  UseGermanLocale();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
