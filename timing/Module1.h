// The clock both timing programs read: the current UTC time of day to the millisecond.
#pragma once

#include <cstdint>
#include <functional>

namespace timing {

// One clock reading, field for field as the platform record of that name. The programs use only
// the time of day, wHour to wMilliseconds.
struct SYSTEMTIME {
  std::uint16_t wYear;
  std::uint16_t wMonth;      // 1-12
  std::uint16_t wDayOfWeek;  // 0 = Sunday
  std::uint16_t wDay;        // 1-31
  std::uint16_t wHour;       // 0-23
  std::uint16_t wMinute;     // 0-59
  std::uint16_t wSecond;     // 0-59
  std::uint16_t wMilliseconds;
};

// Reads the system clock in UTC, so that neither the time zone nor a change to or from
// daylight-saving time between Start and Ende moves the measured time.
SYSTEMTIME GetSystemTime();

// Where the programs take the time from; tests pass a clock they set themselves.
using Clock = std::function<SYSTEMTIME()>;

}  // namespace timing
