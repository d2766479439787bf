#include <vector>

#include "devices/kernels.h"
#include "devices/vocoder.h"

namespace {
// Each Vocoder over the whole sub-block at once.
class TVocoderBatch final : public TBatch {
 public:
  TVocoderBatch(std::span<NTDevWin* const> devices, std::span<const TPorts> ports) {
    for (size_t i = 0; i < devices.size(); ++i)
      vocoders_.push_back({static_cast<NTVocoder*>(devices[i]), ports[i].In[NTVocoder::kIn],
                           ports[i].Out[NTVocoder::kOut]});
  }
  void Run(const TSubBlock& b) noexcept override {
    for (const Vocoder& v : vocoders_) v.device->MixBlock(b.Row(v.in), b.Publish(v.out), b.Frames);
  }

 private:
  struct Vocoder {
    NTVocoder* device;
    int32_t in, out;
  };
  std::vector<Vocoder> vocoders_;
};
}  // namespace

const TKernel& VocoderKernel() {
  static const TKernel k{.Make = MakeBatch<TVocoderBatch>};
  return k;
}
