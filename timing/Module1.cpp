#include "Module1.h"

#include <ctime>

namespace timing {
namespace {

std::uint16_t Field(long value) {
  return static_cast<std::uint16_t>(value);
}

}  // namespace

SYSTEMTIME GetSystemTime() {
  std::timespec now{};
  std::timespec_get(&now, TIME_UTC);
  std::tm utc{};
  ::gmtime_r(&now.tv_sec, &utc);
  return SYSTEMTIME{Field(utc.tm_year + 1900L), Field(utc.tm_mon + 1L),       Field(utc.tm_wday),
                    Field(utc.tm_mday),         Field(utc.tm_hour),           Field(utc.tm_min),
                    Field(utc.tm_sec),          Field(now.tv_nsec / 1000000L)};
}

}  // namespace timing
