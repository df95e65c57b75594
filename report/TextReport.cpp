#include "TextReport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

#include "ComparisonRows.h"
#include "ElapsedTime.h"
#include "LastRun.h"
#include "SetMatrix.h"

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

// What a puzzle costs, gross and net of the start-up, and the start-up itself.
void PerPuzzle(std::ostringstream& text, const record::SolverSummary& s, const std::string& sep) {
  if (!s.MicrosecondsPerPuzzle) return;
  text << "Je Rätsel:   " << Figure(*s.MicrosecondsPerPuzzle, sep) << " µs";
  if (s.MicrosecondsPerPuzzleNet && *s.MicrosecondsPerPuzzleNet > 0) {
    text << " (netto " << Figure(*s.MicrosecondsPerPuzzleNet, sep) << " µs)";
  }
  if (s.PuzzlesPerSecond) text << ", " << Figure(*s.PuzzlesPerSecond, sep) << " Rätsel/s";
  if (s.StartupSeconds) text << "; Start " << Figure(*s.StartupSeconds * 1000, sep) << " ms";
  text << "\n";
}

// The medians of the CPU times and the peak memory over the timed runs on the whole set.
void Usage(std::ostringstream& text, const record::SolverSummary& s, const std::string& sep) {
  std::vector<double> user, system, memory;
  for (const record::Run* run : s.Ended) {
    if (run->Warmup || !run->Timed) continue;
    user.push_back(run->UserSeconds);
    system.push_back(run->SystemSeconds);
    memory.push_back(static_cast<double>(run->MaxRssBytes));
  }
  if (user.empty()) return;
  text << "Verbrauch:   " << Decimal(stats::Median(user), 3, sep) << " s Nutzer, "
       << Decimal(stats::Median(system), 3, sep) << " s System, höchstens "
       << Decimal(stats::Median(memory) / (1024.0 * 1024), 1, sep) << " MiB Speicher";
  if (user.size() > 1) text << " (Mediane aus " << user.size() << " Läufen)";
  text << "\n";
}

// Which run of a solver it was, with the start-up run named as such.
std::string RunLabel(const record::Settings& settings, const record::Run& run) {
  return record::RunName(settings, run.Round) + (run.Startup ? ", Startlauf" : "");
}

// Further lines of a message (a solver's own output) indented under the item.
std::string Indented(std::string message) {
  for (std::size_t at = message.find('\n'); at != std::string::npos;
       at = message.find('\n', at + 1)) {
    message.insert(at + 1, "             ");
  }
  return message;
}

void Solver(std::ostringstream& text, const record::RunRecord& record, const record::Solver& solver,
            const record::SolverSummary& s, const std::string& sep) {
  text << "Löser:       " << solver.Name << " (" << ReportPath(solver.Program) << ")\n";
  if (s.State == Verdict::Failed) {
    text << "Fehler:      " << Indented(s.Last->Failure) << "\n";
    return;
  }
  const record::Judgement& check = LastCheck(s);
  const auto& outcomes = check.Outcomes;
  text << "OUT.TXT:     " << LastOutBytes(s) << " Bytes\n"
       << "Ergebnisse:  " << outcomes[0] << " ohne Lösung, " << outcomes[1] << " eindeutig, "
       << outcomes[2] << " mehrdeutig\n";
  Times(text, s, sep);
  if (s.State == Verdict::Correct) {
    PerPuzzle(text, s, sep);
    Usage(text, s, sep);
  }
  const record::Settings& o = record.Settings;
  std::vector<double> judging;
  for (const record::Run* run : s.Ended) judging.push_back(run->CheckSeconds);
  if (!judging.empty()) {
    text << "Prüfzeit:    " << PreciseSeconds(stats::Median(judging), sep) << " s je Lauf"
         << (judging.size() > 1 ? " (Median)" : "") << ", " << o.CheckThreads
         << (o.CheckThreads == 1 ? " Thread" : " Threads") << "\n";
  }
  // With a single run there is no other to tell it from, unless it was the start-up run.
  const bool named = o.Warmup + o.Repeat > 1 || (s.Last && s.Last->Startup);
  text << "Prüfung:     " << (s.State == Verdict::Wrong && named ? RunLabel(o, *s.Last) + ": " : "")
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

// The matrix in aligned columns: the sets' names left, the cells right.
void Matrix(std::ostringstream& text, const SetMatrix& matrix) {
  std::vector<std::vector<std::string>> lines{matrix.Header};
  lines.insert(lines.end(), matrix.Rows.begin(), matrix.Rows.end());
  std::vector<bool> right(matrix.Header.size(), true);
  right[0] = false;
  text << AlignedColumns(lines, right, "   ") << "\n";
  for (const std::string& note : matrix.Notes) text << note << "\n";
}

// Where a solver left a set: which run, and the wrong puzzle with the reason or the failure.
void LeftSets(std::ostringstream& text, const record::RunRecord& record,
              const record::Summaries& summaries) {
  bool first = true;
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    for (std::size_t i = 0; i < record.Solvers.size(); ++i) {
      const record::SolverSummary& s = summaries.Sets[set].Solvers[i];
      if (s.State == Verdict::Correct || !s.Last) continue;
      text << (first ? "\n" : "");
      first = false;
      const std::string who = record.Sets[set].Name + ", " + record.Solvers[i].Name + ": ";
      if (s.State == Verdict::Failed) {
        text << "Gescheitert: " << who << Indented(s.Last->Failure) << "\n";
        continue;
      }
      const record::Judgement& check = LastCheck(s);
      text << "Falsch:      " << who << RunLabel(record.Settings, *s.Last) << ": " << check.Message;
      if (!check.Reason.empty()) text << " Grund: " << check.Reason;
      text << "\n";
    }
  }
}

