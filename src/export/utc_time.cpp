#include "export/utc_time.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace lv::exporting {

UtcTime utc_time(std::int64_t seconds) {
  constexpr std::int64_t kLast = 253402300799;  // 9999-12-31T23:59:59Z
  seconds = std::clamp<std::int64_t>(seconds, 0, kLast);
  const std::int64_t days = seconds / 86400;
  const std::int64_t in_day = seconds % 86400;
  const std::chrono::year_month_day date{
      std::chrono::sys_days{std::chrono::days{static_cast<int>(days)}}};
  UtcTime t;
  t.year = static_cast<int>(date.year());
  t.month = static_cast<int>(static_cast<unsigned>(date.month()));
  t.day = static_cast<int>(static_cast<unsigned>(date.day()));
  t.hour = static_cast<int>(in_day / 3600);
  t.minute = static_cast<int>(in_day % 3600 / 60);
  t.second = static_cast<int>(in_day % 60);
  return t;
}

std::string utc_time_text(const UtcTime& t) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return buffer;
}

}  // namespace lv::exporting
