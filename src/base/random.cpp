#include "base/random.h"

#include <atomic>
#include <chrono>
#include <climits>
#include <utility>

namespace lv::base {
namespace {

thread_local std::uint32_t state = 1;
std::atomic<std::uint32_t> seed_counter{0};

int draw() {
  state = state * 214013u + 2531011u;
  return static_cast<int>((state >> 16) & 0x7FFF);
}

// Milliseconds since an arbitrary fixed point (boot), wrapping at 32 bits.
std::uint32_t tick_ms() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

void random_seed(std::optional<std::uint32_t> seed) {
  if (seed) {
    state = *seed;
  } else {
    random_seed_from_tick(tick_ms());
  }
}

void random_seed_from_tick(std::uint32_t tick) {
  // The counter moves on by at least 100 at every seeding, so two seedings
  // within one tick get different states; the update is one atomic step.
  std::uint32_t g = seed_counter.load(std::memory_order_relaxed);
  std::uint32_t next;
  do {
    next = g + ((tick + g) & 0xFFu) + 100u;
  } while (!seed_counter.compare_exchange_weak(g, next, std::memory_order_relaxed));
  state = tick + g;
}

std::uint32_t random_state() { return state; }

int random_int(std::optional<int> min, std::optional<int> max) {
  int lo = min.value_or(0);
  int hi = max.value_or(INT_MAX);
  if (lo < 0) lo = 0;
  if (hi < 0) hi = 0;
  if (lo > hi) std::swap(lo, hi);
  if (lo == hi) return lo;
  long long span = static_cast<long long>(hi) - lo;
  if (span > 2147483646) span = 2147483646;
  return lo + static_cast<int>(draw() % (span + 1));
}

}  // namespace lv::base
