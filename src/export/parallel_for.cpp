#include "export/parallel_for.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace lv::exporting {

void parallel_for(std::size_t count, const std::function<void(std::size_t)>& work) {
  constexpr std::size_t kMaxThreads = 8;  // past this, writing the file is the longer part
  const std::size_t threads =
      std::min({static_cast<std::size_t>(std::max(1u, std::thread::hardware_concurrency())), kMaxThreads, count});
  if (threads <= 1) {
    for (std::size_t i = 0; i < count; ++i) work(i);
    return;
  }
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex failure_lock;
  std::exception_ptr failure;
  const auto run = [&] {
    for (std::size_t i = next++; i < count && !failed; i = next++) {
      try {
        work(i);
      } catch (...) {
        const std::lock_guard lock(failure_lock);
        if (!failure) failure = std::current_exception();
        failed = true;
      }
    }
  };
  {
    std::vector<std::jthread> helpers;
    helpers.reserve(threads - 1);
    for (std::size_t t = 1; t < threads; ++t) {
      try {
        helpers.emplace_back(run);
      } catch (const std::system_error&) {
        break;  // no more threads to be had: those started and this one do the rest
      }
    }
    run();
  }  // joined here
  if (failure) std::rethrow_exception(failure);
}

}  // namespace lv::exporting
