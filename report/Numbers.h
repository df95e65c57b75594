// How every report shows a number, a path and a table in columns, so that the text, the tables,
// the page and the pictures write the same figure the same way.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace report {

// A number with `decimals` decimals and the given decimal separator, without grouping.
std::string Decimal(double value, int decimals, const std::string& separator);

// Seconds to the millisecond, the resolution of Start.txt and so of Ende's times.
double ToTheMillisecond(double seconds);

// Seconds to the microsecond (record::Microseconds, the resolution the store's run key compares
// too): the monotonic clock's times, where a millisecond can be several per cent of a fast run.
// The JSON report writes its times so, and its reader takes them so, so that the figures made from
// a report read back are the figures the report shows.
double ToTheMicrosecond(double seconds);

// Microseconds to the nanosecond: a library's per-call times, as the JSON report keeps them.
double ToTheNanosecond(double microseconds);

// A figure to about four significant digits, with at most three decimals: 12,34; 1,234; 81003.
std::string Figure(double value, const std::string& separator);

// A monotonic time in seconds: three decimals, and four significant digits below one second
// (0,03812), where three decimals would round a fast run by several per cent.
std::string PreciseSeconds(double seconds, const std::string& separator);

// "5 %", "2,5 %".
std::string ShownPercent(double percent, const std::string& separator);

// "p = 0,0079", "p < 0,0001".
std::string ShownP(double p, const std::string& separator);

// Characters on the screen of a UTF-8 text: continuation bytes take no room of their own.
std::size_t ShownWidth(const std::string& text);

// Rows in columns as wide as their widest cell (counted in characters, not bytes), each column
// aligned right or left as `right` says, columns parted by `gap`; one line per row.
std::string AlignedColumns(const std::vector<std::vector<std::string>>& lines,
                           const std::vector<bool>& right, const std::string& gap);

// A path as the report shows it: relative to the current folder when it lies below it, so that a
// report can be shown elsewhere; otherwise absolute.
std::string ReportPath(const std::filesystem::path& path);

}  // namespace report
