#pragma once
#include <cstdint>

#include "engine/schedule.h"

// How the compiled schedule runs each device type outside feedback loops: a batch kernel, or
// none (null), and then frame by frame through Latch and Compute.
const TKernel* DeviceKernel(int32_t type);

// The kernels, one file each.
const TKernel& InputKernel();
const TKernel& OutputKernel();
const TKernel& VcoKernel();
const TKernel& MixerKernel();
const TKernel& FilterKernel();
const TKernel& VocoderKernel();

// A kernel's Make for a batch class constructed from the devices (all of its type) and their
// connectors.
template <class Batch>
std::unique_ptr<TBatch> MakeBatch(std::span<NTDevWin* const> devices,
                                  std::span<const TPorts> ports) {
  return std::make_unique<Batch>(devices, ports);
}
