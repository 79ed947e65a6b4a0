#pragma once
// Calendar fields of a moment given in seconds since 1970 (UTC), without the
// C library's time-zone state, so an export reads the same in every zone.
#include <cstdint>
#include <string>

namespace lv::exporting {

struct UtcTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// Clamped to years 1970 to 9999.
UtcTime utc_time(std::int64_t seconds);

// "CCYY-MM-DDThh:mm:ssZ", the form the package's modification date takes.
std::string utc_time_text(const UtcTime& t);

}  // namespace lv::exporting
