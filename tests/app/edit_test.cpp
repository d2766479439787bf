// Editing a patch: every change undone and redone to the byte, the selection and the clipboard.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "app/commands.h"
#include "canvas_fixture.h"
#include "devices/registry.h"
#include "engine/plug.h"
#include "toolkit/ctrl.h"

namespace {
// A started canvas holding one device of every type, wired in a chain, loaded as a saved file.
class EditTest : public CanvasTest {
 protected:
  EditTest() {
    client.Resize(1600, 1000);
    int i = 0;
    for (const TDeviceEntry& e : DeviceRegistry()) {
      NTDevWin* d = client.CreateDevice(e.type);
      d->MoveTo({20 + (i % 5) * 300, 140 + (i / 5) * 280});
      ++i;
    }
    client.Reschedule();
    for (size_t k = 1; k < client.Devices().size(); ++k) {
      const auto outs = Plugs<NTPlugOut>(*client.Devices()[k - 1]);
      const auto ins = Plugs<NTPlugIn>(*client.Devices()[k]);
      if (!outs.empty() && !ins.empty()) Connect(*outs[0], *ins[0]);
    }
    client.LoadBytes(client.SaveBytes());
    client.PaintPending();
  }

  template <class Plug>
  static std::vector<Plug*> Plugs(NTWin& device) {
    std::vector<Plug*> plugs;
    for (NTWin* c = device.FirstChild; c; c = c->Next)
      if (auto* p = dynamic_cast<Plug*>(c)) plugs.push_back(p);
    return plugs;
  }
  NTDevWin& Device(size_t i) { return *client.Devices().at(i % client.Devices().size()); }
  static Point TitleOf(const NTDevWin& d) { return {d.AbsPos().x + 3, d.AbsPos().y + 3}; }
  // Up buttons and slider knobs of controls: a click or drag there turns the control.
  static std::vector<NTWin*> Controls(NTWin& w) {
    std::vector<NTWin*> found;
    for (NTWin* c = w.FirstChild; c; c = c->Next) {
      if (dynamic_cast<NTCtrlData*>(c)) found.push_back(c);
      const auto inner = Controls(*c);
      found.insert(found.end(), inner.begin(), inner.end());
    }
    return found;
  }

  // One random user action; any of them may make an undo step.
  void RandomEdit(std::mt19937& rng) {
    const auto pick = [&](size_t n) {
      return size_t(std::uniform_int_distribution<size_t>(0, n - 1)(rng));
    };
    const Point somewhere{int(pick(1400)), int(pick(900))};
    switch (pick(10)) {
      case 0: {  // insert
        const auto entries = DeviceRegistry();
        const TDeviceEntry& e = entries[pick(entries.size())];
        if (!e.command) break;
        client.Command(e.command);
        Click(somewhere);
        break;
      }
      case 1:  // delete with the popup
        shell.popupAnswer = cmd::kDeleteDevice;
        client.Mouse(MouseKind::RDown, TitleOf(Device(pick(99))));
        client.Mouse(MouseKind::RUp, TitleOf(Device(pick(99))));
        break;
      case 2:  // move
        Drag(TitleOf(Device(pick(99))), somewhere);
        break;
      case 3: {  // wire or unwire
        auto outs = Plugs<NTPlugOut>(Device(pick(99)));
        auto ins = Plugs<NTPlugIn>(Device(pick(99)));
        if (ins.empty() || outs.empty()) break;
        NTPlugIn* in = ins[pick(ins.size())];
        if (in->Source && pick(2))
          Connect(*in, *in);
        else
          Connect(*outs[pick(outs.size())], *in);
        break;
      }
      case 4:
      case 5: {  // a control: a click or a drag
        auto controls = Controls(Device(pick(99)));
        if (controls.empty()) break;
        const Point c = Centre(*controls[pick(controls.size())]);
        client.Mouse(MouseKind::LDown, c);
        client.Mouse(MouseKind::Move, {c.x, c.y + int(pick(40)) - 20});
        client.Mouse(MouseKind::LUp, {c.x, c.y + int(pick(40)) - 20});
        break;
      }
      case 6: {  // an option
        const int options[] = {cmd::kWiresVisible, cmd::kWiresFront, cmd::kWiresBehind,
                               cmd::kCurvesOff,    cmd::kCurvesOn,   cmd::kSnap};
        client.Command(options[pick(6)]);
        break;
      }
      case 7: {  // a selection moved, deleted, cut, duplicated
        NTDevWin* two[] = {&Device(pick(99)), &Device(pick(99))};
        client.Select(two);
        const int commands[] = {cmd::kDelete, cmd::kCut, cmd::kDuplicate, 0};
        if (const int id = commands[pick(4)])
          client.Command(id);
        else
          Drag(TitleOf(*two[0]), somewhere);
        break;
      }
      case 8:  // paste what was cut or copied
        client.Command(cmd::kPaste);
        break;
      default: {  // copy, and undo or redo on the way
        const int commands[] = {cmd::kCopy, cmd::kUndo, cmd::kRedo};
        client.Command(commands[pick(3)]);
      }
    }
    client.Escape();
  }
};

TEST_F(EditTest, RandomEditsUndoToTheStartAndRedoToTheEndByteForByte) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    client.LoadBytes(client.SaveBytes());
    std::mt19937 rng(seed);
    std::map<size_t, std::vector<uint8_t>> after{{0, client.SaveBytes()}};
    for (int i = 0; i < 100; ++i) {
      RandomEdit(rng);
      after[client.History().Done()] = client.SaveBytes();
      ASSERT_EQ(client.History().Done() == 0 || client.History().NextUndo() != nullptr, true);
    }
    const size_t end = client.History().Done();
    const auto endBytes = client.SaveBytes();
    ASSERT_GT(after.size(), 10u);
    // Every state a step left is met again on the way back, and the start is not modified.
    while (client.Undo()) {
      const size_t done = client.History().Done();
      if (after.contains(done)) {
        ASSERT_EQ(client.SaveBytes(), after[done]) << done;
      }
    }
    EXPECT_EQ(client.SaveBytes(), after[0]);
    EXPECT_FALSE(client.Modified());
    EXPECT_EQ(shell.caption, "Quarvin V1.01 - (Kein Titel)");
    // One action may make two steps (a click on a control covering a plug, then a panel picked
    // up): only the states an action ended in are known.
    while (client.History().Done() < end && client.Redo()) {
      const size_t done = client.History().Done();
      if (after.contains(done)) {
        ASSERT_EQ(client.SaveBytes(), after[done])
            << done << " " << client.History().NextUndo()->Name();
      }
    }
    EXPECT_EQ(client.History().Done(), end);
    EXPECT_EQ(client.SaveBytes(), endBytes);
    EXPECT_TRUE(client.Modified());
    EXPECT_EQ(shell.caption, "Quarvin V1.01 - *(Kein Titel)");
  }
}

