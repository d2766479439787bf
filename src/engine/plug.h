#pragma once
#include <atomic>
#include <cstdint>

#include "engine/canvas.h"
#include "platform/relaxed.h"
#include "toolkit/bmpwin.h"
#include "toolkit/statics.h"

class NTDevWin;

// A connector: a 16 x 16 jack with its caption; two clicks on connectors make a connection.
class NTPlug : public NTBmpWin {
 public:
  NTPlug(TCanvas* canvas, NTDevWin* parent, int bitmap, const char* label);
  ~NTPlug() override;
  int LButtonDown(Point pt) override;
  // The centre of the 16 x 16 jack, where wires end.
  Point Centre() const;

  TCanvas* Canvas;
  NTStaticCtrlName Caption;

  // Ends the canvas's pending connection, completed or not: removes the first connector's focus
  // rectangle and returns to idle.
  static void EndPending(TCanvas& canvas);
};

class NTPlugOut : public NTPlug {
 public:
  NTPlugOut(TCanvas* canvas, NTDevWin* parent, int bitmap, const char* label);
  void Read(ipstream& is) override;
  void Write(opstream& os) override;

  Relaxed<int32_t> Value;
};

// An input's source. Every change also moves one process-wide count on, so the audio thread sees
// in a single load that no connection changed since it last compared them all.
class TSourceLink {
 public:
  TSourceLink() = default;
  TSourceLink(const TSourceLink&) = delete;
  TSourceLink& operator=(const TSourceLink&) = delete;

  NTPlugOut* Get() const noexcept { return source_.Get(); }
  operator NTPlugOut*() const noexcept { return Get(); }
  TSourceLink& operator=(NTPlugOut* source) noexcept {
    source_ = source;
    changes_.fetch_add(1, std::memory_order_release);
    return *this;
  }
  // How many changes all inputs have seen; a change's new source is visible to whoever reads
  // the count after it.
  static uint64_t Changes() noexcept { return changes_.load(std::memory_order_acquire); }

 private:
  Relaxed<NTPlugOut*> source_{nullptr};
  static inline std::atomic<uint64_t> changes_{0};
};

class NTPlugIn : public NTPlug {
 public:
  NTPlugIn(TCanvas* canvas, NTDevWin* parent, int bitmap, const char* label);
  void PaintWires(Dc& dc) override;
  void Read(ipstream& is) override;
  void Write(opstream& os) override;
  void Forget(NTWin* dying) override;

  // The source's value, or fallback when unconnected (audio thread).
  int32_t SourceValue(int32_t fallback = 0) const noexcept {
    const NTPlugOut* s = Source;
    return s ? s->Value.Get() : fallback;
  }
  // Latches the source's value into Value (0 when unconnected) and returns it.
  int32_t Latch() noexcept {
    const int32_t v = SourceValue();
    Value = v;
    return v;
  }

  // The rectangle the wire covers; empty when there is no wire to show.
  Rect WireRect() const;

  TSourceLink Source;
  Relaxed<int32_t> Value;
};
