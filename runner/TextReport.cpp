#include "TextReport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

#include "ElapsedTime.h"
#include "Statistics.h"

namespace runner {
namespace {

// Seconds with three decimals and the user's separator.
std::string Seconds(double value, const std::string& separator) {
  std::string text = timing::FormatElapsed(value, separator);
  return text.substr(0, text.size() - std::string(" Sek.").size());
}

// The lines that say where the puzzles are and where they came from.
void Source(std::ostringstream& text, const RunOptions& o, const PreparedPuzzles& puzzles) {
  text << "Ordner:      " << ReportPath(o.Folder) << "\n"
       << "Anzahl:      " << puzzles.Count << "\n";
  if (o.Source.Collection.empty()) {
    text << "Startzahl:   " << o.Source.Seed << "\n";
  } else {
    text << "Rätsel aus:  " << ReportPath(o.Source.Collection) << "\n";
  }
}

void Times(std::ostringstream& text, const RunOptions& o, const SolverReport& solver) {
  const std::string& sep = o.DecimalSeparator;
  const std::vector<double> monotonic = solver.MonotonicTimes();
  if (monotonic.empty()) return;
  if (monotonic.size() == 1) {
    for (const SolverRun& run : solver.Runs) {
      if (run.Warmup) continue;
      text << "Laufzeit:    " << run.EndeText << " (monoton gemessen "
           << PreciseSeconds(run.MonotonicSeconds, sep) << " s)\n";
    }
    return;
  }
  const Summary m = Summarize(monotonic), e = Summarize(solver.EndeTimes());
  text << "Laufzeit:    " << PreciseSeconds(m.Mean, sep) << " ± "
       << PreciseSeconds(*m.Deviation, sep) << " s monoton (Minimum "
       << PreciseSeconds(m.Minimum, sep) << ", Median " << PreciseSeconds(m.Median, sep)
       << ", Maximum " << PreciseSeconds(m.Maximum, sep) << "; " << m.Count << " Läufe)\n"
       << "   wie Ende: Minimum " << Seconds(e.Minimum, sep) << ", Median "
       << Seconds(e.Median, sep) << ", Maximum " << Seconds(e.Maximum, sep) << " Sek.\n";
  if (Scattered(m)) text << "Warnung:     " << BusyMachineWarning << "\n";
}

void Solver(std::ostringstream& text, const RunOptions& o, const SolverReport& solver) {
  text << "Löser:       " << solver.Solver.Name << " (" << ReportPath(solver.Solver.Program)
       << ")\n";
  if (solver.State == SolverState::Failed) {
    // The solver's own output may follow on further lines: indented under the item.
    std::string failure = solver.Failure;
    for (std::size_t at = failure.find('\n'); at != std::string::npos;
         at = failure.find('\n', at + 1)) {
      failure.insert(at + 1, "             ");
    }
    text << "Fehler:      " << failure << "\n";
    return;
  }
  const auto& outcomes = solver.Check.Outcomes;
  text << "OUT.TXT:     " << solver.OutBytes << " Bytes\n"
       << "Ergebnisse:  " << outcomes[0] << " ohne Lösung, " << outcomes[1] << " eindeutig, "
       << outcomes[2] << " mehrdeutig\n";
  Times(text, o, solver);
  const bool oneRun = o.Warmup + o.Repeat == 1;
  text << "Prüfung:     "
       << (solver.State == SolverState::Wrong && !oneRun ? RunName(o, solver.LastRound) + ": " : "")
       << solver.Check.Message << "\n";
  if (!solver.Check.Reason.empty()) text << "Grund:       " << solver.Check.Reason << "\n";
}

// The fastest correct solver, and how many times slower each other correct one is.
void Comparison(std::ostringstream& text, const RunReport& report) {
  const std::optional<std::size_t> fastest = Fastest(report);
  if (!fastest) return;
  const std::string& sep = report.Options.DecimalSeparator;
  const SolverReport& best = report.Solvers[*fastest];
  const Summary bestTimes = Summarize(best.MonotonicTimes());
  text << "\nAm schnellsten: " << best.Solver.Name << " (mittlere monotone Zeit)\n";
  for (const SolverReport& s : report.Solvers) {
    if (&s == &best || s.State != SolverState::Correct || s.MonotonicTimes().empty()) continue;
    const Ratio r = Slower(bestTimes, Summarize(s.MonotonicTimes()));
    text << "  " << s.Solver.Name << " braucht " << Decimal(r.Factor, 2, sep);
    if (r.Deviation) text << " ± " << Decimal(*r.Deviation, 2, sep);
    text << " mal so lange\n";
  }
}

// The machine, the build and the moment, in three lines.
void Context(std::ostringstream& text, const RunReport& report) {
  const MachineContext& c = report.Context;
  const std::string& sep = report.Options.DecimalSeparator;
  text << "Rechner:     " << (c.Processor.empty() ? "unbekannter Prozessor" : c.Processor) << ", "
       << c.LogicalCores << " logische Kerne, "
       << Decimal(static_cast<double>(c.MemoryBytes) / (1024.0 * 1024 * 1024), 1, sep) << " GiB";
  if (!c.OperatingSystem.empty()) text << ", " << c.OperatingSystem;
  if (!c.Kernel.empty()) text << ", " << c.Kernel;
  text << "\nMesskit:     " << c.KitVersion;
  if (!c.GitCommit.empty()) {
    text << ", Commit " << c.GitCommit << (c.GitChanges ? " mit Änderungen" : "");
  }
  text << ", " << c.Compiler << ", " << c.BuildType << "\n"
       << "Beginn:      " << c.StartedUtc << ", Last " << Decimal(c.LoadAverage[0], 2, sep) << " / "
       << Decimal(c.LoadAverage[1], 2, sep) << " / " << Decimal(c.LoadAverage[2], 2, sep);
  if (report.Options.Limits.PinnedCpu) {
    text << "; Löser auf Prozessor " << *report.Options.Limits.PinnedCpu;
  }
  text << "\n";
  if (BusyAtStart(c)) {
    text << "Warnung:     " << BusyAtStartWarning(c.LoadAverage[0], sep) << "\n";
  }
}

}  // namespace

std::string BusyAtStartWarning(double load, const std::string& separator) {
  return "Der Rechner war beim Start beschäftigt (Last " + Decimal(load, 2, separator) +
         "); die Zeiten können streuen.";
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

std::string PreciseSeconds(double seconds, const std::string& separator) {
  int decimals = 3;
  if (seconds > 0 && seconds < 1) {
    decimals = std::min(9, 3 - static_cast<int>(std::floor(std::log10(seconds))));
  }
  return Decimal(seconds, decimals, separator);
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

std::string FormatReport(const RunReport& report) {
  const RunOptions& o = report.Options;
  std::ostringstream text;
  Context(text, report);
  Source(text, o, report.Puzzles);
  text << "IN.TXT:      " << report.Puzzles.Bytes << " Bytes\n";
  if (o.Repeat > 1 || o.Warmup > 0) {
    text << "Runden:      " << o.Repeat << " gemessen";
    if (o.Warmup > 0) text << ", vorher " << o.Warmup << " zum Aufwärmen";
    text << "\n";
  }
  for (const SolverReport& solver : report.Solvers) {
    if (report.Solvers.size() > 1) text << "\n";
    Solver(text, o, solver);
  }
  Comparison(text, report);
  return text.str();
}

std::string FormatPrepared(const RunOptions& options, const PreparedPuzzles& puzzles) {
  std::ostringstream text;
  Source(text, options, puzzles);
  text << "IN.TXT:      " << puzzles.Bytes << " Bytes, bereit für Start, Quadrin, Ende und Check\n";
  return text.str();
}

}  // namespace runner
