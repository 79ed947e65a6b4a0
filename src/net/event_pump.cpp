#include "net/event_pump.h"

#include <utility>

namespace lv::net {
namespace {
thread_local EventPump t_pump;
}

void set_thread_event_pump(EventPump pump) { t_pump = std::move(pump); }

bool has_thread_event_pump() { return static_cast<bool>(t_pump); }

bool pump_thread_events() {
  if (!t_pump) return false;
  // A copy, so a handler that replaces the pump does not destroy the running one.
  const EventPump pump = t_pump;
  return pump();
}

}  // namespace lv::net
