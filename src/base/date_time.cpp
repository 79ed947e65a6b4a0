#include "base/date_time.h"

#include <chrono>

namespace lv::base {

DateTime date_time_from_local(std::time_t t) {
  static constexpr DateTime kFirst{100, 1, 1, 0, 0, 0};
  static constexpr DateTime kLast{9999, 12, 31, 23, 59, 59};
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return t < 0 ? kFirst : kLast;
  const long long year = static_cast<long long>(local.tm_year) + 1900;
  if (year < 100) return kFirst;
  if (year > 9999) return kLast;
  // A leap second (tm_sec 60) is shown as the last second of its minute.
  return DateTime{static_cast<int>(year), local.tm_mon + 1, local.tm_mday,
                  local.tm_hour,         local.tm_min,     local.tm_sec > 59 ? 59 : local.tm_sec};
}

DateTime current_time() {
  return date_time_from_local(std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()));
}

}  // namespace lv::base
