#pragma once
#include <QIcon>

// The program icon, drawn in code at 32 x 32 and 16 x 16: a small grey panel with a white jack
// and a black wire hanging from it.
QIcon ProgramIcon();
