#include <vector>

#include "devices/io.h"
#include "devices/kernels.h"

namespace {
// Inputs publish twice the sound card's samples.
class TInputBatch final : public TBatch {
 public:
  TInputBatch(std::span<NTDevWin* const>, std::span<const TPorts> ports) {
    for (const TPorts& p : ports)
      outs_.push_back({p.Out[NTInput::kLeftOut], p.Out[NTInput::kRightOut]});
  }
  void Run(const TSubBlock& b) noexcept override {
    // Locals: the stores could otherwise change b's fields as far as the compiler knows.
    const int frames = b.Frames;
    const int16_t* in = b.In;
    for (const auto& [l, r] : outs_) {
      int32_t* left = b.Publish(l);
      int32_t* right = b.Publish(r);
      for (int f = 0; f < frames; ++f) {
        left[f] = 2 * in[2 * f];
        right[f] = 2 * in[2 * f + 1];
      }
    }
  }

 private:
  std::vector<std::pair<int32_t, int32_t>> outs_;
};

// Of several Outputs, the last one in the list with a channel connected writes that channel.
class TOutputBatch final : public TBatch {
 public:
  TOutputBatch(std::span<NTDevWin* const>, std::span<const TPorts> ports) {
    for (const TPorts& p : ports)
      for (int ch = 0; ch < 2; ++ch)
        if (const int32_t s = p.In[NTOutput::kFirstIn + size_t(ch)]) source_[ch] = s;
  }
  void Run(const TSubBlock& b) noexcept override {
    for (int ch = 0; ch < 2; ++ch) {
      if (!source_[ch]) continue;
      const int32_t* v = b.Row(source_[ch]);
      for (int f = 0; f < b.Frames; ++f) b.Out[2 * f + ch] = int16_t(NTOutput::ToSample(v[f]));
    }
  }

 private:
  int32_t source_[2] = {0, 0};
};
}  // namespace

const TKernel& InputKernel() {
  static const TKernel k{.Make = MakeBatch<TInputBatch>, .Inputs = TKernel::Latch::None};
  return k;
}

const TKernel& OutputKernel() {
  static const TKernel k{
      .Make = MakeBatch<TOutputBatch>, .Inputs = TKernel::Latch::None, .Sink = true};
  return k;
}
