#include "app/command_line.h"
#include "app/wave_open.h"

#include <gtest/gtest.h>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "platform/audio/memory_wave.h"

namespace {

using Kind = CommandLine::Kind;
using Direction = WaveSystem::Direction;

std::optional<CommandLine> Parse(std::vector<std::string> args, Kind kind, std::string& error) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  return ParseCommandLine(argv, kind, error);
}

struct LineCase {
  Kind kind;
  std::vector<std::string> args{};
  // Expected: the error text (empty: parsed), then what was parsed.
  std::string error{};
  std::string patch{}, in{}, out{};
  int block = 0;
  bool connect = true, help = false, version = false, list = false, quiet = false;
};

TEST(CommandLine, ParsesTheProgramsAndTheLiveRunnersOptions) {
  const LineCase cases[] = {
      {Kind::Program, {}, ""},
      // The desktop entry's %f: a plain file, also one with spaces.
      {Kind::Program, {"mein patch.qvn"}, "", "mein patch.qvn"},
      {Kind::Program,
       {"--block", "128", "--eingang", "2", "--ausgang", "USB", "--nicht-verbinden", "a.qvn"},
       "",
       "a.qvn",
       "2",
       "USB",
       128,
       false},
      {Kind::Program, {"--block", "64"}, "", "", "", "", 64},
      {Kind::Program, {"--block", "3000"}, "", "", "", "", 3000},
      {Kind::Program, {"--help"}, "", "", "", "", 0, true, true},
      {Kind::Program, {"-h"}, "", "", "", "", 0, true, true},
      {Kind::Program, {"--version"}, "", "", "", "", 0, true, false, true},
      {Kind::Program, {"--geraete"}, "", "", "", "", 0, true, false, false, true},
      {Kind::Program,
       {"--block", "63"},
       "ungültige Blockgröße 63 (erlaubt sind 64 bis 3000 Frames)"},
      {Kind::Program,
       {"--block", "3001"},
       "ungültige Blockgröße 3001 (erlaubt sind 64 bis 3000 Frames)"},
      {Kind::Program,
       {"--block", "12x"},
       "ungültige Blockgröße 12x (erlaubt sind 64 bis 3000 Frames)"},
      {Kind::Program, {"--block"}, "fehlender Wert nach --block"},
      {Kind::Program, {"--eingang"}, "fehlender Wert nach --eingang"},
      {Kind::Program, {"-q"}, "unbekannte Option -q"},
      {Kind::Program, {"--live"}, "unbekannte Option --live"},
      {Kind::Program, {"a.qvn", "b.qvn"}, "mehr als eine Patch-Datei"},
      {Kind::Live,
       {"--live", "a.qvn", "--block", "128", "-q"},
       "",
       "a.qvn",
       "",
       "",
       128,
       true,
       false,
       false,
       false,
       true},
      {Kind::Live, {"--live", "--ausgang", "system", "a.qvn"}, "", "a.qvn", "", "system"},
      {Kind::Live, {"--live"}, "keine Patch-Datei angegeben"},
      {Kind::Live, {"--live", "--help"}, "", "", "", "", 0, true, true},
      {Kind::Live, {"--live", "a.qvn", "--geraete"}, "unbekannte Option --geraete"},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    std::string error;
    const std::optional<CommandLine> line = Parse(c.args, c.kind, error);
    ASSERT_EQ(error, c.error);
    ASSERT_EQ(line.has_value(), c.error.empty());
    if (!line) continue;
    EXPECT_EQ(line->Patch, c.patch);
    EXPECT_EQ(line->Card.In, c.in);
    EXPECT_EQ(line->Card.Out, c.out);
    EXPECT_EQ(line->Card.BlockFrames, c.block);
    EXPECT_EQ(line->Card.Connect, c.connect);
    EXPECT_EQ(line->Help, c.help);
    EXPECT_EQ(line->Version, c.version);
    EXPECT_EQ(line->ListDevices, c.list);
    EXPECT_EQ(line->Quiet, c.quiet);
  }
}

TEST(CommandLine, HelpIsGermanAndNamesEveryOption) {
  const std::string program = UsageText(Kind::Program), live = UsageText(Kind::Live);
  for (const char* option : {"--block FRAMES", "--eingang N|NAME", "--ausgang N|NAME",
                             "--nicht-verbinden", "--geraete", "--version", "--help"})
    EXPECT_NE(program.find(option), std::string::npos) << option;
  for (const char* option : {"--live PATCH.qvn", "--block FRAMES", "--eingang", "-q"})
    EXPECT_NE(live.find(option), std::string::npos) << option;
  EXPECT_EQ(program.rfind("Aufruf: quarvin [OPTIONEN] [PATCH.qvn]", 0), 0u);
  EXPECT_EQ(VersionText(), "Quarvin V1.01");
}

