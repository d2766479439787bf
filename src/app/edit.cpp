// The edit menu: undo and redo, the clipboard, duplicate, delete and select all.
#include <algorithm>
#include <climits>

#include "app/commands.h"
#include "app/main_client.h"

namespace {
// Where a duplicate, or a paste without a pointer, goes from the original.
constexpr int kPasteOffset = 20;
}  // namespace

bool TMainClient::RunEditCommand(int id) {
  switch (id) {
    case cmd::kUndo:
      Undo();
      return true;
    case cmd::kRedo:
      Redo();
      return true;
    case cmd::kCut:
      if (!selection_.Empty()) {
        shell_.SetClipboardPatch(CopyBytes());
        DeleteDevices(selection_.InOrder(devices_), "Ausschneiden");
      }
      return true;
    case cmd::kCopy:
      if (!selection_.Empty()) shell_.SetClipboardPatch(CopyBytes());
      return true;
    case cmd::kPaste:
      if (const auto bytes = shell_.ClipboardPatch(); !bytes.empty())
        Paste(bytes, pointer_, "Einfügen");
      return true;
    case cmd::kDuplicate:
      if (!selection_.Empty()) Paste(CopyBytes(), std::nullopt, "Duplizieren");
      return true;
    case cmd::kDelete:
      DeleteSelection();
      return true;
    case cmd::kSelectAll:
      SelectAll();
      return true;
    default:
      return false;
  }
}

void TMainClient::DeleteSelection() {
  DeleteDevices(selection_.InOrder(devices_));
}

// name: the step's name; by default "<device> löschen", or the count for several.
void TMainClient::DeleteDevices(std::vector<NTDevWin*> devices, const char* name) {
  if (devices.empty()) return;
  PutDown();
  const std::string step = name ? std::string(name)
                           : devices.size() == 1
                               ? DeviceName(*devices[0]) + " löschen"
                               : std::to_string(devices.size()) + " Geräte löschen";
  PushEdit(TDeviceSetEdit::Removed(*this, step, std::move(devices)));
}

std::vector<uint8_t> TMainClient::CopyBytes() {
  return PatchBytes(selection_.InOrder(devices_));
}

bool TMainClient::Paste(std::span<const uint8_t> bytes, std::optional<Point> at,
                        const std::string& name) {
  PutDown();
  const std::vector<NTDevWin*> added = AddDevicesFrom(bytes);
  if (added.empty()) {
    Beep();
    return false;
  }
  Point corner{INT_MAX, INT_MAX};
  for (const NTDevWin* d : added) corner = {std::min(corner.x, d->X), std::min(corner.y, d->Y)};
  const Point to = at.value_or(Point{corner.x + kPasteOffset, corner.y + kPasteOffset});
  for (NTDevWin* d : added) {
    d->MoveTo({d->X + (to.x - corner.x), d->Y + (to.y - corner.y)});
    d->InvalidateArea(true);
  }
  Select(added);
  PushEdit(TDeviceSetEdit::Added(name, added));
  return true;
}
