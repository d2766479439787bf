#pragma once
#include <span>

// Command ids of the menus; the insert menu's ids are in the device registry.
namespace cmd {
constexpr int FileNew = 24331, FileOpen = 24332, FileSave = 24333, FileSaveAs = 24334;
constexpr int Exit = 24310, About = 141;
constexpr int CurvesOn = 121, CurvesOff = 122, WiresBehind = 123, WiresFront = 124;
constexpr int WiresVisible = 125, Snap = 113, DeleteDevice = 201;
}  // namespace cmd

// One line of the menu bar: a top-level menu (level 0), a submenu (level 1) or an entry; id 0
// and no caption is a separator. Entries follow their menu in order.
struct MenuLine {
  int level;  // 0 menu, 1 submenu of the last menu, 2 entry of the last (sub)menu
  const char* caption;
  int id;
};

std::span<const MenuLine> MenuBar();
