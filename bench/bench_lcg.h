#pragma once
// A 64-bit linear congruential generator (Knuth's MMIX constants) for benchmark
// data: the same numbers on every platform and run. Only the high bits are used.
#include <cstdint>

namespace takeoff::bench {

class Lcg {
public:
  explicit Lcg(std::uint64_t seed) : state_(seed) {}

  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  // 0 .. n-1 (n small, so the bias of % does not matter here).
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }
  // lo .. hi inclusive.
  std::uint32_t Between(std::uint32_t lo, std::uint32_t hi) { return lo + Below(hi - lo + 1); }
  bool Chance(std::uint32_t percent) { return Below(100) < percent; }

private:
  std::uint64_t state_;
};

}  // namespace takeoff::bench
