#include "PictureLayout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "Numbers.h"

namespace report::plot {

std::string Hex(Rgb colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.Red, colour.Green, colour.Blue);
  const bool doubled = text[1] == text[2] && text[3] == text[4] && text[5] == text[6];
  return doubled ? std::string{'#', text[1], text[3], text[5]} : std::string(text);
}

std::string Opacity(int alpha) {
  return Decimal(alpha / 255.0, 2, ".");
}

Rgb SolverRgb(std::size_t index) {
  // Ten colours that people tell apart, less the red that marks the median.
  static constexpr std::array<Rgb, 9> palette{{{31, 119, 180},
                                               {255, 127, 14},
                                               {44, 160, 44},
                                               {148, 103, 189},
                                               {140, 86, 75},
                                               {227, 119, 194},
                                               {127, 127, 127},
                                               {188, 189, 34},
                                               {23, 190, 207}}};
  return palette[index % palette.size()];
}

std::string SolverHex(std::size_t index) {
  return Hex(SolverRgb(index));
}

double NameColumnOf(const DotLayout& layout, double widestName) {
  const double wanted = std::max<double>(layout.NameColumn, widestName + NameRoom);
  return std::min(wanted, layout.On.Width / 2.0);
}

DotScale DotScaleOf(const PlotPanel& panel, const DotLayout& layout, double left) {
  return {panel.TimeAxis(), left, layout.On.Width - left - layout.On.Right};
}

double RowCentre(const DotLayout& layout, double top, std::size_t row) {
  return top + static_cast<double>(row) * layout.RowHeight + layout.RowHeight / 2.0;
}

double HistoryFrame::X(std::size_t run, std::size_t rank) const {
  const double solvers = static_cast<double>(SolverCount);
  const double apart = std::min(MostApart, 0.6 * Slot() / solvers);
  return RunX(run) + (static_cast<double>(rank) - (solvers - 1) / 2) * apart;
}

std::size_t HistoryFrame::LabelEvery(double labelWidth) const {
  return std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(labelWidth / Slot())));
}

HistoryFrame HistoryFrameOf(const HistorySet& set, const HistoryLayout& layout, double top) {
  return {set.TimeAxis(), layout, top, std::max<std::size_t>(1, set.Runs.size()),
          std::max<std::size_t>(1, set.Solvers.size())};
}

std::vector<double> DecadeTicks() {
  std::vector<double> ticks;
  for (int decade = -1; decade <= 8; ++decade) ticks.push_back(std::pow(10.0, decade));
  return ticks;
}

std::string DecadeLabel(double microseconds, const std::string& separator) {
  if (microseconds < 0.5) return Decimal(microseconds, 1, separator) + " µs";
  const auto whole = [](double value) { return std::to_string(std::lround(value)); };
  if (microseconds < 999.5) return whole(microseconds) + " µs";
  if (microseconds < 999.5e3) return whole(microseconds / 1e3) + " ms";
  return whole(microseconds / 1e6) + " s";
}

double HistogramFrame::X(double microseconds) const {
  const double low = record::BinStartMicroseconds(0);
  const double high = record::BinStartMicroseconds(record::PuzzleTimeBins);
  const double at = std::log10(std::clamp(microseconds, low, high) / low) / std::log10(high / low);
  return HistoryLeft + at * PlotWidth();
}

std::vector<std::pair<double, double>> HistogramFrame::Steps(const HistogramCurve& curve) const {
  std::vector<std::pair<double, double>> points;
  const std::int64_t total = curve.Total();
  if (total <= 0) return points;
  points.emplace_back(X(record::BinStartMicroseconds(0)), Bottom());
  for (std::size_t bin = 0; bin < curve.Counts.size(); ++bin) {
    const double y = Y(100.0 * static_cast<double>(curve.Counts[bin]) / static_cast<double>(total));
    const int i = static_cast<int>(bin);
    points.emplace_back(X(record::BinStartMicroseconds(i)), y);
    points.emplace_back(X(record::BinStartMicroseconds(i + 1)), y);
  }
  points.emplace_back(points.back().first, Bottom());
  return points;
}

HistogramFrame HistogramFrameOf(const HistogramPanel& panel, const HistogramLayout& layout,
                                double top) {
  return {TicksOver(0, 100 * panel.PeakShare()), layout, top};
}

}  // namespace report::plot
