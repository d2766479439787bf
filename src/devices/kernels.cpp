#include "devices/kernels.h"

const TKernel* DeviceKernel(int32_t type) {
  switch (type) {
    case 1:
      return &OutputKernel();
    case 2:
      return &InputKernel();
    case 3:
      return &VcoKernel();
    case 7:
      return &FilterKernel();
    case 8:
      return &MixerKernel();
    case 12:
      return &VocoderKernel();
    default:
      return nullptr;
  }
}
