#include "Plot.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "Statistics.h"
#include "TextReport.h"

namespace report {
namespace {

constexpr int Width = 960;
constexpr int Top = 64;  // the title above the rows
constexpr int RowHeight = 52;
constexpr int Bottom = 64;  // the axis, its labels and its title below the rows
constexpr int Right = 32;

const QColor Dot(31, 119, 180, 170);  // translucent, so that runs on the same spot add up
const QColor MedianMark(214, 39, 40);
const QColor Grid(225, 225, 225);

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

QFont Face(double points, bool bold = false) {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

// Ticks 1, 2 or 5 times a power of ten apart, about six over the range.
double TickStep(double range) {
  const double raw = range / 6;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10 * power;
}

// Where a time lies across the picture: the axis from Low to High with a tick every Step, and the
// plot between Left and Left + PlotWidth.
struct Scale {
  double Low = 0, High = 1, Step = 1;
  int Decimals = 0;  // of the tick labels
  int Left = 0, PlotWidth = 0;
  int X(double seconds) const {
    return Left + static_cast<int>(std::lround((seconds - Low) / (High - Low) * PlotWidth));
  }
};

// The axis' range over all runs, and room at the left for the longest name in the painter's font.
Scale ScaleOf(const PlotData& data, const QPainter& p) {
  double low = 0, high = 0;
  bool any = false;
  for (const PlotRow& row : data.Rows) {
    for (double s : row.Seconds) {
      low = any ? std::min(low, s) : s;
      high = any ? std::max(high, s) : s;
      any = true;
    }
  }
  if (!any || high <= 0) high = 1;
  // From zero, so that lengths compare, unless all runs lie close together far from it.
  if (low <= 0.4 * high) low = 0;
  Scale scale;
  scale.Step = TickStep(std::max(high - low, high * 1e-3));
  scale.Low = std::floor(low / scale.Step) * scale.Step;
  scale.High = std::ceil(high * 1.02 / scale.Step) * scale.Step;
  scale.Decimals = std::max(0, static_cast<int>(-std::floor(std::log10(scale.Step) + 1e-9)));

  const QFontMetrics names(p.font());
  int left = 120;
  for (const PlotRow& row : data.Rows)
    left = std::max(left, names.horizontalAdvance(Text(row.Name)) + 24);
  scale.Left = std::min(left, Width / 2);
  scale.PlotWidth = Width - scale.Left - Right;
  return scale;
}

// The grid and the axis with its labels and its title.
void DrawAxis(QPainter& p, const Scale& scale, int axisY, const std::string& separator) {
  p.setFont(Face(10));
  for (double t = scale.Low; t <= scale.High + scale.Step / 2; t += scale.Step) {
    const int at = scale.X(t);
    p.setPen(Grid);
    p.drawLine(at, Top, at, axisY);
    p.setPen(Qt::black);
    p.drawLine(at, axisY, at, axisY + 5);
    p.drawText(QRect(at - 40, axisY + 7, 80, 18), Qt::AlignHCenter | Qt::AlignTop,
               Text(Decimal(t, scale.Decimals, separator)));
  }
  p.drawLine(scale.Left, axisY, scale.Left + scale.PlotWidth, axisY);
  p.drawText(QRect(scale.Left, axisY + 30, scale.PlotWidth, 20), Qt::AlignHCenter | Qt::AlignTop,
             QStringLiteral("Sekunden (monoton gemessen)"));
}

// The key, at the left under the axis: a dot is a run, the red mark the median.
void DrawKey(QPainter& p, int axisY) {
  p.setFont(Face(9));
  const int keyY = axisY + 40;
  p.setPen(Qt::NoPen);
  p.setBrush(Dot);
  p.drawEllipse(QPointF(14, keyY), 4.5, 4.5);
  p.setPen(Qt::black);
  p.drawText(QRect(24, keyY - 8, 120, 16), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("ein Lauf"));
  p.setPen(QPen(MedianMark, 2.5));
  p.drawLine(14, keyY + 10, 14, keyY + 22);
  p.setPen(Qt::black);
  p.drawText(QRect(24, keyY + 8, 120, 16), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Median"));
}

// A solver's name, its line, its runs and their median.
void DrawRow(QPainter& p, const Scale& scale, const PlotRow& row, int centre) {
  p.setFont(Face(11));
  p.setPen(Qt::black);
  p.drawText(QRect(8, centre - 12, scale.Left - 16, 24), Qt::AlignRight | Qt::AlignVCenter,
             Text(row.Name));
  p.setPen(Grid);
  p.drawLine(scale.Left, centre, scale.Left + scale.PlotWidth, centre);
  if (row.Seconds.empty()) return;
  p.setPen(Qt::NoPen);
  p.setBrush(Dot);
  for (double s : row.Seconds) p.drawEllipse(QPointF(scale.X(s), centre), 5.5, 5.5);
  p.setPen(QPen(MedianMark, 2.5));
  const int median = scale.X(stats::Summarize(row.Seconds).Median);
  p.drawLine(median, centre - 14, median, centre + 14);
}

}  // namespace

QImage DrawComparison(const PlotData& data) {
  const int rows = std::max<int>(1, static_cast<int>(data.Rows.size()));
  QImage image(Width, Top + rows * RowHeight + Bottom, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  p.setFont(Face(11));
  const Scale scale = ScaleOf(data, p);
  const int axisY = Top + rows * RowHeight;

  p.setPen(Qt::black);
  p.setFont(Face(14, true));
  p.drawText(QRect(0, 12, Width, 30), Qt::AlignHCenter | Qt::AlignVCenter, Text(data.Title));
  DrawAxis(p, scale, axisY, data.DecimalSeparator);
  DrawKey(p, axisY);
  for (std::size_t i = 0; i < data.Rows.size(); ++i) {
    DrawRow(p, scale, data.Rows[i], Top + static_cast<int>(i) * RowHeight + RowHeight / 2);
  }
  p.end();
  return image;
}

PlotData PlotOf(const record::RunRecord& record, const record::Summaries& summaries,
                const std::string& decimalSeparator) {
  // The picture shows one set of puzzles, the run's first.
  const std::size_t set = 0;
  const record::PuzzleSet& puzzles = record.Sets.at(set);
  const int repeat = record.Settings.Repeat;
  PlotData data;
  data.DecimalSeparator = decimalSeparator;
  data.Title =
      std::to_string(puzzles.Count) + " Rätsel " +
      (puzzles.Collection.empty() ? "von Build (Startzahl " + std::to_string(puzzles.Seed) + ")"
                                  : "aus " + puzzles.Collection.filename().string()) +
      ", " + std::to_string(repeat) + (repeat == 1 ? " Runde" : " Runden");
  const std::vector<record::SolverSummary>& solvers = summaries.Sets.at(set).Solvers;
  for (std::size_t i = 0; i < solvers.size(); ++i) {
    std::string name = record.Solvers[i].Name;
    if (solvers[i].State == record::Verdict::Wrong) name += " (falsch)";
    if (solvers[i].State == record::Verdict::Failed) name += " (fehlgeschlagen)";
    data.Rows.push_back({name, solvers[i].MonotonicTimes});
  }
  return data;
}

}  // namespace report
