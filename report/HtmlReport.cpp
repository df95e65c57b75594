#include "HtmlReport.h"

#include "ComparisonRows.h"
#include "HtmlParts.h"
#include "LibraryFigures.h"
#include "Numbers.h"
#include "SetMatrix.h"
#include "SvgPictures.h"
#include "TextReport.h"

namespace report {
namespace {

using html::Escaped;

std::string Heading(int level, const std::string& text, const std::string& id = "") {
  const std::string tag = "h" + std::to_string(level);
  return "<" + tag + (id.empty() ? "" : " id=\"" + id + "\"") + ">" + Escaped(text) + "</" + tag +
         ">\n";
}

std::string Paragraph(const std::string& text, const std::string& cls = "") {
  return "<p" + (cls.empty() ? "" : " class=\"" + cls + "\"") + ">" + Escaped(text) + "</p>\n";
}

std::string Figure(const std::string& svg, const std::string& caption) {
  return "<figure>\n" + svg + "<figcaption>" + Escaped(caption) + "</figcaption>\n</figure>\n";
}

// The sets by solvers, their geometric means, and where a solver left a set.
std::string Overview(const record::RunRecord& record, const record::Summaries& summaries,
                     const std::string& sep) {
  const SetMatrix matrix = MatrixOf(record, summaries, sep);
  std::vector<std::vector<Cell>> rows{
      std::vector<Cell>(matrix.Header.begin(), matrix.Header.end())};
  rows.insert(rows.end(), matrix.Rows.begin(), matrix.Rows.end());
  std::vector<bool> numeric(matrix.Header.size(), true);
  numeric[0] = false;
  std::string out = Heading(2, "Übersicht") + html::Table(rows, numeric);
  for (const std::string& note : matrix.Notes) out += Paragraph(note, "note");
  const std::vector<ReportItem> left = LeftSetItems(record, summaries);
  if (!left.empty()) out += Heading(3, "Falsch und gescheitert") + html::Items(left);
  const std::vector<ReportItem> scattered = ScatteredItems(record, summaries);
  if (!scattered.empty()) out += html::Items(scattered);
  return out;
}

// Each comparison of medians with its verdict, and what the baseline's machine did differently.
std::string Comparisons(const record::RunRecord& record, const record::Summaries& summaries,
                        const std::string& sep) {
  const std::vector<ComparisonRow> comparisons = ComparisonRowsOf(record, summaries, sep);
  if (comparisons.empty()) return {};
  std::string heading = ComparisonsHeading(record, sep);
  const std::string title = "Vergleiche: ";
  if (heading.starts_with(title)) heading.erase(0, title.size());
  std::vector<std::vector<Cell>> rows{
      {"Löser", "Satz", "gegen", "Verhältnis", "Intervall", "Test", "Urteil"}};
  for (const ComparisonRow& r : comparisons) {
    rows.push_back({r.Solver, r.Set, r.Against, r.Ratio, r.Interval, r.P, {r.Verdict, r.Tone}});
  }
  std::string out = Heading(2, "Vergleiche") + Paragraph(heading, "note") +
                    html::Table(rows, {false, false, false, true, true, false, false});
  if (record.Baseline && !record.Baseline->Warnings.empty()) {
    std::vector<ReportItem> warnings;
    for (const std::string& w : record.Baseline->Warnings) {
      warnings.push_back({"Warnung", w, false, Tone::Warning});
    }
    out += html::Items(warnings);
  }
  return out;
}

// A correct library's slowest puzzles as a table (its figures are among the solver's items);
// nothing for others.
std::string LibraryCard(const record::RunRecord& record, const record::SolverSummary& s,
                        std::size_t solver, const std::string& sep) {
  const record::PuzzleTimes* pass = LibraryPass(record.Solvers[solver], s);
  if (!pass || s.Verdict != record::Verdict::Correct) return {};
  std::string out;
  if (pass->Slowest.empty()) return out;
  const std::vector<std::vector<std::string>> slowest = SlowestRows(*pass, sep);
  std::vector<std::vector<Cell>> rows;
  for (const std::vector<std::string>& row : slowest) rows.emplace_back(row.begin(), row.end());
  return out + html::Table(rows, {true, true, true, true}, false, "Die langsamsten Rätsel");
}

// A set: where its puzzles came from, its picture, every solver's items and the fastest.
std::string Set(const record::RunRecord& record, const record::Summaries& summaries,
                const PlotPanel& panel, const HistogramPanel* histogram, std::size_t set,
                const std::string& sep) {
  const record::PuzzleSet& puzzles = record.Sets[set];
  const std::string name = puzzles.Name + " (" + std::to_string(puzzles.Count) + " Rätsel)";
  std::string out = "<section>\n" + Heading(2, "Satz " + name) + html::Items(SetItems(record, set));
  out += Figure(
      DotPictureSvg(panel, "Gemessene Läufe auf " + name, "bild-" + std::to_string(set + 1), sep),
      "Jeder Punkt ein gemessener Lauf, der rote Strich der Median eines Lösers.");
  if (histogram) {
    out += Figure(HistogramSvg(*histogram, "Zeiten je Rätsel der Bibliotheken auf " + name,
                               "zeiten-" + std::to_string(set + 1), sep),
                  "Je Bibliothek der Anteil der Rätsel je Zeitspanne in ihrem Lauf nächst dem "
                  "Median, die Zeit logarithmisch.");
  }
  out += "<div class=\"cards\">\n";
  const record::SetSummary& summary = summaries.Sets[set];
  for (std::size_t i = 0; i < record.Solvers.size(); ++i) {
    std::vector<ReportItem> items = SolverItems(record, i, summary.Solvers[i], sep);
    const std::string slowest = LibraryCard(record, summary.Solvers[i], i, sep);
    // The table below shows the slowest puzzles in columns.
    if (!slowest.empty()) {
      std::erase_if(items, [](const ReportItem& item) { return item.Label == "Langsamste"; });
    }
    out += "<article class=\"card\">\n" + Heading(3, record.Solvers[i].Name) + html::Items(items) +
           slowest + "</article>\n";
  }
  out += "</div>\n";
  const std::vector<std::string> fastest = FastestLines(record, summaries, set, sep);
  for (const std::string& line : fastest) out += Paragraph(line);
  return out + "</section>\n";
}

// A set's medians as figures: a row per stored run, a column per solver of the set; a wrong or
// failed run's cell bad news.
std::string MediansTable(const HistorySet& set, const std::vector<std::string>& solvers,
                         const std::string& sep) {
  std::vector<std::vector<Cell>> rows{{"Nr.", "Tag"}};
  for (const std::size_t solver : set.Solvers) rows[0].push_back(solvers[solver]);
  for (std::size_t run = 0; run < set.Runs.size(); ++run) {
    std::vector<Cell> row{std::to_string(set.Runs[run]), set.Days[run]};
    row.resize(rows[0].size(), "–");
    for (const record::HistoryLine* line : set.Lines) {
      if (line->Number != set.Runs[run]) continue;
      const auto at =
          std::find(set.Solvers.begin(), set.Solvers.end(),
                    static_cast<std::size_t>(
                        std::find(solvers.begin(), solvers.end(), line->Solver) - solvers.begin()));
      Cell cell = line->MedianSeconds ? PreciseSeconds(*line->MedianSeconds, sep) + " s" : "–";
      if (line->Verdict != record::Verdict::Correct) {
        cell = {cell.Text + " (" + VerdictWord(line->Verdict) + ")", ToneOf(line->Verdict)};
      }
      row[2 + static_cast<std::size_t>(at - set.Solvers.begin())] = cell;
    }
    rows.push_back(std::move(row));
  }
  std::vector<bool> numeric(rows[0].size(), true);
  numeric[1] = false;
  return html::Table(rows, numeric, true, "Median je Lauf");
}

}  // namespace

std::string FormatHtml(const record::RunRecord& record, const record::Summaries& summaries,
                       const std::string& sep) {
  const PlotData plot = PlotOf(record, summaries, sep);
  std::string body = "<header>\n" + Heading(1, "Messlauf") + Paragraph(plot.Title, "lead") +
                     "</header>\n<section>\n" + Heading(2, "Rechner und Lauf");
  std::vector<ReportItem> context = ContextItems(record, sep);
  if (record.Sets.size() > 1) {
    const std::vector<ReportItem> suite = SuiteItems(record);
    context.insert(context.end(), suite.begin(), suite.end());
  }
  body += html::Items(context) + "</section>\n<section>\n" + Overview(record, summaries, sep) +
          "</section>\n";
  const std::string compared = Comparisons(record, summaries, sep);
  if (!compared.empty()) body += "<section>\n" + compared + "</section>\n";
  for (std::size_t set = 0; set < record.Sets.size() && set < plot.Panels.size(); ++set) {
    const HistogramPanel* histogram = nullptr;
    for (const HistogramPanel& h : plot.Histograms) {
      if (h.Set == set) histogram = &h;
    }
    body += Set(record, summaries, plot.Panels[set], histogram, set, sep);
  }
  return html::Page("Messlauf: " + plot.Title, body);
}

std::string FormatHistoryHtml(const std::vector<record::HistoryLine>& lines,
                              const std::string& sep) {
  const std::string title = "Verlauf der gespeicherten Messläufe";
  std::string body = "<header>\n" + Heading(1, title);
  if (lines.empty()) {
    return html::Page(title,
                      body + Paragraph("Keine gespeicherten Läufe.", "lead") + "</header>\n");
  }
  std::vector<std::string> solvers;
  const std::vector<HistorySet> sets = HistorySetsOf(lines, solvers);
  std::vector<std::int64_t> runs;
  for (const record::HistoryLine& line : lines) {
    if (std::find(runs.begin(), runs.end(), line.Number) == runs.end()) runs.push_back(line.Number);
  }
  body += Paragraph(std::to_string(runs.size()) + (runs.size() == 1 ? " Lauf, " : " Läufe, ") +
                        std::to_string(sets.size()) + (sets.size() == 1 ? " Satz, " : " Sätze, ") +
                        std::to_string(solvers.size()) + " Löser",
                    "lead") +
          "</header>\n";
  for (std::size_t i = 0; i < sets.size(); ++i) {
    const HistorySet& set = sets[i];
    body += "<section>\n" + Heading(2, "Satz " + set.Title) +
            Figure(HistorySvg(set, solvers, "Median je Löser über die Läufe auf " + set.Title,
                              "verlauf-" + std::to_string(i + 1), sep),
                   "Je Lauf der Median jedes Lösers mit seinem schnellsten und langsamsten Lauf; "
                   "ein hohler Punkt: falsch, oder ohne Zeit.");
    body += MediansTable(set, solvers, sep) + "</section>\n";
  }
  std::vector<bool> numeric{true, false, false, false, false, false, true, true, false, false};
  body += "<section>\n" + Heading(2, "Alle Zeilen") +
          html::Table(HistoryRows(lines, sep), numeric) + "</section>\n";
  return html::Page(title, body);
}

}  // namespace report
