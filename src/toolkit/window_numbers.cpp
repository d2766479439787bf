#include "toolkit/window_numbers.h"

#include <algorithm>

#include "toolkit/ntwin.h"

namespace {
std::vector<NTWin*> ChildrenOf(NTWin* w) {
  std::vector<NTWin*> children;
  for (NTWin* c = w->FirstChild; c; c = c->Next) children.push_back(c);
  return children;
}
}  // namespace

TWindowNumbers::TWindowNumbers(NTWin* root) : TWindowNumbers(root, ChildrenOf(root)) {}

TWindowNumbers::TWindowNumbers(NTWin* root, std::span<NTWin* const> children)
    : windowOf_{nullptr, root} {
  // An explicit stack: the tree is shallow but may be very wide.
  std::vector<NTWin*> stack(children.rbegin(), children.rend());
  while (!stack.empty()) {
    NTWin* w = stack.back();
    stack.pop_back();
    windowOf_.push_back(w);
    const size_t mark = stack.size();
    for (NTWin* c = w->FirstChild; c; c = c->Next) stack.push_back(c);
    std::reverse(stack.begin() + std::ptrdiff_t(mark), stack.end());
  }
  numberOf_.reserve(windowOf_.size());
  for (size_t n = 1; n < windowOf_.size(); ++n) numberOf_.emplace(windowOf_[n], int32_t(n));
}

int32_t TWindowNumbers::NumberOf(const NTWin* w) const {
  const auto it = numberOf_.find(w);
  return it == numberOf_.end() ? 0 : it->second;
}

NTWin* TWindowNumbers::WindowOf(int32_t number) const {
  return number > 0 && size_t(number) < windowOf_.size() ? windowOf_[size_t(number)] : nullptr;
}
