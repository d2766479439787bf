#pragma once
#include "engine/devwin.h"

// Creates the device of a type number (appended to root's child list at (0, 0)), or null for a
// number without a device class.
NTDevWin* MakeDevice(int type, NTCanvas* canvas, NTWin* root);
