#include "toolkit/bitmap_cache.h"

void TBitmapCache::Acquire(int resource) {
  if (!Valid(resource)) return;
  Entry& e = entries_[size_t(resource)];
  if (e.uses == 0) e.bitmap = std::make_unique<Surface>(MakeBitmap(resource));
  ++e.uses;
}

void TBitmapCache::Release(int resource) {
  if (!Valid(resource)) return;
  Entry& e = entries_[size_t(resource)];
  if (e.uses == 0) return;
  if (--e.uses == 0) e.bitmap.reset();
}

const Surface& TBitmapCache::Get(int resource) const {
  static const Surface none;
  if (!Valid(resource) || !entries_[size_t(resource)].bitmap) return none;
  return *entries_[size_t(resource)].bitmap;
}

int TBitmapCache::UseCount(int resource) const {
  return Valid(resource) ? entries_[size_t(resource)].uses : 0;
}
