#pragma once
// The program's own pseudo-random generator: one state per thread.
#include <cstdint>
#include <optional>

namespace lv::base {

// With a seed the state becomes the seed; without one it is seeded from the
// millisecond tick plus a process-wide counter, so two seedings within one
// millisecond still differ.
void random_seed(std::optional<std::uint32_t> seed = std::nullopt);
int random_int(std::optional<int> min = std::nullopt, std::optional<int> max = std::nullopt);

// For tests: the time-based seeding with a given tick, and the state now.
void random_seed_from_tick(std::uint32_t tick);
std::uint32_t random_state();

}  // namespace lv::base
