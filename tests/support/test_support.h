#pragma once
// Helpers shared by the test programs.
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace lv::test {

// Waits until `done` holds or `limit` passes; tests wait on conditions, not sleeps.
inline bool wait_until(const std::function<bool()>& done,
                       std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Builds a byte string from a list of byte values (GBK literals written as hex).
inline std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

}  // namespace lv::test
