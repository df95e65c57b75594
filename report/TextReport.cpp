#include "TextReport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

#include "ElapsedTime.h"
#include "LastRun.h"

namespace report {
namespace {

using record::Verdict;

// Seconds with three decimals and the user's separator.
std::string Seconds(double value, const std::string& separator) {
  std::string text = timing::FormatElapsed(value, separator);
  return text.substr(0, text.size() - std::string(" Sek.").size());
}

// The lines that say where the puzzles are and where they came from.
void Source(std::ostringstream& text, const record::Settings& settings,
            const record::PuzzleSet& set) {
  text << "Ordner:      " << ReportPath(settings.Folder) << "\n"
       << "Anzahl:      " << set.Count << "\n";
  if (set.Collection.empty()) {
    text << "Startzahl:   " << set.Seed << "\n";
  } else {
    text << "Rätsel aus:  " << ReportPath(set.Collection) << "\n";
  }
}

void Times(std::ostringstream& text, const record::SolverSummary& s, const std::string& sep) {
  if (s.MonotonicTimes.empty()) return;
  if (s.MonotonicTimes.size() == 1) {
    for (const record::Run* run : s.Ended) {
      if (run->Warmup) continue;
      text << "Laufzeit:    " << timing::FormatElapsed(run->EndeSeconds, sep)
           << " (monoton gemessen " << PreciseSeconds(run->MonotonicSeconds, sep) << " s)\n";
    }
    return;
  }
  const stats::Summary &m = s.Monotonic, &e = s.Ende;
  text << "Laufzeit:    " << PreciseSeconds(m.Mean, sep) << " ± "
       << PreciseSeconds(*m.Deviation, sep) << " s monoton (Minimum "
       << PreciseSeconds(m.Minimum, sep) << ", Median " << PreciseSeconds(m.Median, sep)
       << ", Maximum " << PreciseSeconds(m.Maximum, sep) << "; " << m.Count << " Läufe)\n"
       << "   wie Ende: Minimum " << Seconds(e.Minimum, sep) << ", Median "
       << Seconds(e.Median, sep) << ", Maximum " << Seconds(e.Maximum, sep) << " Sek.\n";
  if (stats::Scattered(m)) text << "Warnung:     " << BusyMachineWarning << "\n";
}

void Solver(std::ostringstream& text, const record::RunRecord& record, const record::Solver& solver,
            const record::SolverSummary& s, const std::string& sep) {
  text << "Löser:       " << solver.Name << " (" << ReportPath(solver.Program) << ")\n";
  if (s.State == Verdict::Failed) {
    // The solver's own output may follow on further lines: indented under the item.
    std::string failure = s.Last->Failure;
    for (std::size_t at = failure.find('\n'); at != std::string::npos;
         at = failure.find('\n', at + 1)) {
      failure.insert(at + 1, "             ");
    }
    text << "Fehler:      " << failure << "\n";
    return;
  }
  const record::Judgement& check = LastCheck(s);
  const auto& outcomes = check.Outcomes;
  text << "OUT.TXT:     " << LastOutBytes(s) << " Bytes\n"
       << "Ergebnisse:  " << outcomes[0] << " ohne Lösung, " << outcomes[1] << " eindeutig, "
       << outcomes[2] << " mehrdeutig\n";
  Times(text, s, sep);
  const record::Settings& o = record.Settings;
  const bool oneRun = o.Warmup + o.Repeat == 1;
  text << "Prüfung:     "
       << (s.State == Verdict::Wrong && !oneRun ? record::RunName(o, LastRound(s)) + ": " : "")
       << check.Message << "\n";
  if (!check.Reason.empty()) text << "Grund:       " << check.Reason << "\n";
}

// The fastest correct solver, and how many times slower each other correct one is.
void Comparison(std::ostringstream& text, const record::RunRecord& record,
                const record::SetSummary& summary, const std::string& sep) {
  if (!summary.Fastest) return;
  const std::size_t fastest = *summary.Fastest;
  text << "\nAm schnellsten: " << record.Solvers[fastest].Name << " (mittlere monotone Zeit)\n";
  for (std::size_t i = 0; i < summary.Solvers.size(); ++i) {
    const std::optional<stats::Ratio>& r = summary.Solvers[i].RelativeToFastest;
    if (i == fastest || !r) continue;
    text << "  " << record.Solvers[i].Name << " braucht " << Decimal(r->Factor, 2, sep);
    if (r->Deviation) text << " ± " << Decimal(*r->Deviation, 2, sep);
    text << " mal so lange\n";
  }
}

// The machine, the build and the moment, in three lines.
void Context(std::ostringstream& text, const record::RunRecord& record, const std::string& sep) {
  const record::MachineContext& c = record.Context;
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
  if (record.Settings.PinnedCpu) text << "; Löser auf Prozessor " << *record.Settings.PinnedCpu;
  text << "\n";
  if (record::BusyAtStart(c)) {
    text << "Warnung:     " << BusyAtStartWarning(c.LoadAverage[0], sep) << "\n";
  }
}

// One set: where its puzzles came from, every solver on it, and how they compare.
void Set(std::ostringstream& text, const record::RunRecord& record, std::size_t set,
         const record::SetSummary& summary, const std::string& sep) {
  const record::Settings& o = record.Settings;
  Source(text, o, record.Sets[set]);
  text << "IN.TXT:      " << record.Sets[set].InBytes << " Bytes\n";
  if (o.Repeat > 1 || o.Warmup > 0) {
    text << "Runden:      " << o.Repeat << " gemessen";
    if (o.Warmup > 0) text << ", vorher " << o.Warmup << " zum Aufwärmen";
    text << "\n";
  }
  for (std::size_t i = 0; i < record.Solvers.size(); ++i) {
    if (record.Solvers.size() > 1) text << "\n";
    Solver(text, record, record.Solvers[i], summary.Solvers[i], sep);
  }
  Comparison(text, record, summary, sep);
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

std::string FormatReport(const record::RunRecord& record, const record::Summaries& summaries,
                         const std::string& decimalSeparator) {
  std::ostringstream text;
  Context(text, record, decimalSeparator);
  for (std::size_t set = 0; set < record.Sets.size(); ++set) {
    if (set > 0) text << "\n";
    Set(text, record, set, summaries.Sets[set], decimalSeparator);
  }
  return text.str();
}

std::string FormatPrepared(const record::Settings& settings, const record::PuzzleSet& set) {
  std::ostringstream text;
  Source(text, settings, set);
  text << "IN.TXT:      " << set.InBytes << " Bytes, bereit für Start, Quadrin, Ende und Check\n";
  return text.str();
}

}  // namespace report
