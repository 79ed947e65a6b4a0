#pragma once
// The per-thread hook that a waiting download or page fetch calls to let the
// thread's pending events run. The window layer installs it on its thread;
// a thread without one just blocks.
#include <functional>

namespace lv::net {

// The pump runs pending events and returns whether any ran.
using EventPump = std::function<bool()>;

void set_thread_event_pump(EventPump pump);   // empty function removes it
bool has_thread_event_pump();
bool pump_thread_events();                    // false when there is no pump

}  // namespace lv::net
