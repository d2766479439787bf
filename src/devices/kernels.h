#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/schedule.h"

// The batch kernels of the compiled schedule, one file each; the registry names each type's.
const TKernel& InputKernel();
const TKernel& OutputKernel();
const TKernel& VcoKernel();
const TKernel& FilterKernel();
const TKernel& VocoderKernel();

// A kernel's Make for a batch class constructed from the devices (all of its type) and their
// connectors.
template <class Batch>
std::unique_ptr<TBatch> MakeBatch(std::span<NTDevWin* const> devices,
                                  std::span<const TPorts> ports) {
  return std::make_unique<Batch>(devices, ports);
}

// Devices that run a run of frames through their own Block(sub-block, connectors): every frame's
// Latch and Compute in one call, with the arithmetic they share with Compute and no virtual call
// per frame (the contract at the top of engine/schedule.h).
template <class Device>
class TBlockBatch final : public TBatch {
 public:
  TBlockBatch(std::span<NTDevWin* const> devices, std::span<const TPorts> ports) {
    for (size_t i = 0; i < devices.size(); ++i)
      devices_.push_back({static_cast<Device*>(devices[i]), ports[i]});
  }
  void Run(const TSubBlock& b) noexcept override {
    for (auto& [device, ports] : devices_) device->Block(b, ports);
  }

 private:
  std::vector<std::pair<Device*, TPorts>> devices_;
};

template <class Device, TKernel::Latch Inputs>
const TKernel& BlockKernel() {
  static const TKernel k{.Make = MakeBatch<TBlockBatch<Device>>, .Inputs = Inputs};
  return k;
}
