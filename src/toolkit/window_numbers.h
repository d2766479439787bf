#pragma once
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

class NTWin;

// The numbers a patch file gives windows: pre-order over the tree, root = 1. Built once for a
// whole save or load, so that each of the many look-ups costs constant time.
class TWindowNumbers {
 public:
  explicit TWindowNumbers(NTWin* root);
  // The numbers of a patch whose root had only these of its children (a part of a patch copied
  // on its own).
  TWindowNumbers(NTWin* root, std::span<NTWin* const> children);

  // 0 for a window outside the tree.
  int32_t NumberOf(const NTWin* w) const;
  // Null for a number no window has.
  NTWin* WindowOf(int32_t number) const;

 private:
  std::vector<NTWin*> windowOf_;  // index 0 is unused
  std::unordered_map<const NTWin*, int32_t> numberOf_;
};
