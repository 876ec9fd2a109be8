#include "image/first_cover.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace kestrivo {

FirstCover::FirstCover(const std::vector<HalfOpen>& intervals) {
  for (const HalfOpen& r : intervals) {
    if (r.end <= r.start) continue;
    starts_.push_back(r.start);
    starts_.push_back(r.end);
  }
  std::sort(starts_.begin(), starts_.end());
  starts_.erase(std::unique(starts_.begin(), starts_.end()), starts_.end());
  owner_.assign(starts_.size(), -1);

  // Intervals in list order claim the pieces no earlier interval claimed;
  // `next` jumps over claimed pieces (union-find with path halving).
  std::vector<size_t> next(starts_.size() + 1);
  std::iota(next.begin(), next.end(), 0);
  auto unclaimed = [&next](size_t i) {
    while (next[i] != i) i = next[i] = next[next[i]];
    return i;
  };
  for (size_t k = 0; k < intervals.size(); ++k) {
    const HalfOpen& r = intervals[k];
    if (r.end <= r.start) continue;
    const size_t first = std::lower_bound(starts_.begin(), starts_.end(), r.start) - starts_.begin();
    const size_t last = std::lower_bound(starts_.begin(), starts_.end(), r.end) - starts_.begin();
    for (size_t i = unclaimed(first); i < last; i = unclaimed(i)) {
      owner_[i] = static_cast<int32_t>(k);
      next[i] = i + 1;
    }
  }
}

FirstCover::Hit FirstCover::Find(int64_t point) const {
  auto it = std::upper_bound(starts_.begin(), starts_.end(), point);
  const int64_t pieceEnd = it == starts_.end() ? std::numeric_limits<int64_t>::max() : *it;
  if (it == starts_.begin()) return {-1, pieceEnd};
  return {owner_[(it - starts_.begin()) - 1], pieceEnd};
}

}  // namespace kestrivo
