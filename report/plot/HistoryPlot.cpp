#include "HistoryPlot.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "Numbers.h"
#include "PlotParts.h"

namespace report {
namespace {

using namespace plot;

constexpr int Left = HistoryLeft;
constexpr int Headroom = 8;  // between a panel's title and its top tick label
constexpr int PlotHeight = PngHistory.PlotHeight;
constexpr int NothingHeight = 80;  // the note that there is nothing to draw
constexpr int PlotWidth = Width - Left - Right;

// A position of the frame in whole pixels.
int Pixel(double at) {
  return static_cast<int>(std::lround(at));
}

// The seconds up the left with their grid, and below the runs' numbers and days, as many as fit.
void DrawAxes(QPainter& p, const HistorySet& panel, const HistoryFrame& frame,
              const std::string& sep) {
  p.setFont(Face(10));
  const QFontMetrics metrics(p.font());
  const int tick = static_cast<int>(TickLength), top = Pixel(frame.Top),
            bottom = Pixel(frame.Bottom());
  for (double t : frame.Values()) {
    const int at = Pixel(frame.Y(t));
    p.setPen(Colour(GridColour));
    p.drawLine(Left, at, Left + PlotWidth, at);
    p.setPen(Colour(Ink));
    p.drawLine(Left - tick, at, Left, at);
    p.drawText(QRect(Left - 66, at - 9, 66 - TickLabelGap, 18), Qt::AlignRight | Qt::AlignVCenter,
               Text(Decimal(t, frame.Decimals, sep)));
  }
  p.drawLine(Left, top, Left, bottom);
  p.drawLine(Left, bottom, Left + PlotWidth, bottom);

  const std::size_t every =
      frame.LabelEvery(metrics.horizontalAdvance(QStringLiteral("00.00.0000")) + 14);
  for (std::size_t run = 0; run < panel.Runs.size(); ++run) {
    const int at = Pixel(frame.RunX(run));
    if (run % every != 0) {
      if (frame.Slot() >= 4) p.drawLine(at, bottom, at, bottom + 3);
      continue;
    }
    p.drawLine(at, bottom, at, bottom + tick);
    const QRect label(at - 50, bottom + PngHistory.RunNumber, 100, 17);
    p.drawText(label, Qt::AlignHCenter | Qt::AlignTop, QString::number(panel.Runs[run]));
    p.drawText(label.translated(0, PngHistory.RunDay - PngHistory.RunNumber),
               Qt::AlignHCenter | Qt::AlignTop, Text(panel.Days[run]));
  }

  p.save();
  p.translate(SecondsTitleX, frame.Top + PlotHeight / 2.0);
  p.rotate(-90);
  p.drawText(QRect(-PlotHeight / 2 - 20, -9, PlotHeight + 40, 18), Qt::AlignCenter,
             QString::fromUtf8(MedianSecondsTitle));
  p.restore();
}

void DrawMedian(QPainter& p, const QColor& colour, QPointF at) {
  p.setPen(QPen(Colour(Paper), MedianOutline));
  p.setBrush(colour);
  p.drawEllipse(at, MedianRadius, MedianRadius);
}

// Wrong answers, or a run without a timed run: a mark with nothing inside.
void DrawHollow(QPainter& p, const QColor& colour, QPointF at) {
  p.setPen(QPen(colour, HollowOutline));
  p.setBrush(Colour(Paper));
  p.drawEllipse(at, HollowRadius, HollowRadius);
}

void DrawRange(QPainter& p, const QColor& colour, double x, double low, double high) {
  QColor range = colour;
  range.setAlpha(MarkAlpha);
  p.setPen(QPen(range, RangeStroke, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(x, low), QPointF(x, high));
  for (double y : {low, high}) p.drawLine(QPointF(x - 3.5, y), QPointF(x + 3.5, y));
}

// One solver in a panel: its ranges, the thin line through its right medians, then the marks on
// top.
void DrawSolver(QPainter& p, const HistorySet& panel, const HistoryFrame& frame,
                const std::vector<std::string>& solvers, std::size_t solver, std::size_t rank) {
  const QColor colour = Colour(SolverRgb(solver));
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
  join.setAlpha(JoinAlpha);
  p.setPen(QPen(join, JoinStroke));
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
  const HistoryFrame frame = HistoryFrameOf(panel, PngHistory, y + PanelTitleHeight + Headroom);
  DrawAxes(p, panel, frame, sep);
  p.setClipRect(QRect(Left, Pixel(frame.Top) - 8, PlotWidth + Right, PlotHeight + 16));
  for (std::size_t rank = 0; rank < panel.Solvers.size(); ++rank) {
    DrawSolver(p, panel, frame, solvers, panel.Solvers[rank], rank);
  }
  p.setClipping(false);
  return Pixel(frame.Bottom()) + PngHistory.RunLabels;
}

// Each solver's mark, and the hollow one where some line has one.
std::vector<LegendKey> LegendOf(const std::vector<record::HistoryLine>& lines,
                                const std::vector<std::string>& solvers) {
  std::vector<LegendKey> keys;
  for (std::size_t i = 0; i < solvers.size(); ++i) {
    keys.push_back({Text(solvers[i]), [i](QPainter& p, QPointF centre) {
                      const QColor colour = Colour(SolverRgb(i));
                      DrawRange(p, colour, centre.x(), centre.y() + 8, centre.y() - 8);
                      DrawMedian(p, colour, centre);
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

QImage DrawHistory(const std::vector<record::HistoryLine>& lines,
                   const std::string& decimalSeparator) {
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
  const int panelHeight = PanelTitleHeight + Headroom + PlotHeight + PngHistory.RunLabels;
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
