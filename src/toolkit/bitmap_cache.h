#pragma once
#include <array>
#include <memory>

#include "platform/art.h"

// One shared bitmap per resource number with a use count: drawn when first asked for while
// acquired, freed when the count drops to zero. Window thread only.
class TBitmapCache {
 public:
  void Acquire(int resource);
  void Release(int resource);
  // The bitmap of a number, or an empty surface when it is not held.
  const Surface& Get(int resource) const;
  int UseCount(int resource) const;

 private:
  struct Entry {
    std::unique_ptr<Surface> bitmap;  // null until first drawn
    int uses = 0;
  };
  static bool Valid(int resource) { return resource >= 0 && resource < bmp::kCount; }
  mutable std::array<Entry, bmp::kCount> entries_;
};
