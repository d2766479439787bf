#pragma once
#include <span>

// Command ids of the menus; the insert menu's ids are in the device registry.
namespace cmd {
constexpr int kFileNew = 24331, kFileOpen = 24332, kFileSave = 24333, kFileSaveAs = 24334;
constexpr int kExit = 24310, kAbout = 141;
constexpr int kRecord = 24340;  // starts a recording, or ends the one running
constexpr int kCurvesOn = 121, kCurvesOff = 122, kWiresBehind = 123, kWiresFront = 124;
constexpr int kWiresVisible = 125, kSnap = 113, kDeleteDevice = 201;
// The device popup's MIDI entries for the control under the pointer.
constexpr int kMidiLearn = 202, kMidiUnmap = 203;
// The shell's own: the guide, the About box in the help menu, the recent files' submenu.
constexpr int kGuide = 142, kAboutQuarvin = 143, kRecentFiles = 24335;
// The view: zoom in and out by a step, back to 100 %, every panel in the window.
constexpr int kZoomIn = 151, kZoomOut = 152, kZoomReset = 153, kFitAll = 154;
constexpr int kSoundCard = 144;  // the sound settings dialog (the shell's)
constexpr int kUndo = 301, kRedo = 302, kCut = 303, kCopy = 304, kPaste = 305, kDuplicate = 306;
constexpr int kDelete = 307, kSelectAll = 308;
}  // namespace cmd

// The recording entry's caption while none runs, and while one does.
constexpr const char* kRecordCaption = "&Aufnahme starten...";
constexpr const char* kRecordingCaption = "&Aufnahme beenden";

// One line of the menu bar: a top-level menu (level 0), a submenu (level 1) or an entry; id 0
// and no caption is a separator. Entries follow their menu in order. The entry kRecentFiles is a
// submenu that the shell fills with the recent files.
struct MenuLine {
  int level;  // 0 menu, 1 submenu of the last menu, 2 entry of the last (sub)menu
  const char* caption;
  int id;
  const char* shortcut = nullptr;       // in portable text ("Ctrl+S"); shown beside the caption
  const char* otherShortcut = nullptr;  // a second key that does the same
};

std::span<const MenuLine> MenuBar();
