#pragma once
#include <span>
#include <unordered_set>
#include <vector>

class NTDevWin;

// The selected devices: view state, never saved and never undone.
class TSelection {
 public:
  bool Contains(const NTDevWin* d) const { return set_.contains(d); }
  bool Empty() const { return set_.empty(); }
  size_t Size() const { return set_.size(); }
  void Add(NTDevWin* d) { set_.insert(d); }
  void Remove(const NTDevWin* d) { set_.erase(d); }
  void Toggle(NTDevWin* d) {
    if (!set_.erase(d)) set_.insert(d);
  }
  void Clear() { set_.clear(); }
  // The selected ones of list, in its order.
  std::vector<NTDevWin*> InOrder(std::span<NTDevWin* const> list) const;

 private:
  std::unordered_set<const NTDevWin*> set_;
};
