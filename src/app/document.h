#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "platform/geometry.h"

class NTDevWin;
class NTPlugIn;
class NTPlugOut;

// The patch as a document: the operations edit commands are made of. Each one leaves the engine
// following the document (the canvas lock around list changes, a new schedule) and repaints what
// it changed. Window thread.
class TDocument {
 public:
  // A device out of the list, kept alive by whoever took it out, with the place it had.
  struct Placed {
    size_t index;
    std::unique_ptr<NTDevWin> device;
  };

  virtual ~TDocument() = default;

  // The device list in order.
  virtual std::span<NTDevWin* const> DeviceList() const = 0;
  // Puts devices back at their places (ascending), as they were: their controls, their own
  // inputs' connections and everything the file does not hold.
  virtual void AttachDevices(std::vector<Placed> devices) = 0;
  // Takes devices out of the list without destroying them; wires into them must be gone.
  virtual std::vector<Placed> DetachDevices(std::span<NTDevWin* const> devices) = 0;
  virtual void PlaceDevices(std::span<const std::pair<NTDevWin*, Point>> places) = 0;
  virtual void SetSources(std::span<const std::pair<NTPlugIn*, NTPlugOut*>> sources) = 0;
  // A device's saved record (its own and its windows'), and back.
  virtual std::vector<uint8_t> StateOf(NTDevWin& device) = 0;
  virtual void RestoreState(NTDevWin& device, std::span<const uint8_t> state) = 0;
  // The four options of the file, by their place in it (WiresVisible, WiresBehind, WireCurves,
  // Snap).
  virtual int32_t Option(int which) const = 0;
  virtual void SetOption(int which, int32_t value) = 0;
};
