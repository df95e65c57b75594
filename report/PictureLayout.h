// The pictures' geometry and colours, shared by the PNG files (drawn with Qt) and the page's SVG,
// so that both show a run alike: where the runs, times and names lie, how large the marks are
// and in which colours. The two media differ only in the sizes set side by side here: the PNG is
// drawn at full size for a file of its own, the SVG is scaled to the page and sets its text
// larger for that. What only one medium draws (the PNG's title and panels, the SVG's legend)
// stays with its drawing code.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "Axis.h"
#include "History.h"
#include "PlotData.h"

namespace report::plot {

struct Rgb {
  int Red = 0, Green = 0, Blue = 0;
};

// "#1f77b4"; "#000" where the short form says the same.
std::string Hex(Rgb colour);

// An alpha of 0 to 255 as SVG's opacity, to two decimals: 170 is "0.67".
std::string Opacity(int alpha);

inline constexpr Rgb Ink{0, 0, 0};
inline constexpr Rgb Paper{255, 255, 255};
inline constexpr Rgb GridColour{225, 225, 225};
inline constexpr Rgb MedianColour{214, 39, 40};  // the comparison's median stroke
inline constexpr int MarkAlpha = 170;  // translucent, so that marks on the same spot add up
inline constexpr int JoinAlpha = 140;  // the history's line from median to median, fainter

// The colour of the solver at `index`: a fixed palette that keeps clear of the median's red,
// repeated beyond its end.
Rgb SolverRgb(std::size_t index);

// That colour as "#1f77b4".
std::string SolverHex(std::size_t index);

// A medium: the picture's width and the margin right of its plots.
struct Medium {
  int Width = 0, Right = 0;
};
inline constexpr Medium Png{960, 32};
inline constexpr Medium Svg{800, 28};

inline constexpr double TickLength = 5;  // below a time axis, left of a seconds axis

// What the axes say, in both media.
inline constexpr const char* RunSecondsTitle = "Sekunden je Lauf (monoton gemessen)";
inline constexpr const char* MedianSecondsTitle = "Sekunden (Median, min–max)";

// The comparison: a row per solver, each timed run a dot, the median a stroke across the row.
struct DotLayout {
  Medium On;
  int RowHeight = 0;
  int NameColumn = 0;      // the least room left of the plot for the solvers' names
  int NameGap = 0;         // between a name's end and the plot
  double MedianReach = 0;  // the median's stroke above and below the row's centre
};
inline constexpr DotLayout PngDots{Png, 52, 120, 8, 14};
inline constexpr DotLayout SvgDots{Svg, 40, 110, 12, 13};
inline constexpr double DotRadius = 5.5;
inline constexpr double MedianStroke = 2.5;
inline constexpr int NameRoom = 24;       // beyond the widest name, so that it keeps apart
inline constexpr int DotAxisLabels = 30;  // a panel's ticks and their labels below its rows

// Room left of the plot for names up to `widestName` wide, at most half the picture.
double NameColumnOf(const DotLayout& layout, double widestName);

// Where a time lies across a panel of the comparison: its axis over the plot from Left.
struct DotScale : Ticks {
  double Left = 0, PlotWidth = 0;
  double Offset(double seconds) const { return (seconds - Low) / (High - Low) * PlotWidth; }
};
DotScale DotScaleOf(const PlotPanel& panel, const DotLayout& layout, double left);

// The centre of row `row` of rows that start at `top`.
double RowCentre(const DotLayout& layout, double top, std::size_t row);

// The history: per set a panel with each solver's median per stored run, its range from the
// fastest to the slowest run, and a line through its right medians.
struct HistoryLayout {
  Medium On;
  int PlotHeight = 0;
  int RunNumber = 0, RunDay = 0;  // below the panel: a run's number and day (Qt places a text by
                                  // its top, SVG here by its middle)
  int RunLabels = 0;              // the room they take below the panel
};
inline constexpr HistoryLayout PngHistory{Png, 190, 6, 22, 40};
inline constexpr HistoryLayout SvgHistory{Svg, 200, 15, 32, 42};
inline constexpr int HistoryLeft = 84;    // the seconds' title and tick labels left of a panel
inline constexpr int SecondsTitleX = 16;  // the rotated title's centre
inline constexpr int TickLabelGap = 8;    // between a seconds label's end and the axis
inline constexpr double MedianRadius = 5;
inline constexpr double MedianOutline = 1.2;  // white, so that medians side by side stay apart
inline constexpr double HollowRadius = 4;     // a run without a time; the PNG's wrong ones too,
                                              // the SVG keeps a wrong median at MedianRadius
inline constexpr double HollowOutline = 2;
inline constexpr double RangeStroke = 2;
inline constexpr double JoinStroke = 1.3;
inline constexpr double MostApart = 9;  // the solvers of one run, at most this far apart

// Where a run and a time lie in a panel whose marks start at Top. The runs stand evenly spaced in
// their order rather than on a time line: runs minutes apart and runs weeks apart both stay
// readable, and a run's number finds it in the listing.
struct HistoryFrame : Ticks {
  HistoryLayout Layout;
  double Top = 0;
  std::size_t RunCount = 1, SolverCount = 1;

