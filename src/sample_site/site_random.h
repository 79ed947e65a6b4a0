#pragma once
// Deterministic numbers for the generated site: every value is a pure
// function of the seed and the item's coordinates, so any page can be built
// alone, in any order, and comes out the same every time.
#include <cstddef>
#include <cstdint>

namespace lv::site {

inline std::uint64_t mix64(std::uint64_t x) {
  // splitmix64 finaliser: cheap and well spread
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

inline std::uint64_t hash_of(std::uint64_t a, std::uint64_t b = 0, std::uint64_t c = 0,
                             std::uint64_t d = 0) {
  return mix64(mix64(mix64(mix64(a) ^ b) ^ c) ^ d);
}

// A small stream of numbers started from a hash.
class Stream final {
 public:
  explicit Stream(std::uint64_t start) : state_(start) {}
  std::uint64_t next() { return mix64(state_++); }
  // 0 .. n-1 (n > 0)
  std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
  int range(int lo, int hi) {  // lo .. hi inclusive
    return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
  }
  bool chance(int percent) { return static_cast<int>(next() % 100) < percent; }

 private:
  std::uint64_t state_;
};

}  // namespace lv::site
