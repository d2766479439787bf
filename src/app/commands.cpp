#include "app/commands.h"

namespace {
constexpr MenuLine kMenuBar[] = {
    {0, "&Datei", 0},
    {2, "&Neu", cmd::FileNew, "Ctrl+N"},
    {2, "&Öffnen...", cmd::FileOpen, "Ctrl+O"},
    {2, "&Speichern", cmd::FileSave, "Ctrl+S"},
    {2, "Speichern &unter...", cmd::FileSaveAs, "Ctrl+Shift+S"},
    {2, nullptr, 0},
    {2, "&Beenden", cmd::Exit, "Ctrl+Q"},
    {0, "&Ansicht", 0},
    {1, "&Verdrahtung", 0},
    {2, "&Sichtbar", cmd::WiresVisible},
    {2, nullptr, 0},
    {2, "&Vorne", cmd::WiresFront},
    {2, "&Hinten", cmd::WiresBehind},
    {2, nullptr, 0},
    {2, "&Geraden", cmd::CurvesOff},
    {2, "&Kurven", cmd::CurvesOn},
    {0, "&Einfügen", 0},
    {2, "&Output", 109},
    {2, "&Input", 110},
    {2, "&VCO", 101},
    {2, "&LFO", 102},
    {2, "&Hall", 103},
    {2, "&Flanger", 105},
    {2, "F&ilter", 106},
    {2, "&Mixer", 104},
    {2, "Multi&plier", 107},
    {2, "V&U-Meter", 108},
    {2, "Os&cilloscope", 111},
    {0, "&Hilfsmittel", 0},
    {2, "&Snap", cmd::Snap},
    {2, "&Über...", cmd::About},
};

struct InsertEntry {
  int command, type;
};
constexpr InsertEntry kInserts[] = {{109, 1}, {110, 2}, {101, 3}, {102, 4},  {103, 5}, {105, 6},
                                    {106, 7}, {104, 8}, {107, 9}, {108, 10}, {111, 11}};
}  // namespace

std::span<const MenuLine> MenuBar() {
  return kMenuBar;
}

int InsertType(int command) {
  for (const InsertEntry& e : kInserts)
    if (e.command == command) return e.type;
  return 0;
}
