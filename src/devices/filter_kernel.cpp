#include <algorithm>
#include <vector>

#include "devices/filter.h"
#include "devices/kernels.h"
#include "devices/lanes.h"

// Filters side by side, four to a vector; each lane runs its filter's own difference equation in
// its order, so a lane's values are the device's. The frames go outermost: the groups of one
// frame are independent, so their chains of multiply-adds overlap.
class TFilterBatch final : public TBatch {
 public:
  TFilterBatch(std::span<NTDevWin* const> devices, std::span<const TPorts> ports) {
    groups_.resize((devices.size() + 3) / 4);
    for (size_t i = 0; i < devices.size(); ++i)
      groups_[i / 4].lane[i % 4] = {static_cast<NTFilter*>(devices[i]), ports[i].In[0],
                                    ports[i].Out[0]};
  }

  void Run(const TSubBlock& b) noexcept override {
    for (Group& g : groups_) g.Load(b, spare_);
    Steps(groups_.data(), groups_.size(), b.Frames);
    for (Group& g : groups_) g.Store();
  }

 private:
  struct Lane {
    NTFilter* device = nullptr;  // null: a spare lane, silent
    int32_t in = 0, out = 0;
  };
  struct Group {
    alignas(32) double b0[4]{}, b1[4]{}, b2[4]{}, a1[4]{}, a2[4]{};
    alignas(32) double x1[4]{}, x2[4]{}, y1[4]{}, y2[4]{};
    const int32_t* in[4]{};
    int32_t* out[4]{};
    Lane lane[4];

    void Load(const TSubBlock& b, int32_t* spare) noexcept {
      for (int k = 0; k < 4; ++k) {
        NTFilter* d = lane[k].device;
        in[k] = b.Row(lane[k].in);
        out[k] = d ? b.Publish(lane[k].out) : spare;
        if (!d) continue;
        const TBiquad& c = d->coefs_.Latest();
        b0[k] = c.b0, b1[k] = c.b1, b2[k] = c.b2, a1[k] = c.a1, a2[k] = c.a2;
        const TBiquadHistory& h = d->history_;
        x1[k] = h.x1, x2[k] = h.x2, y1[k] = h.y1, y2[k] = h.y2;
      }
    }
    void Store() const noexcept {
      for (int k = 0; k < 4; ++k)
        if (NTFilter* d = lane[k].device) d->history_ = {x1[k], x2[k], y1[k], y2[k]};
    }
  };

  QUARVIN_LANES static void Steps(Group* groups, size_t count, int frames) noexcept {
    for (int f = 0; f < frames; ++f)
      for (size_t i = 0; i < count; ++i) {
        Group& g = groups[i];
        const V4 x = {double(g.in[0][f]), double(g.in[1][f]), double(g.in[2][f]),
                      double(g.in[3][f])};
        V4 b0, b1, b2, a1, a2, x1, x2, y1, y2;
        Load(b0, g.b0), Load(b1, g.b1), Load(b2, g.b2), Load(a1, g.a1), Load(a2, g.a2);
        Load(x1, g.x1), Load(x2, g.x2), Load(y1, g.y1), Load(y2, g.y2);
        const V4 y = b0 * x + b1 * x1 + b2 * x2 + a1 * y1 + a2 * y2;
        Store(g.x2, x1), Store(g.x1, x), Store(g.y2, y1), Store(g.y1, y);
        I4 out;
        TruncLanes(out, y);
        for (int k = 0; k < 4; ++k) g.out[k][f] = out[k];
      }
  }

  std::vector<Group> groups_;
  int32_t spare_[THistories::kFrames];
};

const TKernel& FilterKernel() {
  static const TKernel k{MakeBatch<TFilterBatch>};
  return k;
}
