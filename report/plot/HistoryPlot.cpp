#include "HistoryPlot.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Numbers.h"
#include "Plot.h"
#include "PlotParts.h"

namespace report {
namespace {

using namespace plot;

constexpr int Left = 84;           // the seconds' title and tick labels left of each panel
constexpr int Headroom = 8;        // between a panel's title and its top tick label
constexpr int PlotHeight = 190;    // a panel's area for the marks
constexpr int AxisLabels = 40;     // a run's number and day below the panel
constexpr int NothingHeight = 80;  // the note that there is nothing to draw
constexpr int PlotWidth = Width - Left - Right;
constexpr double Dot = 5;  // a median's radius

// Where a run and a time lie in a panel whose marks start at `top`. The runs stand evenly
// spaced in their order rather than on a time line: runs minutes apart and runs weeks apart
// both stay readable, and a run's number finds it in the listing.
struct Frame : Ticks {
  int PlotTop = 0;
  std::size_t RunCount = 1, SolverCount = 1;

  double Slot() const { return static_cast<double>(PlotWidth) / static_cast<double>(RunCount); }
  double RunX(std::size_t run) const { return Left + (static_cast<double>(run) + 0.5) * Slot(); }
  // The solvers of a run stand a little apart, so that their ranges do not hide each other.
  double X(std::size_t run, std::size_t rank) const {
    const double apart = std::min(9.0, 0.6 * Slot() / static_cast<double>(SolverCount));
    return RunX(run) +
           (static_cast<double>(rank) - static_cast<double>(SolverCount - 1) / 2) * apart;
  }
  double Y(double seconds) const { return Bottom() - (seconds - Low) / (High - Low) * PlotHeight; }
  int Bottom() const { return PlotTop + PlotHeight; }
};

Frame FrameOf(const HistorySet& panel, int top) {
  return {panel.TimeAxis(), top, std::max<std::size_t>(1, panel.Runs.size()),
          std::max<std::size_t>(1, panel.Solvers.size())};
}

// The seconds up the left with their grid, and below the runs' numbers and days, as many as fit.
void DrawAxes(QPainter& p, const HistorySet& panel, const Frame& frame, const std::string& sep) {
  p.setFont(Face(10));
  const QFontMetrics metrics(p.font());
  for (double t : frame.Values()) {
    const int at = static_cast<int>(std::lround(frame.Y(t)));
    p.setPen(Grid);
    p.drawLine(Left, at, Left + PlotWidth, at);
    p.setPen(Qt::black);
    p.drawLine(Left - 5, at, Left, at);
    p.drawText(QRect(Left - 66, at - 9, 58, 18), Qt::AlignRight | Qt::AlignVCenter,
               Text(Decimal(t, frame.Decimals, sep)));
  }
  p.drawLine(Left, frame.PlotTop, Left, frame.Bottom());
  p.drawLine(Left, frame.Bottom(), Left + PlotWidth, frame.Bottom());

  const double labelWidth = metrics.horizontalAdvance(QStringLiteral("00.00.0000")) + 14;
  const std::size_t every =
      std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(labelWidth / frame.Slot())));
  for (std::size_t run = 0; run < panel.Runs.size(); ++run) {
    const int at = static_cast<int>(std::lround(frame.RunX(run)));
    if (run % every != 0) {
      if (frame.Slot() >= 4) p.drawLine(at, frame.Bottom(), at, frame.Bottom() + 3);
      continue;
    }
    p.drawLine(at, frame.Bottom(), at, frame.Bottom() + 5);
    const QRect label(at - 50, frame.Bottom() + 6, 100, 17);
    p.drawText(label, Qt::AlignHCenter | Qt::AlignTop, QString::number(panel.Runs[run]));
    p.drawText(label.translated(0, 16), Qt::AlignHCenter | Qt::AlignTop, Text(panel.Days[run]));
  }

  p.save();
  p.translate(16, frame.PlotTop + PlotHeight / 2.0);
  p.rotate(-90);
  p.drawText(QRect(-PlotHeight / 2 - 20, -9, PlotHeight + 40, 18), Qt::AlignCenter,
             QStringLiteral("Sekunden (Median, min–max)"));
  p.restore();
}

void DrawMedian(QPainter& p, const QColor& colour, QPointF at) {
  p.setPen(QPen(Qt::white, 1.2));
  p.setBrush(colour);
  p.drawEllipse(at, Dot, Dot);
}

// Wrong answers, or a run without a timed run: a mark with nothing inside.
void DrawHollow(QPainter& p, const QColor& colour, QPointF at) {
  p.setPen(QPen(colour, 2));
  p.setBrush(Qt::white);
  p.drawEllipse(at, Dot - 1, Dot - 1);
}