  double PlotWidth() const { return Layout.On.Width - HistoryLeft - Layout.On.Right; }
  double Bottom() const { return Top + Layout.PlotHeight; }
  double Slot() const { return PlotWidth() / static_cast<double>(RunCount); }
  double RunX(std::size_t run) const {
    return HistoryLeft + (static_cast<double>(run) + 0.5) * Slot();
  }
  // The solvers of a run stand a little apart, so that their ranges do not hide each other.
  double X(std::size_t run, std::size_t rank) const;
  double Y(double seconds) const {
    return Bottom() - (seconds - Low) / (High - Low) * Layout.PlotHeight;
  }
  // Every how many runs a label stands, so that labels `labelWidth` wide do not touch.
  std::size_t LabelEvery(double labelWidth) const;
};
HistoryFrame HistoryFrameOf(const HistorySet& set, const HistoryLayout& layout, double top);

// The per-puzzle times of libraries: per set a step curve per library over a logarithmic time
// axis from 0.1 µs to 100 s, its height the share of the pass's puzzles in each bin.
struct HistogramLayout {
  Medium On;
  int PlotHeight = 0;
  int TickLabel = 0;  // below the axis: where a decade's label lies (Qt by its top, SVG its middle)
  int TimeLabels = 0;  // the room they and the axis title take below the panel
};
inline constexpr HistogramLayout PngHistogram{Png, 180, 7, 44};
inline constexpr HistogramLayout SvgHistogram{Svg, 200, 17, 48};
inline constexpr double CurveStroke = 1.8;
inline constexpr const char* PuzzleTimeTitle = "Zeit je Rätsel (Aufruf der Bibliothek)";
inline constexpr const char* PuzzleShareTitle = "Anteil der Rätsel [%]";

// The decades the time axis marks, in µs: 0.1 µs to 100 s.
std::vector<double> DecadeTicks();
// A decade as the axis names it: "0,1 µs", "10 µs", "1 ms", "100 s".
std::string DecadeLabel(double microseconds, const std::string& separator);

// Where a time and a share lie in a panel whose plot starts at Top: the shares' axis in per cent.
struct HistogramFrame : Ticks {
  HistogramLayout Layout;
  double Top = 0;

  double PlotWidth() const { return Layout.On.Width - HistoryLeft - Layout.On.Right; }
  double Bottom() const { return Top + Layout.PlotHeight; }
  double X(double microseconds) const;
  double Y(double percent) const {
    return Bottom() - (percent - Low) / (High - Low) * Layout.PlotHeight;
  }
  // A curve as a step line: from the axis up to its first bin, along each bin at its share, and
  // down again after the last, as (x, y) points.
  std::vector<std::pair<double, double>> Steps(const HistogramCurve& curve) const;
};
HistogramFrame HistogramFrameOf(const HistogramPanel& panel, const HistogramLayout& layout,
                                double top);

}  // namespace report::plot
