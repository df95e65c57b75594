#include "SolutionFile.h"

#include <charconv>

namespace kit {
namespace {

// Parses an optionally negative decimal integer that fills `text` completely.
// Returns false for anything else; sets `outOfRange` when its magnitude exceeds 9.
bool ParseValue(std::string_view text, std::int32_t& value, bool& outOfRange) {
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  std::int64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    if (magnitude < 1000) magnitude = magnitude * 10 + (c - '0');  // saturates, stays > 9
  }
  if (magnitude > 9) {
    outOfRange = true;
    magnitude = 9;
  }
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace

void WriteSolutionBlock(TextSink& out, const SignedBoard& cells) {
  char line[9 * 11 + 8];  // room for nine values of any 32-bit size and eight commas
  for (int r = 0; r < 9; ++r) {
    char* end = line;
    for (int c = 0; c < 9; ++c) {
      if (c > 0) *end++ = ',';
      end = std::to_chars(end, line + sizeof line, cells[static_cast<std::size_t>(9 * r + c)]).ptr;
    }
    out.WriteLine(std::string_view(line, static_cast<std::size_t>(end - line)));
  }
  out.WriteLine("");
}

SolutionBlock ReadSolutionBlock(LineReader& in) {
  SolutionBlock block;
  block.Kind = 1;
  bool outOfRange = false;
  for (int r = 0; r < 9; ++r) {
    std::string_view line;
    if (!in.ReadLine(line)) {
      block.Status = BlockStatus::Missing;
      block.Line = in.LinesRead() + 1;
      return block;
    }
    for (int c = 0; c < 9; ++c) {
      const std::size_t comma = line.find(',');
      const std::string_view field = line.substr(0, comma);
      std::int32_t value = 0;
      if ((comma == std::string_view::npos && c < 8) || !ParseValue(field, value, outOfRange)) {
        block.Status = BlockStatus::Malformed;
        block.Line = in.LinesRead();
        return block;
      }
      if (c == 0) {
        if (value < 0) block.Kind = 2;
        if (value == 0) block.Kind = 0;
      }
      block.Cells[static_cast<std::size_t>(9 * r + c)] =
          static_cast<std::uint8_t>(value < 0 ? -value : value);
      line = comma == std::string_view::npos ? std::string_view() : line.substr(comma + 1);
    }
    if (outOfRange && block.Line == 0) block.Line = in.LinesRead();
  }
  std::string_view emptyLine;
  in.ReadLine(emptyLine);
  block.Status = outOfRange ? BlockStatus::OutOfRange : BlockStatus::Read;
  return block;
}

}  // namespace kit
