#include "TableReports.h"

#include <cstdio>
#include <sstream>

#include "Statistics.h"
#include "TextReport.h"

namespace runner {
namespace {

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

}  // namespace

std::string FormatMarkdown(const RunReport& report) {
  const std::string& sep = report.Options.DecimalSeparator;
  const std::optional<std::size_t> fastest = Fastest(report);
  std::ostringstream md;
  md << "| Löser | Mittel ± σ [s] | Minimum [s] | Maximum [s] | relativ |\n"
     << "|---|---:|---:|---:|---:|\n";
  for (const SolverReport& s : report.Solvers) {
    md << "| " << Cell(s.Solver.Name) << " | ";
    const std::vector<double> times = s.MonotonicTimes();
    if (s.State == SolverState::Failed || times.empty()) {
      md << "– | – | – | " << (s.State == SolverState::Correct ? "–" : "fehlgeschlagen") << " |\n";
      continue;
    }
    const Summary m = Summarize(times);
    md << PreciseSeconds(m.Mean, sep);
    if (m.Deviation) md << " ± " << PreciseSeconds(*m.Deviation, sep);
    md << " | " << PreciseSeconds(m.Minimum, sep) << " | " << PreciseSeconds(m.Maximum, sep)
       << " | ";
    if (s.State == SolverState::Wrong) {
      md << "falsch (Nr. " << s.Check.Number << ")";
    } else if (fastest && &s != &report.Solvers[*fastest]) {
      const Ratio r = Slower(Summarize(report.Solvers[*fastest].MonotonicTimes()), m);
      md << Decimal(r.Factor, 2, sep);
      if (r.Deviation) md << " ± " << Decimal(*r.Deviation, 2, sep);
    } else {
      md << Decimal(1, 2, sep);
    }
    md << " |\n";
  }
  return md.str();
}

std::string FormatCsv(const RunReport& report) {
  std::ostringstream csv;
  csv << "solver,program,round,warmup,monotonic_seconds,ende_seconds,verdict\r\n";
  for (const SolverReport& s : report.Solvers) {
    const std::string who = Field(s.Solver.Name) + "," + Field(ReportPath(s.Solver.Program)) + ",";
    for (std::size_t i = 0; i < s.Runs.size(); ++i) {
      const SolverRun& run = s.Runs[i];
      const bool last = i + 1 == s.Runs.size() && run.Round == s.LastRound;
      csv << who << run.Round << "," << (run.Warmup ? "true" : "false") << ","
          << Decimal(run.MonotonicSeconds, 6, ".") << "," << Decimal(run.EndeSeconds, 3, ".") << ","
          << (last ? StateName(s.State) : "correct") << "\r\n";
    }
    if (s.State == SolverState::Failed) {  // the run that failed has no times
      csv << who << s.LastRound << "," << (s.LastRound <= report.Options.Warmup ? "true" : "false")
          << ",,,failed\r\n";
    }
  }
  return csv.str();
}

}  // namespace runner
