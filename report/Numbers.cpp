#include "Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "RunRecord.h"

namespace report {

double ToTheMillisecond(double seconds) {
  return std::round(seconds * 1000) / 1000;
}

double ToTheNanosecond(double microseconds) {
  return std::round(microseconds * 1000) / 1000;
}

double ToTheMicrosecond(double seconds) {
  return static_cast<double>(record::Microseconds(seconds)) / 1e6;
}

std::string Decimal(double value, int decimals, const std::string& separator) {
  char text[64];  // to_chars, unlike printf, ignores the C locale, which Qt sets from the user's
  const auto end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  std::string shown(text, end.ptr);
  if (const auto point = shown.find('.'); point != std::string::npos) {
    shown.replace(point, 1, separator);
  }
  return shown;
}

std::string Figure(double value, const std::string& separator) {
  const double size = std::abs(value);
  const int digits = size >= 1e-9 ? static_cast<int>(std::floor(std::log10(size))) : 0;
  return Decimal(value, std::clamp(3 - digits, 0, 3), separator);
}

std::string PreciseSeconds(double seconds, const std::string& separator) {
  int decimals = 3;
  if (seconds > 0 && seconds < 1) {
    decimals = std::min(9, 3 - static_cast<int>(std::floor(std::log10(seconds))));
  }
  return Decimal(seconds, decimals, separator);
}

std::string ShownPercent(double percent, const std::string& separator) {
  std::string shown = Decimal(percent, 2, separator);
  while (shown.back() == '0') shown.pop_back();
  if (shown.ends_with(separator)) shown.resize(shown.size() - separator.size());
  return shown + " %";
}

std::string ShownP(double p, const std::string& separator) {
  if (p < 0.0001) return "p < " + Decimal(0.0001, 4, separator);
  return "p = " + Decimal(p, 4, separator);
}

std::size_t ShownWidth(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string AlignedColumns(const std::vector<std::vector<std::string>>& lines,
                           const std::vector<bool>& right, const std::string& gap) {
  std::vector<std::size_t> widths(right.size(), 0);
  for (const auto& line : lines) {
    for (std::size_t i = 0; i < line.size(); ++i) {
      widths[i] = std::max(widths[i], ShownWidth(line[i]));
    }
  }
  std::string text;
  for (const auto& line : lines) {
    std::string row;
    for (std::size_t i = 0; i < line.size(); ++i) {
      const std::string padding(widths[i] - ShownWidth(line[i]), ' ');
      if (i > 0) row += gap;
      row += right[i] ? padding + line[i] : line[i] + padding;
    }
    // The last column left-aligned would leave spaces at the end of the line.
    text += row.substr(0, row.find_last_not_of(' ') + 1) + "\n";
  }
  return text;
}

std::string ReportPath(const std::filesystem::path& path) {
  if (path.empty()) return {};
  std::error_code error;
  const auto absolute = std::filesystem::weakly_canonical(std::filesystem::absolute(path), error);
  const auto here = std::filesystem::current_path(error);
  const auto relative = absolute.lexically_relative(here);
  if (!error && !relative.empty() && *relative.begin() != "..") return relative.string();
  return absolute.string();
}

}  // namespace report
