#pragma once
#include <string>
#include <vector>

#include "toolkit/key.h"

// What the controls are called for people who do not see the panels (screen readers): a panel is
// its title with its number among panels of the same title ("VCO 2"), a control the name over its
// read-out or on its keys, numbered where a panel has several of one name ("Att 3").

// The panel a window belongs to (a child of the root), or null for the root itself.
const NTWin* PanelOf(const NTWin& w);
std::string PanelName(const NTWin& panel);
// "VCO 2 – Freq".
std::string ControlName(const NTWin& control);
// The control's own name within its panel: "Freq", "Welle", "On 2".
std::string ControlLabel(const NTWin& control);
// The value as it is shown and said: "440,0 Hz", "ein", "Sägezahn".
std::string ControlValueText(const NTWin& control);
// The names of a key set's keys, from the first to the last.
std::vector<std::string> KeyNames(const NTKeyset& keys);
