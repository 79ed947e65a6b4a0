#include "app/worker.h"

#include <system_error>
#include <thread>

namespace lv::app {

bool start_worker(std::function<void()> routine) {
  try {
    std::thread(std::move(routine)).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace lv::app