// Every solver whose times on a set spread as on a busy machine.
void Scattered(std::ostringstream& text, const record::RunRecord& record,
               const record::Summaries& summaries) {
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    for (std::size_t i = 0; i < record.Solvers.size(); ++i) {
      const record::SolverSummary& s = summaries.Sets[set].Solvers[i];
      if (s.MonotonicTimes.size() < 2 || !stats::Scattered(s.Monotonic)) continue;
      text << "Warnung:     " << record.Sets[set].Name << ", " << record.Solvers[i].Name << ": "
           << BusyMachineWarning << "\n";
    }
  }
}

// Several sets: what ran, the matrix, and why a solver left a set.
void Suite(std::ostringstream& text, const record::RunRecord& record,
           const record::Summaries& summaries, const std::string& sep) {
  const record::Settings& o = record.Settings;
  text << "Ordner:      " << ReportPath(o.Folder) << "\n"
       << "Runden:      " << o.Repeat << " gemessen";
  if (o.Warmup > 0) text << ", vorher " << o.Warmup << " zum Aufwärmen";
  text << "\n";
  for (const record::Solver& solver : record.Solvers) {
    text << "Löser:       " << solver.Name << " (" << ReportPath(solver.Program) << ")\n";
  }
  text << "\n";
  Matrix(text, MatrixOf(record, summaries, sep));
  LeftSets(text, record, summaries);
  Scattered(text, record, summaries);
}

// Each comparison of medians in a line of a table, and what the baseline's machine did
// differently.
void Comparisons(std::ostringstream& text, const record::RunRecord& record,
                 const record::Summaries& summaries, const std::string& sep) {
  const std::vector<ComparisonRow> rows = ComparisonRowsOf(record, summaries, sep);
  if (rows.empty()) return;
  text << "\nVergleiche: Verhältnis der Mediane (jetzt ÷ anderer) mit 95-%-Intervall; als "
          "Rauschen gilt unter "
       << ShownPercent(record.Settings.NoisePercent, sep);
  if (record.Baseline) text << "; Basis: --baseline " << record.Baseline->Reference;
  text << "\n";
  std::vector<std::vector<std::string>> lines{
      {"Löser", "Satz", "gegen", "Verhältnis", "Intervall", "Test", "Urteil"}};
  for (const ComparisonRow& r : rows) {
    lines.push_back({r.Solver, r.Set, r.Against, r.Ratio, r.Interval, r.P, r.Verdict});
  }
  text << AlignedColumns(lines, {false, false, false, true, true, false, false}, "  ");
  if (!record.Baseline) return;
  for (const std::string& warning : record.Baseline->Warnings) {
    text << "Warnung:     " << warning << "\n";
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

std::string Figure(double value, const std::string& separator) {
  const double size = std::abs(value);
  const int digits = size >= 1e-9 ? static_cast<int>(std::floor(std::log10(size))) : 0;
  return Decimal(value, std::clamp(3 - digits, 0, 3), separator);
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
  if (record.Sets.size() > 1) {
    Suite(text, record, summaries, decimalSeparator);
  } else if (!record.Sets.empty()) {
    Set(text, record, 0, summaries.Sets[0], decimalSeparator);
  }
  Comparisons(text, record, summaries, decimalSeparator);
  return text.str();
}

std::string FormatPrepared(const record::Settings& settings, const record::PuzzleSet& set) {
  std::ostringstream text;
  Source(text, settings, set);
  text << "IN.TXT:      " << set.InBytes << " Bytes, bereit für Start, Quadrin, Ende und Check\n";
  return text.str();
}

// Characters on the screen: UTF-8 continuation bytes take no room of their own.
static std::size_t Shown(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string AlignedColumns(const std::vector<std::vector<std::string>>& lines,
                           const std::vector<bool>& right, const std::string& gap) {
  std::vector<std::size_t> widths(right.size(), 0);
  for (const auto& line : lines) {
    for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], Shown(line[i]));
  }
  std::string text;
  for (const auto& line : lines) {
    std::string row;
    for (std::size_t i = 0; i < line.size(); ++i) {
      const std::string padding(widths[i] - Shown(line[i]), ' ');
      if (i > 0) row += gap;
      row += right[i] ? padding + line[i] : line[i] + padding;
    }
    // The last column left-aligned would leave spaces at the end of the line.
    text += row.substr(0, row.find_last_not_of(' ') + 1) + "\n";
  }
  return text;
}

}  // namespace report
