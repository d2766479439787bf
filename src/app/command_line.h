#pragma once
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/audio/wave.h"

// The command lines of the program and of the render tool's live mode, which share the options
// that choose and drive the sound card.
struct CommandLine {
  enum class Kind {
    Program,  // quarvin [OPTIONS] [PATCH.qvn]
    Live,     // quarvin-render --live PATCH.qvn [OPTIONS] [-q]
  };
  std::string Patch;
  // The sound card: devices, JACK connections, and BlockFrames, which is also the live block
  // size (0: the default blocks).
  WaveSettings Card;
  bool Help = false;
  bool Version = false;
  bool ListDevices = false;  // program only
  bool Quiet = false;        // live mode only
  int Threads = 1;           // live mode only: threads that share the schedule
  std::string Recording;     // live mode only: the file that records what is played
};

// The thread counts --threads allows.
constexpr int kMaxThreads = 16;
// A thread count 1..kMaxThreads, or null.
std::optional<int> ParseThreads(const std::string& s);

// Parses the arguments after the program name; null with a German reason for a usage error.
std::optional<CommandLine> ParseCommandLine(std::span<char* const> args, CommandLine::Kind kind,
                                            std::string& error);

// The remembered sound settings with what the command line gave laid over them, for one run: a
// device, a block size or --nicht-verbinden given there wins.
WaveSettings WithCommandLine(WaveSettings remembered, const WaveSettings& given);

// The German help text of a kind of command line.
std::string UsageText(CommandLine::Kind kind);

// "Quarvin V1.01".
std::string VersionText();

// The devices as a table (number, interface, name, input and output channels) for --geraete.
std::string DeviceTable(const std::vector<WaveDeviceInfo>& devices);
