#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>

#include "app/commands.h"
#include "shell/about_box.h"
#include "shell/main_frame.h"
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
  int TrackDevicePopup(Point) override { return popupAnswer; }
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

TEST_F(MainFrameTest, MenuBarHasTheMenusEntriesAndIdsInOrder) {
  EXPECT_EQ(Describe(frame->menuBar()->actions()),
            "&Datei[&Neu#24331 &Öffnen...#24332 &Speichern#24333 Speichern &unter...#24334 - "
            "&Beenden#24310] "
            "&Ansicht[&Verdrahtung[&Sichtbar#125 - &Vorne#124 &Hinten#123 - &Geraden#122 "
            "&Kurven#121]] "
            "&Einfügen[&Output#109 &Input#110 &VCO#101 &LFO#102 &Hall#103 &Flanger#105 "
            "F&ilter#106 &Mixer#104 Multi&plier#107 V&U-Meter#108 Os&cilloscope#111] "
            "&Hilfsmittel[&Snap#113 &Über...#141]");
  for (QAction* a : frame->menuBar()->actions()) EXPECT_TRUE(a->isEnabled());
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
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
