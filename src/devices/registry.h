#pragma once
#include <span>

#include "engine/device_type.h"
#include "engine/devwin.h"
#include "engine/schedule.h"

// One line per device type: everything outside the device's own file needs to know of it.
struct TDeviceEntry {
  DeviceType type;
  // Creates the device, appended to root's child list at (0, 0).
  NTDevWin* (*make)(TCanvas* canvas, NTWin* root);
  // Lower-case name without spaces: test names and the guide's panel pictures.
  const char* name;
  // The "Einfügen" menu's entry, or null (and command 0) for a type the menu does not offer.
  const char* caption;
  int command;
  // How the compiled schedule runs the type; null: a patch with the type runs frame by frame.
  const TKernel& (*kernel)();
};

// Every device type, in the order of the insert menu.
std::span<const TDeviceEntry> DeviceRegistry();

// The registry line of a type, or null for a number without a device class.
const TDeviceEntry* FindDevice(DeviceType type);

// The device of a type (appended to root's child list at (0, 0)) with its Type set, or null for a
// number without a device class.
NTDevWin* MakeDevice(DeviceType type, TCanvas* canvas, NTWin* root);

// The batch kernel of a device type, or null.
const TKernel* DeviceKernel(DeviceType type);

// The device type an insert command creates, or DeviceType::None.
DeviceType InsertType(int command);
// The insert command that creates a device type, or 0 when the menu does not offer it.
int InsertCommand(DeviceType type);
