// Ende's computation: the seconds between the stamp in Start.txt and a second clock reading, as
// text with three decimals and " Sek.".
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "Module1.h"

namespace timing {

// Seconds since midnight, summed in this order in double precision: whole hours, minutes and
// seconds first, so that the sum is exact, then the milliseconds as a fraction, so that the time
// is rounded once. The difference of two such times then shows the exact milliseconds.
double SecondsOfDay(double hour, double minute, double second, double millisecond);
double SecondsOfDay(const SYSTEMTIME& time);

// endTime - startTime for two times of day, in [0, 86400) for any two stamps of the clock.
double ElapsedSeconds(double startTime, double endTime);

// `seconds` rounded to three decimals, at least one digit before `decimalSeparator`, no digit
// grouping, a minus sign only if the rounded value is below zero, then " Sek.".
std::string FormatElapsed(double seconds, std::string_view decimalSeparator);

// Ende's work in `folder`: reads Start.txt, then reads `clock` once and returns the text to show.
// Throws kit::FileError (see ReadStartStamp), also when the numbers are too large to add up.
std::string ElapsedText(const std::filesystem::path& folder, const Clock& clock,
                        std::string_view decimalSeparator);

}  // namespace timing