void DrawRange(QPainter& p, const QColor& colour, double x, double low, double high) {
  QColor range = colour;
  range.setAlpha(DotAlpha);
  p.setPen(QPen(range, 2, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(x, low), QPointF(x, high));
  for (double y : {low, high}) p.drawLine(QPointF(x - 3.5, y), QPointF(x + 3.5, y));
}

// One solver in a panel: its ranges, the thin line through its right medians, then the marks on
// top.
void DrawSolver(QPainter& p, const HistorySet& panel, const Frame& frame,
                const std::vector<std::string>& solvers, std::size_t solver, std::size_t rank) {
  const QColor colour = SolverColour(solver);
  std::vector<const record::HistoryLine*> lines;
  for (const record::HistoryLine* line : panel.Lines) {
    if (line->Solver == solvers[solver]) lines.push_back(line);
  }
  QPolygonF medians;
  for (const record::HistoryLine* line : lines) {
    const double x = frame.X(panel.RunIndex(line->Number), rank);
    if (!line->MedianSeconds) continue;
    if (line->MinimumSeconds && line->MaximumSeconds) {
      DrawRange(p, colour, x, frame.Y(*line->MinimumSeconds), frame.Y(*line->MaximumSeconds));
    }
    if (line->Verdict == record::Verdict::Correct)
      medians << QPointF(x, frame.Y(*line->MedianSeconds));
  }
  QColor join = colour;
  join.setAlpha(140);
  p.setPen(QPen(join, 1.3));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(medians);
  for (const record::HistoryLine* line : lines) {
    const double x = frame.X(panel.RunIndex(line->Number), rank);
    if (!line->MedianSeconds) {
      DrawHollow(p, colour, QPointF(x, frame.Bottom()));
    } else if (line->Verdict != record::Verdict::Correct) {
      DrawHollow(p, colour, QPointF(x, frame.Y(*line->MedianSeconds)));
    } else {
      DrawMedian(p, colour, QPointF(x, frame.Y(*line->MedianSeconds)));
    }
  }
}

// A panel from `y` down; returns where it ends.
int DrawPanel(QPainter& p, const HistorySet& panel, const std::vector<std::string>& solvers, int y,
              const std::string& sep) {
  DrawPanelTitle(p, panel.Title, y);
  const Frame frame = FrameOf(panel, y + PanelTitleHeight + Headroom);
  DrawAxes(p, panel, frame, sep);
  p.setClipRect(QRect(Left, frame.PlotTop - 8, PlotWidth + Right, PlotHeight + 16));
  for (std::size_t rank = 0; rank < panel.Solvers.size(); ++rank) {
    DrawSolver(p, panel, frame, solvers, panel.Solvers[rank], rank);
  }
  p.setClipping(false);
  return frame.Bottom() + AxisLabels;
}

// Each solver's mark, and the hollow one where some line has one.
std::vector<LegendKey> LegendOf(const std::vector<record::HistoryLine>& lines,
                                const std::vector<std::string>& solvers) {
  std::vector<LegendKey> keys;
  for (std::size_t i = 0; i < solvers.size(); ++i) {
    keys.push_back({Text(solvers[i]), [i](QPainter& p, QPointF centre) {
                      DrawRange(p, SolverColour(i), centre.x(), centre.y() + 8, centre.y() - 8);
                      DrawMedian(p, SolverColour(i), centre);
                    }});
  }
  const bool hollow = std::any_of(lines.begin(), lines.end(), [](const record::HistoryLine& line) {
    return !line.MedianSeconds || line.Verdict != record::Verdict::Correct;
  });
  if (hollow) {
    keys.push_back({QStringLiteral("falsch, oder ohne Zeit (dann auf der Achse)"),
                    [](QPainter& p, QPointF centre) { DrawHollow(p, Qt::darkGray, centre); }});
  }
  return keys;
}

}  // namespace

QImage DrawHistory(const std::vector<record::HistoryLine>& lines, const std::string& decimalSeparator) {
  const QString title = QStringLiteral("Verlauf der gespeicherten Messläufe");
  std::vector<std::string> solvers;
  const std::vector<HistorySet> panels = HistorySetsOf(lines, solvers);
  if (panels.empty()) {
    QImage image = Blank(Top + NothingHeight + BottomMargin);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    DrawTitle(p, title.toStdString());
    p.setFont(Face(12));
    p.drawText(QRect(0, Top, Width, NothingHeight), Qt::AlignCenter,
               QStringLiteral("Keine gespeicherten Läufe"));
    return image;
  }

  const std::vector<LegendKey> legend = LegendOf(lines, solvers);
  const int panelHeight = PanelTitleHeight + Headroom + PlotHeight + AxisLabels;
  const int count = static_cast<int>(panels.size());
  const int height = Top + count * panelHeight + (count - 1) * PanelGap + AxisTitle +
                     Legend(legend, 0, nullptr) * LegendLine + BottomMargin;
  QImage image = Blank(height);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawTitle(p, title.toStdString());
  int y = Top;
  for (std::size_t i = 0; i < panels.size(); ++i) {
    y = DrawPanel(p, panels[i], solvers, y + (i > 0 ? PanelGap : 0), decimalSeparator);
  }
  DrawAxisTitle(p, QStringLiteral("Messläufe in ihrer Reihenfolge: Nr. und Tag des Beginns (UTC)"),
                Left, y);
  Legend(legend, y + AxisTitle, &p);
  p.end();
  return image;
}

}  // namespace report