TEST_F(EditTest, AnUndoneDeleteBringsBackTheSameDeviceWithItsPlaceAndWires) {
  NTDevWin* hall = nullptr;
  for (NTDevWin* d : client.Devices())
    if (d->Type == DeviceType::Hall) hall = d;
  ASSERT_TRUE(hall);
  const auto list = client.Devices();
  const auto before = client.SaveBytes();
  shell.popupAnswer = cmd::kDeleteDevice;
  client.Mouse(MouseKind::RDown, TitleOf(*hall));
  client.Mouse(MouseKind::RUp, TitleOf(*hall));
  ASSERT_EQ(client.Devices().size(), list.size() - 1);
  EXPECT_EQ(shell.menuCaptions[cmd::kUndo], "&Rückgängig: Hall löschen");
  EXPECT_TRUE(shell.menuEnabled[cmd::kUndo]);
  EXPECT_FALSE(shell.menuEnabled[cmd::kRedo]);
  client.Command(cmd::kUndo);
  EXPECT_EQ(client.Devices(), list);
  EXPECT_EQ(client.SaveBytes(), before);
  EXPECT_EQ(shell.menuCaptions[cmd::kRedo], "&Wiederholen: Hall löschen");
  EXPECT_FALSE(shell.menuEnabled[cmd::kUndo]);
  client.PaintPending();
  const Point title = TitleOf(*hall);
  EXPECT_EQ(Pixel(title.x - 3, title.y - 3), Rgb(255, 255, 255));  // the frame's white corner
}

TEST_F(EditTest, SavingThenUndoingAndRedoingFollowsTheModifiedFlag) {
  client.Command(cmd::kSnap);
  EXPECT_TRUE(client.Modified());
  shell.saveAnswer = (std::filesystem::temp_directory_path() / "quarvin_edit_test.qvn").string();
  ASSERT_TRUE(client.SaveAs());
  EXPECT_FALSE(client.Modified());
  client.Undo();
  EXPECT_TRUE(client.Modified());
  EXPECT_EQ(shell.caption.find("Quarvin V1.01 - *"), 0u);
  client.Redo();
  EXPECT_FALSE(client.Modified());
  client.New();
  EXPECT_FALSE(client.Undo());
  EXPECT_FALSE(shell.menuEnabled[cmd::kUndo]);
  std::filesystem::remove(*shell.saveAnswer);
}

