// Start.txt, the stamp that Start writes and Ende reads: the UTC hour, minute, second and
// millisecond, one to a line, each as a space, the shortest decimal digits, a space and CR LF.
// At 14:03:07.045 that is " 14 \r\n 3 \r\n 7 \r\n 45 \r\n"; a stamp is 20 to 25 bytes long.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

#include "Module1.h"
#include "TextFiles.h"

namespace timing {

inline constexpr std::string_view StartFileName = "Start.txt";

// The longest line of a stamp file that is read, without its line end. A stamp's lines are 4 to
// 7 bytes; numbers of a few hundred digits still reach the parser, which refuses them by range.
inline constexpr std::size_t MaxStartLine = 1024;

// Writes the four lines of the time of day in `time` to `out`.
void WriteStartStamp(kit::TextSink& out, const SYSTEMTIME& time);

// Start's whole run in `folder`: creates Start.txt, then reads `clock` once and writes the stamp.
// An earlier Start.txt is replaced only by a complete new one. Returns the exit status: 0, or 1
// after one German message on `errors` that names the file and its folder.
int RunStart(const std::filesystem::path& folder, const Clock& clock, std::ostream& errors);

// The first four lines of a stamp file as numbers: hour, minute, second, millisecond, and the
// file's path as messages show it.
struct StartStamp {
  std::array<double, 4> Values;
  std::string ShownName;
};

// Reads Start.txt in `folder`, found whatever the case of its name. Spaces (0x20) around a number
// are dropped; what remains must be an optionally signed decimal number whose fraction, if any,
// follows `decimalSeparator`. Lines after the fourth are not read, and values are not limited to
// their ranges. Throws kit::FileError with a German message that says what is wrong and that Start
// has to run first; its Line is the 1-based line at fault, or 0.
StartStamp ReadStartStamp(const std::filesystem::path& folder, std::string_view decimalSeparator);

// What every message about a missing or damaged Start.txt ends with.
inline constexpr std::string_view RunStartFirst =
    "Zuerst muss Start laufen und die Startzeit in Start.txt schreiben.";

}  // namespace timing
