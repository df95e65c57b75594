#include "TableReports.h"

#include <sstream>

#include "ComparisonRows.h"
#include "LastRun.h"
#include "Numbers.h"
#include "SetMatrix.h"

namespace report {
namespace {

using record::Verdict;

// A Markdown cell: a "|" would end it.
std::string Cell(const std::string& text) {
  std::string cell;
  for (char c : text) cell += c == '|' ? std::string("\\|") : std::string(1, c);
  return cell;
}

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string Field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// The last cell of a solver's row: its factor against the fastest, or why it has none.
std::string Relative(const record::SetSummary& summary, std::size_t solver,
                     const std::string& sep) {
  const record::SolverSummary& s = summary.Solvers[solver];
  if (s.Verdict == Verdict::Wrong) return "falsch (Nr. " + std::to_string(LastCheck(s).Number) + ")";
  if (summary.Fastest == solver || !s.RelativeToFastest) return Decimal(1, 2, sep);
  const stats::Ratio& r = *s.RelativeToFastest;
  return Decimal(r.Factor, 2, sep) + (r.Deviation ? " ± " + Decimal(*r.Deviation, 2, sep) : "");
}

void MarkdownTable(std::ostringstream& md, const record::RunRecord& record,
                   const record::SetSummary& summary, const std::string& sep) {
  md << "| Löser | Mittel ± σ [s] | Minimum [s] | Maximum [s] | relativ |\n"
     << "|---|---:|---:|---:|---:|\n";
  for (std::size_t i = 0; i < summary.Solvers.size(); ++i) {
    const record::SolverSummary& s = summary.Solvers[i];
    md << "| " << Cell(record.Solvers[i].Name) << " | ";
    if (s.Verdict == Verdict::Failed || s.MonotonicTimes.empty()) {
      md << "– | – | – | " << (s.Verdict == Verdict::Correct ? "–" : "fehlgeschlagen") << " |\n";
      continue;
    }
    const stats::Summary& m = s.Monotonic;
    md << PreciseSeconds(m.Mean, sep);
    if (m.Deviation) md << " ± " << PreciseSeconds(*m.Deviation, sep);
    md << " | " << PreciseSeconds(m.Minimum, sep) << " | " << PreciseSeconds(m.Maximum, sep)
       << " | " << Relative(summary, i, sep) << " |\n";
  }
}

// Several sets: the matrix as one table, its notes below it.
void MarkdownMatrix(std::ostringstream& md, const SetMatrix& matrix) {
  md << "|";
  for (const std::string& name : matrix.Header) md << " " << Cell(name) << " |";
  md << "\n|---|";
  for (std::size_t i = 1; i < matrix.Header.size(); ++i) md << "---:|";
  md << "\n";
  for (const std::vector<std::string>& row : matrix.Rows) {
    md << "|";
    for (const std::string& cell : row) md << " " << Cell(cell) << " |";
    md << "\n";
  }
  md << "\n";
  for (const std::string& note : matrix.Notes) md << note << "\n";
}

// The comparisons of medians, one row each.
void MarkdownComparisons(std::ostringstream& md, const record::RunRecord& record,
                         const record::Summaries& summaries, const std::string& sep) {
  const std::vector<ComparisonRow> rows = ComparisonRowsOf(record, summaries, sep);
  if (rows.empty()) return;
  md << "\n| Löser | Satz | gegen | Verhältnis | 95-%-Intervall | Test | Urteil |\n"
     << "|---|---|---|---:|---:|---|---|\n";
  for (const ComparisonRow& r : rows) {
    md << "| " << Cell(r.Solver) << " | " << Cell(r.Set) << " | " << Cell(r.Against) << " | "
       << r.Ratio << " | " << r.Interval << " | " << r.P << " | " << r.Verdict << " |\n";
  }
  md << "\nVerhältnis der Mediane, jetzt ÷ anderer; als Rauschen gilt unter "
     << ShownPercent(record.Settings.NoisePercent, sep) << ".\n";
}

}  // namespace

std::string FormatMarkdown(const record::RunRecord& record, const record::Summaries& summaries,
                           const std::string& decimalSeparator) {
  std::ostringstream md;
  if (summaries.Sets.size() > 1) {
    MarkdownMatrix(md, MatrixOf(record, summaries, decimalSeparator));
  } else if (!summaries.Sets.empty()) {
    MarkdownTable(md, record, summaries.Sets[0], decimalSeparator);
  }
  MarkdownComparisons(md, record, summaries, decimalSeparator);
  return md.str();
}

std::string FormatCsv(const record::RunRecord& record, const record::Summaries& summaries) {
  std::ostringstream csv;
  csv << "set,solver,program,round,warmup,startup,monotonic_seconds,ende_seconds,user_seconds,"
         "system_seconds,max_rss_bytes,verdict\r\n";
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    const std::string where = Field(record.Sets[set].Name) + ",";
    for (std::size_t i = 0; i < record.Solvers.size(); ++i) {
      const record::Solver& solver = record.Solvers[i];
      const std::string who = Field(solver.Name) + "," + Field(ReportPath(solver.Program)) + ",";
      for (const record::Measurement& run : record.Measurements) {
        if (run.Set != set || run.Solver != i) continue;
        csv << where << who << run.Round << "," << (run.Warmup ? "true" : "false") << ","
            << (run.Startup ? "true" : "false") << ",";
        if (run.Timed) {  // a run that never ended has no times
          csv << Decimal(run.MonotonicSeconds, 6, ".") << "," << Decimal(run.EndeSeconds, 3, ".")
              << "," << Decimal(run.UserSeconds, 6, ".") << ","
              << Decimal(run.SystemSeconds, 6, ".") << "," << run.MaxRssBytes;
        } else {
          csv << ",,,,";
        }
        csv << "," << record::VerdictName(run.Verdict) << "\r\n";
      }
    }
  }
  return csv.str();
}

}  // namespace report
