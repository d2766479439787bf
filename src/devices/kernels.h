#pragma once
#include <cstdint>

#include "engine/schedule.h"

// The batch kernels of the compiled schedule, one file each; the registry names each type's.
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
