#include "app/selection.h"

std::vector<NTDevWin*> TSelection::InOrder(std::span<NTDevWin* const> list) const {
  std::vector<NTDevWin*> chosen;
  for (NTDevWin* d : list)
    if (Contains(d)) chosen.push_back(d);
  return chosen;
}