const std::vector<WaveDeviceInfo> kDevices = {
    {0, "ALSA", "HDA Intel PCH: ALC3246 Analog (hw:0,0)", 2, 2},
    {1, "ALSA", "USB Audio Device: - (hw:1,0)", 1, 2},
    {2, "ALSA", "hdmi", 0, 8},
    {3, "JACK Audio Connection Kit", "system", 2, 2},
};

TEST(DeviceChoice, ByNumberNameOrUniquePartOfTheRightDirection) {
  struct Case {
    Direction d;
    std::string choice;
    int index;  // -1: not found, with the error text
    std::string error;
  } cases[] = {
      {Direction::In, "1", 1, ""},
      {Direction::Out, "2", 2, ""},
      {Direction::In, "2", -1, "Eingabegerät „2“ nicht gefunden"},  // output only
      {Direction::Out, "HDMI", 2, ""},
      {Direction::In, "system", 3, ""},
      {Direction::In, "usb", 1, ""},
      {Direction::Out, "hw:", -1, "„hw:“ passt auf mehrere Ausgabegeräte"},
      {Direction::Out, "Firewire", -1, "Ausgabegerät „Firewire“ nicht gefunden"},
      {Direction::In, "7", -1, "Eingabegerät „7“ nicht gefunden"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choice);
    std::string error;
    const std::optional<int> found = FindWaveDevice(kDevices, c.d, c.choice, error);
    EXPECT_EQ(found.value_or(-1), c.index);
    EXPECT_EQ(error, c.error);
  }
  const std::string table = DeviceTable(kDevices);
  EXPECT_NE(table.find("  3  JACK Audio Connection Kit    2    2  system\n"), std::string::npos)
      << table;
  EXPECT_EQ(DeviceTable({}), "Keine Geräte gefunden.\n");
}

// What the command line gives wins over the remembered settings for the run; what it leaves
// out is remembered. The rate note appears only when the card is converted.
TEST(DeviceChoice, CommandLineOverridesTheRememberedSettingsAndTheRateNoteNamesTheCard) {
  const WaveSettings remembered{.In = "usb", .Out = "hdmi", .BlockFrames = 256};
  const WaveSettings run = WithCommandLine(remembered, {.Out = "3", .Connect = false});
  EXPECT_EQ(run.In, "usb");
  EXPECT_EQ(run.Out, "3");
  EXPECT_EQ(run.BlockFrames, 256);
  EXPECT_FALSE(run.Connect);
  EXPECT_EQ(WithCommandLine(remembered, {.BlockFrames = 128}).BlockFrames, 128);
  EXPECT_EQ(CardRateNote(48000), "Soundkarte: 48000 Hz, umgerechnet auf 44100 Hz");
  EXPECT_EQ(CardRateNote(44100), "");
  EXPECT_EQ(CardRateNote(0), "");
}

// The canvas opens the chosen devices; a choice that names none is a card that cannot be had:
// the error box says why and the canvas goes on without sound.
TEST(DeviceChoice, TheCanvasOpensTheChosenDevicesOrSaysWhyNot) {
  {
    MemoryWaveSystem audio({.Devices = kDevices, .Choice = {.In = "usb", .Out = "3"}});
    HeadlessShell shell;
    TMainClient client(shell, &audio);
    ASSERT_TRUE(client.Setup());
    EXPECT_EQ(audio.Opened(Direction::In), 1);
    EXPECT_EQ(audio.Opened(Direction::Out), 3);
    client.CloseQuery();
  }
  MemoryWaveSystem audio({.Devices = kDevices, .Choice = {.Out = "Firewire"}});
  HeadlessShell shell;
  TMainClient client(shell, &audio);
  EXPECT_FALSE(client.Setup());
  EXPECT_EQ(audio.Opened(Direction::In), -1);
  EXPECT_EQ(shell.errors, std::vector<std::string>{"Ausgabegerät „Firewire“ nicht gefunden"});
  EXPECT_FALSE(shell.quitCode);
  EXPECT_FALSE(client.SoundRunning());
}

}  // namespace
