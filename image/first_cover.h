#pragma once
// Which interval of a list, in list order, is the first to cover a point. Built
// once in near-linear time so that lookups over thousands of section headers
// (a hostile file may have 65,535) stay cheap.

#include <cstdint>
#include <vector>

namespace kestrivo {

struct HalfOpen {
  int64_t start, end;  // [start, end); empty when end <= start
};

class FirstCover {
 public:
  explicit FirstCover(const std::vector<HalfOpen>& intervals);

  struct Hit {
    int32_t index;     // first covering interval, or -1
    int64_t pieceEnd;  // the answer holds for points up to (not including) this
  };
  Hit Find(int64_t point) const;

 private:
  std::vector<int64_t> starts_;  // sorted starts of the elementary pieces
  std::vector<int32_t> owner_;   // first covering interval of each piece, or -1
};

}  // namespace kestrivo
