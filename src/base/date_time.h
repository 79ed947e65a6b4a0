#pragma once
#include <ctime>

namespace lv::base {

// A local date and time of day in whole seconds. Years are 100 to 9999.
struct DateTime {
  int year = 100, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

DateTime current_time();
DateTime date_time_from_local(std::time_t t);

}  // namespace lv::base
