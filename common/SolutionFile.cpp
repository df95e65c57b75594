#include "SolutionFile.h"

#include <charconv>

namespace kit {
namespace {

// Reads the next value of a line at `at`: an optionally negative decimal integer ending at a
// comma or at the end of the line. Moves `at` behind the comma. False when there is none.
bool NextValue(std::string_view line, std::size_t& at, std::int32_t& value, bool& outOfRange) {
  const bool negative = at < line.size() && line[at] == '-';
  if (negative) ++at;
  const std::size_t first = at;
  std::int32_t magnitude = 0;
  while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
    if (magnitude < 1000) magnitude = magnitude * 10 + (line[at] - '0');  // saturates above 9
    ++at;
  }
  if (at == first) return false;
  if (at < line.size()) {
    if (line[at] != ',') return false;
    ++at;
  }
  if (magnitude > 9) {
    outOfRange = true;
    magnitude = 9;
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

// A line as solvers write it: nine single digits, each perhaps negated, separated by commas and
// nothing after the ninth. Such a line is taken here in one pass; false leaves any other line,
// with everything it may hold wrong, to NextValue.
bool ReadPlainLine(std::string_view line, std::uint8_t* cells, std::int32_t& first) {
  const char* const text = line.data();
  const std::size_t size = line.size();
  std::size_t at = 0;
  for (int c = 0; c < 9; ++c) {
    const bool negative = at < size && text[at] == '-';
    at += negative;
    if (at >= size) return false;
    const unsigned digit = static_cast<unsigned char>(text[at]) - unsigned{'0'};
    if (digit > 9) return false;
    ++at;
    if (c < 8) {
      if (at >= size || text[at] != ',') return false;
      ++at;
    }
    cells[c] = static_cast<std::uint8_t>(digit);
    if (c == 0)
      first = negative ? -static_cast<std::int32_t>(digit) : static_cast<std::int32_t>(digit);
  }
  return at == size;
}

}  // namespace

void WriteSolutionBlock(TextSink& out, const SignedBoard& cells) {
  // The whole block in one piece: nine lines of nine values of any 32-bit size with their commas
  // and line ends, and the empty line. A solver's values are single digits, written directly.
  char block[9 * (9 * 11 + 8 + 2) + 2];
  char* end = block;
  for (int r = 0; r < 9; ++r) {
    for (int c = 0; c < 9; ++c) {
      if (c > 0) *end++ = ',';
      const std::int32_t v = cells[static_cast<std::size_t>(9 * r + c)];
      if (v >= -9 && v <= 9) {
        if (v < 0) *end++ = '-';
        *end++ = static_cast<char>('0' + (v < 0 ? -v : v));
      } else {
        end = std::to_chars(end, block + sizeof block, v).ptr;
      }
    }
    *end++ = '\r';
    *end++ = '\n';
  }
  *end++ = '\r';
  *end++ = '\n';
  out.Write(std::string_view(block, static_cast<std::size_t>(end - block)));
}

SolutionBlock ReadSolutionBlock(LineReader& in) {
  SolutionBlock block;
  block.Kind = 1;
  bool outOfRange = false;
  for (int r = 0; r < 9; ++r) {
    std::string_view line;
    if (!in.ReadLine(line)) {
      block.Status = in.LineTooLong() ? BlockStatus::TooLong : BlockStatus::Missing;
      block.Line = in.LinesRead() + 1;
      return block;
    }
    std::int32_t first = 0;
    if (ReadPlainLine(line, block.Cells.data() + 9 * r, first)) {
      if (first < 0) block.Kind = 2;
      if (first == 0) block.Kind = 0;
      continue;
    }
    std::size_t at = 0;
    for (int c = 0; c < 9; ++c) {
      std::int32_t value = 0;
      const std::size_t start = at;
      const bool wasOutOfRange = outOfRange;
      const bool read = NextValue(line, at, value, outOfRange);
      // A value is missing when the line ends early, or ends in a comma before the ninth.
      if (!read || (c < 8 && at == line.size() && line.back() != ',')) {
        block.Status = BlockStatus::Malformed;
        block.Line = in.LinesRead();
        block.ValuesRead = read ? c + 1 : c;
        block.ShortLine = read || start == line.size();
        if (!block.ShortLine) block.Found = line.substr(start, line.find(',', start) - start);
        return block;
      }
      if (outOfRange && !wasOutOfRange) {  // the first value out of range is named
        std::string_view text = line.substr(start, at - start);
        if (text.ends_with(',')) text.remove_suffix(1);
        block.Line = in.LinesRead();
        block.Found = text;
      }
      if (c == 0) {
        if (value < 0) block.Kind = 2;
        if (value == 0) block.Kind = 0;
      }
      block.Cells[static_cast<std::size_t>(9 * r + c)] =
          static_cast<std::uint8_t>(value < 0 ? -value : value);
    }
  }
  std::string_view emptyLine;
  in.ReadLine(emptyLine);
  block.Status = outOfRange ? BlockStatus::OutOfRange : BlockStatus::Read;
  return block;
}

}  // namespace kit
