#include "toolkit/bitmap_cache.h"

void TBitmapCache::Acquire(int resource) {
  if (!Valid(resource)) return;
  ++entries_[size_t(resource)].uses;
}

void TBitmapCache::Release(int resource) {
  if (!Valid(resource)) return;
  Entry& e = entries_[size_t(resource)];
  if (e.uses == 0) return;
  if (--e.uses == 0) e.bitmap.reset();
}

// Drawn on first use: a patch that is only run (the render tool without a picture) never needs
// its art.
const Surface& TBitmapCache::Get(int resource) const {
  static const Surface none;
  if (!Valid(resource) || entries_[size_t(resource)].uses == 0) return none;
  Entry& e = entries_[size_t(resource)];
  if (!e.bitmap) e.bitmap = std::make_unique<Surface>(MakeBitmap(resource));
  return *e.bitmap;
}

int TBitmapCache::UseCount(int resource) const {
  return Valid(resource) ? entries_[size_t(resource)].uses : 0;
}
