#include "ElapsedTime.h"

#include <array>
#include <charconv>
#include <cmath>

#include "FileError.h"
#include "StartFile.h"

namespace timing {

double SecondsOfDay(double hour, double minute, double second, double millisecond) {
  double t = hour * 3600;
  t = minute * 60 + t;
  t = second + t;
  t = millisecond / 1000 + t;
  return t;
}

double SecondsOfDay(const SYSTEMTIME& time) {
  return SecondsOfDay(time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
}

double ElapsedSeconds(double startTime, double endTime) {
  double d = endTime - startTime;
  // The stamps hold a time of day and no date. A negative difference means that the run passed
  // midnight UTC, and without this day added such a run would show its length minus 86400 s.
  // (A clock set back between the two readings lands here too and shows a day less the step.)
  if (d < 0) d += 86400;
  return d;
}

std::string FormatElapsed(double seconds, std::string_view decimalSeparator) {
  // The widest finite double has 309 digits before the point.
  std::array<char, 320> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), seconds,
                                    std::chars_format::fixed, 3);
  std::string digits(buffer.data(), result.ptr);
  // A value that rounds to zero is shown without a sign.
  if (digits.front() == '-' && digits.find_first_not_of("-0.") == std::string::npos)
    digits.erase(0, 1);
  const std::size_t point = digits.find('.');
  return digits.substr(0, point) + std::string(decimalSeparator) + digits.substr(point + 1) +
         " Sek.";
}

std::string ElapsedText(const std::filesystem::path& folder, const Clock& clock,
                        std::string_view decimalSeparator) {
  const StartStamp stamp = ReadStartStamp(folder, decimalSeparator);
  const auto& [hour, minute, second, millisecond] = stamp.Values;
  const double startTime = SecondsOfDay(hour, minute, second, millisecond);
  const double endTime = SecondsOfDay(clock());
  const double elapsed = ElapsedSeconds(startTime, endTime);
  if (!std::isfinite(elapsed)) {
    throw kit::FileError("Die Zahlen in der Datei " + stamp.ShownName +
                         " sind zu groß für eine Uhrzeit. " + std::string(RunStartFirst));
  }
  return FormatElapsed(elapsed, decimalSeparator);
}

}  // namespace timing
