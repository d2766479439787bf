#include "app/edit_commands.h"

#include <algorithm>
#include <unordered_set>

#include "engine/devwin.h"
#include "engine/plug.h"

namespace {
// What a device out of the list is taken to cost: its object with controls, bitmaps and the
// largest delay lines.
constexpr size_t kDeviceCost = 64 << 10;
}  // namespace

TDeviceSetEdit::TDeviceSetEdit(std::string name, std::vector<NTDevWin*> devices, bool added)
    : TEditCommand(std::move(name)), devices_(std::move(devices)), added_(added) {}

std::unique_ptr<TDeviceSetEdit> TDeviceSetEdit::Added(std::string name,
                                                      std::vector<NTDevWin*> devices) {
  return std::unique_ptr<TDeviceSetEdit>(
      new TDeviceSetEdit(std::move(name), std::move(devices), true));
}

std::unique_ptr<TDeviceSetEdit> TDeviceSetEdit::Removed(TDocument& doc, std::string name,
                                                        std::vector<NTDevWin*> devices) {
  std::unique_ptr<TDeviceSetEdit> edit(
      new TDeviceSetEdit(std::move(name), std::move(devices), false));
  edit->Remove(doc);
  return edit;
}

void TDeviceSetEdit::Remove(TDocument& doc) {
  const std::unordered_set<const NTWin*> leaving(devices_.begin(), devices_.end());
  wires_.clear();
  for (NTDevWin* d : doc.DeviceList()) {
    if (leaving.contains(d)) continue;
    for (NTWin* c = d->FirstChild; c; c = c->Next)
      if (auto* in = dynamic_cast<NTPlugIn*>(c);
          in && in->Source && leaving.contains(in->Source.Get()->Parent))
        wires_.emplace_back(in, in->Source.Get());
  }
  std::vector<std::pair<NTPlugIn*, NTPlugOut*>> cut;
  for (const auto& [in, source] : wires_) cut.emplace_back(in, nullptr);
  doc.SetSources(cut);
  out_ = doc.DetachDevices(devices_);
}

void TDeviceSetEdit::Add(TDocument& doc) {
  doc.AttachDevices(std::exchange(out_, {}));
  doc.SetSources(wires_);
}

size_t TDeviceSetEdit::Cost() const {
  // Counted as if the devices were out of the list, which they are half of the time.
  return sizeof *this + devices_.size() * kDeviceCost + wires_.size() * sizeof wires_[0];
}

void TMoveEdit::Place(TDocument& doc, Point Move::*where) {
  std::vector<std::pair<NTDevWin*, Point>> places;
  for (const Move& m : moves_) places.emplace_back(m.device, m.*where);
  doc.PlaceDevices(places);
}

void TWireEdit::Set(TDocument& doc, NTPlugOut* source) {
  const std::pair<NTPlugIn*, NTPlugOut*> change{&in_, source};
  doc.SetSources({&change, 1});
}

void TStateEdit::Restore(TDocument& doc, std::vector<uint8_t> Change::*which) {
  for (Change& c : changes_) doc.RestoreState(*c.device, c.*which);
}

size_t TStateEdit::Cost() const {
  size_t bytes = sizeof *this;
  for (const Change& c : changes_) bytes += sizeof c + c.before.size() + c.after.size();
  return bytes;
}
