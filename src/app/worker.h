#pragma once
// Worker threads: started, never joined; they end with the process.
#include <functional>

namespace lv::app {

// Runs `routine` on a new detached thread. Returns false if no thread could
// be started (the routine then does not run).
bool start_worker(std::function<void()> routine);

}  // namespace lv::app
