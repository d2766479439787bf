#include "app/commands.h"

#include <iterator>
#include <vector>

#include "devices/registry.h"

namespace {
// The menus before and after the insert menu's entries, which the device registry lists.
constexpr MenuLine kBeforeInserts[] = {
    {0, "&Datei", 0},
    {2, "&Neu", cmd::kFileNew, "Ctrl+N"},
    {2, "&Öffnen...", cmd::kFileOpen, "Ctrl+O"},
    {2, "&Zuletzt geöffnet", cmd::kRecentFiles},
    {2, "&Speichern", cmd::kFileSave, "Ctrl+S"},
    {2, "Speichern &unter...", cmd::kFileSaveAs, "Ctrl+Shift+S"},
    {2, nullptr, 0},
    {2, kRecordCaption, cmd::kRecord, "Ctrl+R"},
    {2, nullptr, 0},
    {2, "&Beenden", cmd::kExit, "Ctrl+Q"},
    {0, "&Bearbeiten", 0},
    {2, "&Rückgängig", cmd::kUndo, "Ctrl+Z"},
    {2, "&Wiederholen", cmd::kRedo, "Ctrl+Y", "Ctrl+Shift+Z"},
    {2, nullptr, 0},
    {2, "&Ausschneiden", cmd::kCut, "Ctrl+X"},
    {2, "&Kopieren", cmd::kCopy, "Ctrl+C"},
    {2, "&Einfügen", cmd::kPaste, "Ctrl+V"},
    {2, "&Duplizieren", cmd::kDuplicate, "Ctrl+D"},
    {2, "&Löschen", cmd::kDelete, "Del"},
    {2, nullptr, 0},
    {2, "Alles a&uswählen", cmd::kSelectAll, "Ctrl+A"},
    {0, "&Ansicht", 0},
    {2, "Ver&größern", cmd::kZoomIn, "Ctrl++"},
    {2, "Ver&kleinern", cmd::kZoomOut, "Ctrl+-"},
    {2, "&Originalgröße", cmd::kZoomReset, "Ctrl+0"},
    {2, "&Alles zeigen", cmd::kFitAll},
    {2, nullptr, 0},
    {1, "&Verdrahtung", 0},
    {2, "&Sichtbar", cmd::kWiresVisible},
    {2, nullptr, 0},
    {2, "&Vorne", cmd::kWiresFront},
    {2, "&Hinten", cmd::kWiresBehind},
    {2, nullptr, 0},
    {2, "&Geraden", cmd::kCurvesOff},
    {2, "&Kurven", cmd::kCurvesOn},
    {0, "&Einfügen", 0},
};
constexpr MenuLine kAfterInserts[] = {
    {0, "&Hilfsmittel", 0},
    {2, "&Snap", cmd::kSnap},
    {2, "Sound&karte...", cmd::kSoundCard},
    {2, "&Über...", cmd::kAbout},
    {0, "&Hilfe", 0},
    {2, "&Anleitung", cmd::kGuide, "F1"},
    {2, "Über &Quarvin...", cmd::kAboutQuarvin},
};

std::vector<MenuLine> BuildMenuBar() {
  std::vector<MenuLine> lines(std::begin(kBeforeInserts), std::end(kBeforeInserts));
  for (const TDeviceEntry& e : DeviceRegistry())
    if (e.caption) lines.push_back({2, e.caption, e.command});
  lines.insert(lines.end(), std::begin(kAfterInserts), std::end(kAfterInserts));
  return lines;
}
}  // namespace

std::span<const MenuLine> MenuBar() {
  static const std::vector<MenuLine> lines = BuildMenuBar();
  return lines;
}
