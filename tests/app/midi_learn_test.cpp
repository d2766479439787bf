// MIDI controllers moving the controls: learning from the device popup, sweeps over a control's
// whole range, the undo steps they make, and the file of mappings beside the patch.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/commands.h"
#include "app/midi_file.h"
#include "canvas_fixture.h"
#include "devices/vco.h"
#include "toolkit/control_input.h"

namespace {
namespace fs = std::filesystem;
using Clock = TMidiMapping::Clock;
using Kind = TMidiSource::Kind;
using Events = std::vector<TMidiEvent>;

TMidiEvent Cc(int channel, int number, int value) {
  return {TMidiEvent::kNow, uint8_t(TMidiEvent::kController | channel), uint8_t(number),
          uint8_t(value)};
}
TMidiEvent Bend(int channel, int value) {
  return {TMidiEvent::kNow, uint8_t(TMidiEvent::kBend | channel), uint8_t(value & 127),
          uint8_t(value >> 7)};
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A canvas with a VCO after the Input and Output, its MIDI input fed by the test.
class MidiLearnTest : public CanvasTest {
 protected:
  MidiLearnTest() {
    client.CreateDevice(DeviceType::VCO)->MoveTo({200, 10});
    client.Reschedule();
    client.SetMidi(&queue);
    client.InvalidateAll(true);
    client.PaintPending();
  }
  NTVCO& Vco() { return *dynamic_cast<NTVCO*>(client.Devices().at(2)); }
  std::vector<NTWin*> VcoControls() { return FocusableControls(&Vco()); }
  static Point Over(const NTWin& control) {
    const Rect r = FocusArea(control);
    return {(r.left + r.right) / 2, r.bottom - 4};
  }
  void Popup(const NTWin& control, int answer) {
    shell.popupAnswer = answer;
    client.Mouse(MouseKind::RDown, Over(control));
    client.Mouse(MouseKind::RUp, Over(control));
  }
  // The events reach the window thread the program's way: a block takes them in, a tick applies.
  void Send(const Events& events, Clock::time_point at) {
    for (const TMidiEvent& e : events) queue.Push(e);
    client.ProcessBlock(0, 0);
    client.TakeControllers(at);
  }
  void Learn(NTWin& control, const Events& message) {
    Popup(control, cmd::kMidiLearn);
    Send(message, now);
    now += TMidiMapping::kPairWait;
    Send({}, now);
  }
  Color MarkPixel(const NTWin& control) {
    client.PaintPending();
    const Rect r = TMainClient::MidiMark(control);
    return Pixel(r.left + 2, r.top + 2);
  }

  TMidiQueue queue;
  Clock::time_point now = Clock::now();
};

// Each kind of controller, learned from one message (a pair from its two halves), then swept:
// 7 bits in 128 even steps from the least to the greatest value, 14 bits and the bend through
// every step of the VCO's frequency (1201 of them). The sweep is one undo step.
TEST_F(MidiLearnTest, LearnedControllersSweepTheWholeRange) {
  struct Case {
    const char* name;
    Events learn;
    TMidiSource source;
    Events (*at)(int position);
  };
  const Case cases[] = {
      {"CC 74", {Cc(0, 74, 5)}, {Kind::Cc7, 0, 74}, [](int p) { return Events{Cc(0, 74, p)}; }},
      {"CC 1 without its pair",
       {Cc(4, 1, 9)},
       {Kind::Cc7, 4, 1},
       [](int p) { return Events{Cc(4, 1, p)}; }},
      {"CC 7 + 39",
       {Cc(2, 7, 1), Cc(2, 39, 3)},
       {Kind::Cc14, 2, 7},
       [](int p) {
         return Events{Cc(2, 7, p >> 7), Cc(2, 39, p & 127)};
       }},
      {"pitch bend",
       {Bend(15, 8192)},
       {Kind::Bend, 15, 0},
       [](int p) { return Events{Bend(15, p)}; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    client.LoadBytes(client.SaveBytes());
    NTReg& freq = Vco().Freq;
    Learn(freq, c.learn);
    ASSERT_EQ(client.MidiMapping().SourceOf(&freq), c.source);
    EXPECT_EQ(freq.Value, 30000) << "learning moves nothing";
    const size_t steps = client.History().Done();

    const int top = c.source.Top(), span = freq.Max - freq.Min;
    const std::vector<int32_t> every = ReachableSteps(freq);
    const int count = top == 127 ? 128 : int(every.size());
    std::vector<int32_t> seen;
    for (int k = 0; k < count; ++k) {
      const int p = top == 127 ? k : int((int64_t(k) * top + (count - 1) / 2) / (count - 1));
      Send(c.at(p), now += std::chrono::milliseconds(10));
      seen.push_back(freq.Value);
    }
    if (top == 127) {
      for (int k = 0; k < 128; ++k)
        EXPECT_NEAR(seen[size_t(k)], freq.Min + k * span / 127.0, freq.Step / 2.0) << k;
    } else {
      EXPECT_EQ(seen, every);
    }
    // One undo step once the controller has rested for the pause, not before.
    Send({}, now + TMainClient::kMidiGesturePause - std::chrono::milliseconds(1));
    EXPECT_EQ(client.History().Done(), steps);
    Send({}, now + TMainClient::kMidiGesturePause);
    EXPECT_EQ(client.History().Done(), steps + 1);
    EXPECT_TRUE(client.Modified());
    EXPECT_TRUE(client.Undo());
    EXPECT_EQ(Vco().Freq.Value, 30000);
    now += std::chrono::seconds(1);
  }
}

// Key sets and keys follow too: rows by share of the range, a key on in the upper half.
TEST_F(MidiLearnTest, KeysFollowTheirShareOfTheRange) {
  client.Resize(1600, 800);
  NTDevWin* osci = client.CreateDevice(DeviceType::Oscilloscope);
  osci->MoveTo({300, 10});
  NTWin* key = nullptr;
  for (NTWin* c : FocusableControls(osci))
    if (!key && dynamic_cast<NTKey*>(c)) key = c;
  ASSERT_NE(key, nullptr);
  Learn(Vco().Wave, {Cc(0, 20, 0)});
  Learn(*key, {Cc(0, 21, 0)});
  for (const auto& [value, row, on] : {std::tuple{0, 0, 0}, {127, 3, 1}, {63, 1, 0}, {64, 2, 1}}) {
    Send({Cc(0, 20, value), Cc(0, 21, value)}, now += std::chrono::milliseconds(10));
    EXPECT_EQ(Vco().Wave.Selected, row) << value;
    EXPECT_EQ(dynamic_cast<NTKey*>(key)->State, on) << value;
  }
}

// The popup offers learning over a control and unmapping where there is a mapping; the panel
// marks a control that waits (yellow) and one that is mapped (orange); Escape stops a learning.
TEST_F(MidiLearnTest, ThePopupLearnsAndUnmapsAndThePanelShowsIt) {
  NTReg& level = Vco().Level;
  const Color panel = MarkPixel(level);
  Popup(level, cmd::kMidiLearn);
  EXPECT_EQ(shell.popupCaptions, (std::vector<std::string>{"&Löschen", "&MIDI zuweisen..."}));
  EXPECT_EQ(MarkPixel(level), Rgb(255, 255, 0));
  client.Escape();
  Send({Cc(0, 70, 1)}, now);
  EXPECT_FALSE(client.MidiMapping().SourceOf(&level));
  EXPECT_EQ(MarkPixel(level), panel);

  Learn(level, {Cc(0, 70, 1)});
  EXPECT_EQ(MarkPixel(level), Rgb(255, 128, 0));
  Popup(level, cmd::kMidiUnmap);
  EXPECT_EQ(shell.popupCaptions,
            (std::vector<std::string>{"&Löschen", "&MIDI zuweisen...", "MIDI-Zuweisung lö&schen"}));
  EXPECT_FALSE(client.MidiMapping().SourceOf(&level));
  EXPECT_EQ(MarkPixel(level), panel);
  // Over the title no control is under the pointer.
  Popup(Vco(), 0);
  EXPECT_EQ(shell.popupCaptions, std::vector<std::string>{"&Löschen"});
}

// A deleted device keeps its mappings in the undo history: undone, its controls follow again.
TEST_F(MidiLearnTest, MappingsComeBackWithAnUndoneDelete) {
  NTReg& freq = Vco().Freq;
  Learn(freq, {Cc(0, 74, 0)});
  Popup(Vco(), cmd::kDeleteDevice);
  Send({Cc(0, 74, 127)}, now += std::chrono::milliseconds(10));
  ASSERT_TRUE(client.Undo());
  EXPECT_EQ(freq.Value, 30000);
  Send({Cc(0, 74, 127)}, now += std::chrono::milliseconds(10));
  EXPECT_EQ(freq.Value, freq.Max);
}

// What a learning maps: a CC 0..31 becomes a 14-bit pair only when its lower half follows on the
// same channel within the wait, else (after the wait, or when any other message comes first) a
// 7-bit controller; notes are passed over.
TEST(MidiMappingTest, LearningTellsAPairFromASingleController) {
  const TMidiEvent note{TMidiEvent::kNow, TMidiEvent::kNoteOn, 60, 100};
  const struct {
    const char* name;
    std::vector<std::pair<int, Events>> ticks;  // milliseconds from the start, messages
    TMidiSource learned;
  } cases[] = {
      {"halves in two ticks", {{0, {Cc(0, 3, 1)}}, {10, {Cc(0, 35, 2)}}}, {Kind::Cc14, 0, 3}},
      {"lower half too late",
       {{0, {Cc(0, 3, 1)}}, {100, {}}, {110, {Cc(0, 35, 2)}}},
       {Kind::Cc7, 0, 3}},
      {"another controller first",
       {{0, {Cc(0, 3, 1), Cc(0, 4, 1), Cc(0, 35, 2)}}},
       {Kind::Cc7, 0, 3}},
      {"lower half on another channel", {{0, {Cc(0, 3, 1), Cc(1, 35, 1)}}}, {Kind::Cc7, 0, 3}},
      {"a note, then the bend", {{0, {note, Bend(3, 0)}}}, {Kind::Bend, 3, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NTWin control(nullptr, nullptr);
    TMidiMapping mapping;
    TMidiMapping::Positions moved;
    mapping.Learn(&control);
    const Clock::time_point start{};
    NTWin* learned = nullptr;
    for (const auto& [ms, events] : c.ticks)
      if (NTWin* l = mapping.Take(events, start + std::chrono::milliseconds(ms), moved))
        learned = l;
    EXPECT_EQ(learned, &control);
    EXPECT_EQ(mapping.SourceOf(&control), c.learned);
  }
}

class MidiFileTest : public MidiLearnTest {
 protected:
  MidiFileTest() {
    fs::create_directories(dir);
    shell.saveAnswer = patch.string();
  }
  ~MidiFileTest() override { fs::remove_all(dir); }
  void MapThree() {
    const auto controls = VcoControls();
    Learn(*controls[0], {Cc(0, 74, 0)});
    Learn(*controls[1], {Cc(15, 31, 0), Cc(15, 63, 0)});
    Learn(*controls[2], {Bend(1, 0)});
  }
  std::map<size_t, TMidiSource> Mapped() {
    std::map<size_t, TMidiSource> found;
    const auto controls = VcoControls();
    for (size_t i = 0; i < controls.size(); ++i)
      if (const auto s = client.MidiMapping().SourceOf(controls[i])) found[i] = *s;
    return found;
  }
  const fs::path dir = fs::temp_directory_path() / ("quarvin-midi-" + std::to_string(::getpid()));
  const fs::path patch = dir / "patch.qvn", side = dir / "patch.qvn.midi";
};

// Saved beside the patch, whose bytes stay as they were; read back with it onto its new
// controls; gone with the last mapping.
TEST_F(MidiFileTest, MappingsTravelBesideThePatch) {
  MapThree();
  const auto mapped = Mapped();
  const std::vector<uint8_t> bytes = client.SaveBytes();
  ASSERT_TRUE(client.SaveAs());
  std::ifstream in(patch, std::ios::binary);
  EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), bytes);
  const std::string text = ReadText(side);
  EXPECT_TRUE(text.ends_with("\n3 1 cc 1 74\n3 2 cc14 16 31\n3 3 bend 2\n")) << text;

  client.Command(cmd::kFileNew);
  EXPECT_TRUE(client.MidiMapping().Sources().empty());
  ASSERT_TRUE(client.Load(patch.string()));
  EXPECT_EQ(Mapped(), mapped);
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_EQ(MarkPixel(*VcoControls()[1]), Rgb(255, 128, 0));

  for (NTWin* c : VcoControls()) Popup(*c, cmd::kMidiUnmap);
  ASSERT_TRUE(client.Save());
  EXPECT_FALSE(fs::exists(side));
}

// A side file that cannot be written fails the save with the box and leaves the old file whole
// (a file size limit lets the patch through but not the mappings).
TEST_F(MidiFileTest, AFailedWriteKeepsTheOldFile) {
  MapThree();
  { std::ofstream(side) << "# alt\n"; }
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{client.SaveBytes().size(), client.SaveBytes().size()};
    const bool refused =
        ::setrlimit(RLIMIT_FSIZE, &limit) == 0 && !client.SaveAs() && fs::exists(patch) &&
        shell.errors ==
            std::vector<std::string>{"Die MIDI-Zuweisungen konnten nicht gespeichert werden!\n" +
                                     side.string() + ": File too large"};
    std::_Exit(refused ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save must fail";
  EXPECT_EQ(ReadText(side), "# alt\n");
}

// A missing file maps nothing, silently; a damaged one maps nothing and says so once.
TEST_F(MidiFileTest, ADamagedFileLoadsThePatchWithoutMappings) {
  ASSERT_TRUE(client.SaveAs());
  const struct {
    const char* text;  // null: no file
    bool damaged;
  } cases[] = {
      {nullptr, false},
      {"# nur ein Kommentar\n\n", false},
      {"3 1 cc 1 74\nKaffee\n", true},
      {"3 1 cc 17 74\n", true},              // channel
      {"3 1 cc14 1 32\n", true},             // a pair's upper number
      {"3 1 bend 1 5\n", true},              // one word too many
      {"3 1 cc 1\n", true},                  // one too few
      {"9 1 cc 1 74\n", true},               // no device 9
      {"3 1 cc 1 74\n3 99 cc 1 1\n", true},  // no control 99: nothing is mapped
      {"0 1 cc 1 74\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "no file");
    fs::remove(side);
    if (c.text) std::ofstream(side) << c.text;
    shell.errors.clear();
    EXPECT_EQ(client.Load(patch.string()).kind, TMainClient::LoadResult::Complete);
    EXPECT_TRUE(Mapped().empty());
    if (c.damaged) {
      ASSERT_EQ(shell.errors.size(), 1u);
      EXPECT_TRUE(shell.errors[0].starts_with("Die Datei mit den MIDI-Zuweisungen ist beschädigt"));
      EXPECT_TRUE(shell.errors[0].ends_with(side.string()));
    } else {
      EXPECT_TRUE(shell.errors.empty());
    }
  }
}
}  // namespace
