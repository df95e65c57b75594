#include "StartFile.h"

#include <charconv>
#include <optional>
#include <string>
#include <system_error>

#include "FileError.h"
#include "FileNames.h"

namespace timing {
namespace {

constexpr std::array<const char*, 4> FieldNames = {"Stunde", "Minute", "Sekunde", "Millisekunde"};

void WriteNumberLine(kit::TextSink& out, std::uint16_t value) {
  // The space in front stands where a minus sign would go; every number is followed by a space.
  out.Write(" ");
  out.Write(std::to_string(static_cast<std::int16_t>(value)));
  out.WriteLine(" ");
}

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

enum class Parsed { Number, NotANumber, OutOfRange };

// [+|-] digits [separator digits], with at least one digit in all.
Parsed ParseDecimal(std::string_view text, std::string_view separator, double& value) {
  std::string plain;  // the same number as from_chars reads it: '.' before the fraction
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') plain += '-';
    ++i;
  }
  std::size_t digits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) plain += text[i];
  if (!separator.empty() && text.substr(i, separator.size()) == separator) {
    plain += '.';
    for (i += separator.size(); i < text.size() && IsDigit(text[i]); ++i, ++digits)
      plain += text[i];
  }
  if (digits == 0 || i != text.size()) return Parsed::NotANumber;
  const auto [end, error] =
      std::from_chars(plain.data(), plain.data() + plain.size(), value, std::chars_format::fixed);
  if (error == std::errc::result_out_of_range) return Parsed::OutOfRange;
  return error == std::errc() && end == plain.data() + plain.size() ? Parsed::Number
                                                                    : Parsed::NotANumber;
}

// A line as a message quotes it: long lines are cut.
// A line as a message quotes it: bytes that could not be seen or would end the message early
// (a NUL) are named by their value.
std::string Quoted(std::string_view line) {
  constexpr std::size_t Longest = 40;
  if (line.size() <= Longest) return "„" + kit::VisibleBytes(line) + "“";
  return "„" + kit::VisibleBytes(line.substr(0, Longest)) + "…“";
}

[[noreturn]] void Fail(const std::string& what, long long line = 0) {
  throw kit::FileError(what + " " + std::string(RunStartFirst), 0, line);
}

}  // namespace

void WriteStartStamp(kit::TextSink& out, const SYSTEMTIME& time) {
  WriteNumberLine(out, time.wHour);
  WriteNumberLine(out, time.wMinute);
  WriteNumberLine(out, time.wSecond);
  WriteNumberLine(out, time.wMilliseconds);
}

int RunStart(const std::filesystem::path& folder, const Clock& clock, std::ostream& errors) {
  const std::filesystem::path target = folder / StartFileName;
  try {
    // The file exists before the clock is read, so its creation is not part of the measured run.
    kit::ReplacingFile file(target, kit::ShownPath(target));
    WriteStartStamp(file, clock());
    file.Commit();
    return 0;
  } catch (const kit::FileError& e) {
    errors << "Start: " << e.what() << " Es wurde keine neue Startzeit festgehalten.\n";
    return 1;
  }
}

StartStamp ReadStartStamp(const std::filesystem::path& folder, std::string_view decimalSeparator) {
  const std::optional<std::filesystem::path> path =
      kit::FindFileIgnoringCase(folder, StartFileName);
  if (!path) {
    Fail("Die Datei " + std::string(StartFileName) + " fehlt im Ordner " + kit::ShownPath(folder) +
         ".");
  }
  const std::string shown = kit::ShownPath(*path);
  // Errors of the file system itself (no permission, a read error) get the same hint.
  auto reading = [](auto read) {
    try {
      return read();
    } catch (const kit::FileError& e) {
      Fail(e.what());
    }
  };
  std::optional<kit::LineReader> reader;
  reading([&] {
    reader.emplace(*path, shown, MaxStartLine);
    return true;
  });
  StartStamp stamp{{}, shown};
  std::array<double, 4>& values = stamp.Values;
  std::string_view line;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const long long number = static_cast<long long>(i) + 1;
    if (!reading([&] { return reader->ReadLine(line); })) {
      if (reader->LineTooLong()) {
        Fail("In der Datei " + shown + " ist Zeile " + std::to_string(number) + " (" +
                 FieldNames[i] + ") länger als " + std::to_string(MaxStartLine) + " Bytes.",
             number);
      }
      Fail(i == 0 ? "Die Datei " + shown +
                        " ist leer; sie braucht vier Zeilen (Stunde, Minute, Sekunde, "
                        "Millisekunde)."
                  : "Die Datei " + shown + " hat nur " + std::to_string(i) +
                        (i == 1 ? " Zeile" : " Zeilen") +
                        "; sie braucht vier (Stunde, Minute, Sekunde, Millisekunde).");
    }
    const std::string where = "In der Datei " + shown + " ist Zeile " + std::to_string(number) +
                              " (" + FieldNames[i] + ")";
    const std::string_view text = TrimSpaces(line);
    if (text.empty()) Fail(where + " leer.", number);
    switch (ParseDecimal(text, decimalSeparator, values[i])) {
      case Parsed::Number:
        break;
      case Parsed::NotANumber:
        Fail(where + " keine Zahl: " + Quoted(text) + ".", number);
      case Parsed::OutOfRange:
        Fail(where + " eine Zahl außerhalb des darstellbaren Bereichs.", number);
    }
  }
  return stamp;
}

}  // namespace timing