TEST_F(EditTest, TheHistoryKeepsAThousandStepsAndOneDragIsOne) {
  const auto start = client.SaveBytes();
  for (int i = 0; i < 1100; ++i) client.Command(cmd::kSnap);
  EXPECT_EQ(client.History().Steps(), 1000u);
  client.LoadBytes(start);
  // A drag over a slider's whole travel is one step.
  auto controls = Controls(Device(4));
  ASSERT_FALSE(controls.empty());
  const Point c = Centre(*controls.back());
  client.Mouse(MouseKind::LDown, c);
  for (int y = 1; y < 30; ++y) client.Mouse(MouseKind::Move, {c.x, c.y + y});
  client.Mouse(MouseKind::LUp, {c.x, c.y + 30});
  EXPECT_LE(client.History().Steps(), 1u);
}

TEST_F(EditTest, CopyAndPasteIntoAnEmptyPatchEqualsTheSelectedPartSavedOnItsOwn) {
  const auto whole = client.SaveBytes();
  const std::vector<size_t> chosen{2, 3, 5, 6};
  std::vector<NTDevWin*> part;
  for (size_t i : chosen) part.push_back(&Device(i));
  client.Select(part);
  client.Command(cmd::kCopy);
  const auto copied = shell.clipboard;
  Point corner{1 << 20, 1 << 20};
  for (NTDevWin* d : part) corner = {std::min(corner.x, d->X), std::min(corner.y, d->Y)};

  // The same part on its own: everything else deleted.
  std::vector<NTDevWin*> rest;
  for (size_t i = 0; i < client.Devices().size(); ++i)
    if (std::ranges::find(chosen, i) == chosen.end()) rest.push_back(&Device(i));
  client.Select(rest);
  client.Command(cmd::kDelete);
  const auto alone = client.SaveBytes();

  client.LoadBytes(whole);
  client.SelectAll();
  client.Command(cmd::kDelete);
  ASSERT_TRUE(client.Devices().empty());
  ASSERT_TRUE(client.Paste(copied, corner, "Einfügen"));
  EXPECT_EQ(client.SaveBytes(), alone);
  EXPECT_EQ(client.Selection().Size(), part.size());
  EXPECT_EQ(shell.menuCaptions[cmd::kUndo], "&Rückgängig: Einfügen");
  client.PaintPending();
  const Point title = TitleOf(Device(0));
  EXPECT_EQ(Pixel(title.x - 3, title.y - 3), Rgb(255, 255, 255));  // the pasted panel is drawn
  // Bytes that are no patch paste nothing.
  EXPECT_FALSE(client.Paste(std::vector<uint8_t>{1, 2, 3}, corner, "Einfügen"));
}

TEST_F(EditTest, RubberBandShiftClickAndDraggingTheSelection) {
  NTDevWin& a = Device(0);
  NTDevWin& b = Device(1);
  // A band from the empty corner across the first two panels of the top row.
  Drag({5, 130}, {b.X + 5, b.Y + 5});
  EXPECT_TRUE(client.Selection().Contains(&a));
  EXPECT_TRUE(client.Selection().Contains(&b));
  EXPECT_EQ(client.Selection().Size(), 2u);
  client.PaintPending();
  EXPECT_EQ(Pixel(a.X - 3, a.Y + 20), Rgb(255, 128, 0));  // the mark around a selected panel
  client.Mouse(MouseKind::LDown, TitleOf(b), true);
  client.Mouse(MouseKind::LUp, TitleOf(b), true);
  EXPECT_FALSE(client.Selection().Contains(&b));
  client.Mouse(MouseKind::LDown, TitleOf(b), true);
  client.Mouse(MouseKind::LUp, TitleOf(b), true);
  client.SnapOn = 0;
  const Point pa = a.AbsPos(), pb = b.AbsPos();
  Drag(TitleOf(a), {TitleOf(a).x + 37, TitleOf(a).y + 401});
  EXPECT_EQ(a.AbsPos(), (Point{pa.x + 37, pa.y + 401}));
  EXPECT_EQ(b.AbsPos(), (Point{pb.x + 37, pb.y + 401}));
  EXPECT_EQ(shell.menuCaptions[cmd::kUndo], "&Rückgängig: Auswahl verschieben");
  client.Undo();
  EXPECT_EQ(a.AbsPos(), pa);
  EXPECT_EQ(b.AbsPos(), pb);
  client.Escape();
  EXPECT_TRUE(client.Selection().Empty());
}
}  // namespace
