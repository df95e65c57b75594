#include "TextReport.h"

#include <algorithm>
#include <csignal>
#include <sstream>

#include "BaselineWords.h"
#include "ComparisonRows.h"
#include "ElapsedTime.h"
#include "LastRun.h"
#include "Numbers.h"
#include "SetMatrix.h"
#include "SolverWords.h"

namespace report {
namespace {

using record::Verdict;

// The puzzles of the set, and the count asked for where the collection held fewer.
std::string CountText(const record::PuzzleSet& set) {
  std::string text = std::to_string(set.Count);
  if (set.Requested) {
    text +=
        " (verlangt waren " + std::to_string(*set.Requested) + "; mehr hält die Sammlung nicht)";
  }
  return text;
}

// The lines that say where the puzzles are and where they came from.
std::vector<ReportItem> SourceItems(const record::Settings& settings,
                                    const record::PuzzleSet& set) {
  std::vector<ReportItem> items{{"Ordner", ReportPath(settings.Folder)},
                                {"Anzahl", CountText(set)}};
  if (set.Collection.empty()) {
    items.push_back({"Startzahl", std::to_string(set.Seed)});
  } else {
    items.push_back({"Rätsel aus", ReportPath(set.Collection)});
  }
  return items;
}

std::string RoundsText(const record::Settings& o) {
  std::string text = std::to_string(o.Repeat) + " gemessen";
  if (o.Warmup > 0) text += ", vorher " + std::to_string(o.Warmup) + " zum Aufwärmen";
  return text;
}

// Seconds with three decimals and the user's separator.
std::string Seconds(double value, const std::string& separator) {
  std::string text = timing::FormatElapsed(value, separator);
  return text.substr(0, text.size() - std::string(" Sek.").size());
}

void Times(std::vector<ReportItem>& items, const record::SolverSummary& s, const std::string& sep) {
  if (s.MonotonicTimes.empty()) return;
  if (s.MonotonicTimes.size() == 1) {
    for (const record::Measurement* run : s.Ended) {
      if (run->Warmup) continue;
      items.push_back({"Laufzeit", timing::FormatElapsed(run->EndeSeconds, sep) +
                                       " (monoton gemessen " +
                                       PreciseSeconds(run->MonotonicSeconds, sep) + " s)"});
    }
    return;
  }
  const stats::Summary &m = s.Monotonic, &e = s.Ende;
  items.push_back({"Laufzeit", PreciseSeconds(m.Mean, sep) + " ± " +
                                   PreciseSeconds(*m.Deviation, sep) + " s monoton (Minimum " +
                                   PreciseSeconds(m.Minimum, sep) + ", Median " +
                                   PreciseSeconds(m.Median, sep) + ", Maximum " +
                                   PreciseSeconds(m.Maximum, sep) + "; " + std::to_string(m.Count) +
                                   " Läufe)"});
  items.push_back({"wie Ende",
                   "Minimum " + Seconds(e.Minimum, sep) + ", Median " + Seconds(e.Median, sep) +
                       ", Maximum " + Seconds(e.Maximum, sep) + " Sek.",
                   true});
  if (stats::Scattered(m)) items.push_back({"Warnung", BusyMachineWarning, false, Tone::Warning});
}

// What a puzzle costs, gross and net of the start-up, and the start-up itself.
void PerPuzzle(std::vector<ReportItem>& items, const record::SolverSummary& s,
               const std::string& sep) {
  if (!s.MicrosecondsPerPuzzle) return;
  std::string value = Figure(*s.MicrosecondsPerPuzzle, sep) + " µs";
  if (s.MicrosecondsPerPuzzleNet && *s.MicrosecondsPerPuzzleNet > 0) {
    value += " (netto " + Figure(*s.MicrosecondsPerPuzzleNet, sep) + " µs)";
  }
  if (s.PuzzlesPerSecond) value += ", " + Figure(*s.PuzzlesPerSecond, sep) + " Rätsel/s";
  if (s.StartupSeconds) value += "; Start " + Figure(*s.StartupSeconds * 1000, sep) + " ms";
  items.push_back({"Je Rätsel", value});
}

// The medians of the CPU times and the peak memory over the timed runs on the whole set.
void Usage(std::vector<ReportItem>& items, const record::SolverSummary& s, const std::string& sep) {
  std::vector<double> user, system, memory;
  for (const record::Measurement* run : s.Ended) {
    if (run->Warmup || !run->Timed) continue;
    user.push_back(run->UserSeconds);
    system.push_back(run->SystemSeconds);
    memory.push_back(static_cast<double>(run->MaxRssBytes));
  }
  if (user.empty()) return;
  std::string value = Decimal(stats::Median(user), 3, sep) + " s Nutzer, " +
                      Decimal(stats::Median(system), 3, sep) + " s System, höchstens " +
                      Decimal(stats::Median(memory) / (1024.0 * 1024), 1, sep) + " MiB Speicher";
  if (user.size() > 1) value += " (Mediane aus " + std::to_string(user.size()) + " Läufen)";
  items.push_back({"Verbrauch", value});
}

// The median time Check took to judge the runs on the whole set, and on how many threads. A run
// stored by an earlier kit may not know either: what is not known is left out, the line as well
// when no run knows its time.
void CheckTime(std::vector<ReportItem>& items, const record::Settings& o,
               const record::SolverSummary& s, const std::string& sep) {
  std::vector<double> judging;
  for (const record::Measurement* run : s.Ended) {
    if (run->CheckSeconds) judging.push_back(*run->CheckSeconds);
  }
  if (judging.empty()) return;
  std::string value = PreciseSeconds(stats::Median(judging), sep) + " s je Lauf" +
                      (judging.size() > 1 ? " (Median)" : "");
  if (o.CheckThreads) {
    value +=
        ", " + std::to_string(*o.CheckThreads) + (*o.CheckThreads == 1 ? " Thread" : " Threads");
  }
  items.push_back({"Prüfzeit", value});
}

// Which run of a solver it was, with the start-up run named as such.
std::string RunLabel(const record::Settings& settings, const record::Measurement& run) {
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

// Items in lines: the values aligned after their labels, an explaining item indented.
void Lines(std::ostringstream& text, const std::vector<ReportItem>& items) {
  for (const ReportItem& item : items) {
    std::string label = item.Label + ":";
    if (item.Continued) {
      label = "   " + label + " ";
    } else {
      // Values start in the 14th column; a longer label keeps one space.
      label += std::string(
          std::max<std::size_t>(1, 13 - std::min<std::size_t>(13, ShownWidth(label))), ' ');
    }
    text << label << Indented(item.Value) << "\n";
  }
}

// The matrix in aligned columns: the sets' names left, the cells right.
void Matrix(std::ostringstream& text, const SetMatrix& matrix) {
  std::vector<std::vector<std::string>> lines{matrix.Header};
  for (const std::vector<Cell>& row : matrix.Rows) lines.push_back(TextsOf(row));
  std::vector<bool> right(matrix.Header.size(), true);
  right[0] = false;
  text << AlignedColumns(lines, right, "   ") << "\n";
  for (const std::string& note : matrix.Notes) text << note << "\n";
}

// Several sets: what ran, the matrix, and why a solver left a set.
void Suite(std::ostringstream& text, const record::RunRecord& record,
           const record::Summaries& summaries, const std::string& sep) {
  Lines(text, SuiteItems(record));
  text << "\n";
  Matrix(text, MatrixOf(record, summaries, sep));
  const std::vector<ReportItem> left = LeftSetItems(record, summaries);
  if (!left.empty()) text << "\n";
  Lines(text, left);
  Lines(text, ScatteredItems(record, summaries));
}

// One set: where its puzzles came from, every solver on it, and how they compare.
void Set(std::ostringstream& text, const record::RunRecord& record,
         const record::Summaries& summaries, const std::string& sep) {
  const record::SetSummary& summary = summaries.Sets[0];
  Lines(text, SetItems(record, 0));
  for (std::size_t i = 0; i < record.Solvers.size(); ++i) {
    if (record.Solvers.size() > 1) text << "\n";
    Lines(text, SolverItems(record, i, summary.Solvers[i], sep));
  }
  const std::vector<std::string> fastest = FastestLines(record, summaries, 0, sep);
  for (std::size_t i = 0; i < fastest.size(); ++i) {
    text << (i == 0 ? "\n" : "  ") << fastest[i] << "\n";
  }
}

// Each comparison of medians in a line of a table, and what the baseline's machine did
// differently.
void Comparisons(std::ostringstream& text, const record::RunRecord& record,
                 const record::Summaries& summaries, const std::string& sep) {
  const std::vector<ComparisonRow> rows = ComparisonRowsOf(record, summaries, sep);
  if (rows.empty()) return;
  text << "\n" << ComparisonsHeading(record, sep) << "\n";
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

std::vector<ReportItem> ContextItems(const record::RunRecord& record, const std::string& sep) {
  const record::MachineContext& c = record.Context;
  std::string machine =
      (c.Processor.empty() ? "unbekannter Prozessor" : c.Processor) + ", " +
      std::to_string(c.LogicalCores) + " logische Kerne, " +
      Decimal(static_cast<double>(c.MemoryBytes) / (1024.0 * 1024 * 1024), 1, sep) + " GiB";
  if (!c.OperatingSystem.empty()) machine += ", " + c.OperatingSystem;
  if (!c.Kernel.empty()) machine += ", " + c.Kernel;
  std::string kit = c.KitVersion;
  if (!c.GitCommit.empty()) {
    kit += ", Commit " + c.GitCommit + (c.GitChanges ? " mit Änderungen" : "");
  }
  kit += ", " + c.Compiler + ", " + c.BuildType;
  std::string begin = c.StartedUtc + ", Last " + Decimal(c.LoadAverage[0], 2, sep) + " / " +
                      Decimal(c.LoadAverage[1], 2, sep) + " / " + Decimal(c.LoadAverage[2], 2, sep);
  if (record.Settings.PinnedCpu) {
    begin += "; Löser auf Prozessor " + std::to_string(*record.Settings.PinnedCpu);
  }
  std::vector<ReportItem> items{{"Rechner", machine}, {"Messkit", kit}, {"Beginn", begin}};
  if (record::BusyAtStart(c)) {
    items.push_back({"Warnung", BusyAtStartWarning(c.LoadAverage[0], sep), false, Tone::Warning});
  }
  if (record.Interruption) {
    items.push_back({"Warnung", InterruptionText(record), false, Tone::Warning});
  }
  return items;
}

std::string InterruptionText(const record::RunRecord& record) {
  const record::Interruption& i = *record.Interruption;
  std::string text = "Abgebrochen nach Runde " + std::to_string(i.TimedRounds) + " von " +
                     std::to_string(record.Settings.Repeat);
  if (record.Sets.size() > 1 || !i.NotRun.empty()) {
    text += " im Satz " + (i.Set < record.Sets.size() ? record.Sets[i.Set].Name : "?");
  }
  text += std::string(" durch ") + (i.Signal == SIGINT ? "Strg+C (SIGINT)" : "SIGTERM") +
          "; der Bericht hält nur die ganzen Runden, die Runde danach ist verworfen";
  if (!i.NotRun.empty()) {
    text += "; nicht gelaufen: ";
    for (std::size_t n = 0; n < i.NotRun.size(); ++n) text += (n ? ", " : "") + i.NotRun[n];
  }
  return text + ".";
}

std::vector<ReportItem> SetItems(const record::RunRecord& record, std::size_t set) {
  const record::Settings& o = record.Settings;
  const record::PuzzleSet& puzzles = record.Sets[set];
  std::vector<ReportItem> items = SourceItems(o, puzzles);
  if (record.Baseline && puzzles.Collection.empty()) {
    if (auto from = PuzzlesFromText(*record.Baseline)) items.push_back({"übernommen", *from, true});
  }
  items.push_back({"IN.TXT", std::to_string(puzzles.InBytes) + " Bytes"});
  if (o.Repeat > 1 || o.Warmup > 0) items.push_back({"Runden", RoundsText(o)});
  return items;
}

namespace {

// The solver with what it ran and its kind, each of its input files under it.
void SolverNameItems(std::vector<ReportItem>& items, const record::Solver& solver) {
  items.push_back({"Löser", SolverShown(solver)});
  for (std::string& input : SolverInputsShown(solver)) {
    items.push_back({"Eingabe", std::move(input), true});
  }
}

}  // namespace

std::vector<ReportItem> SuiteItems(const record::RunRecord& record) {
  const record::Settings& o = record.Settings;
  std::vector<ReportItem> items{{"Ordner", ReportPath(o.Folder)}, {"Runden", RoundsText(o)}};
  for (const record::Solver& solver : record.Solvers) SolverNameItems(items, solver);
  return items;
}

std::vector<ReportItem> SolverItems(const record::RunRecord& record, std::size_t solver,
                                    const record::SolverSummary& s, const std::string& sep) {
  const record::Solver& who = record.Solvers[solver];
  std::vector<ReportItem> items;
  SolverNameItems(items, who);
  if (s.Verdict == Verdict::Failed) {
    items.push_back({"Fehler", s.Last->Failure, false, Tone::Bad});
    return items;
  }
  const record::Judgement& check = LastCheck(s);
  const auto& outcomes = check.Outcomes;
  // A line solver writes no OUT.TXT; its size is that of what it printed.
  items.push_back({who.Kind == record::SolverKind::Lines ? "Ausgabe" : "OUT.TXT",
                   std::to_string(LastOutBytes(s)) + " Bytes"});
  items.push_back({"Ergebnisse", std::to_string(outcomes[0]) + " ohne Lösung, " +
                                     std::to_string(outcomes[1]) + " eindeutig, " +
                                     std::to_string(outcomes[2]) + " mehrdeutig"});
  Times(items, s, sep);
  if (s.Verdict == Verdict::Correct) {
    PerPuzzle(items, s, sep);
    Usage(items, s, sep);
  }
  const record::Settings& o = record.Settings;
  CheckTime(items, o, s, sep);
  // With a single run there is no other to tell it from, unless it was the start-up run.
  const bool named = o.Warmup + o.Repeat > 1 || (s.Last && s.Last->Startup);
  // A solver not yet judged (a record cut short) has no verdict to tone.
  const Tone tone = LastStanding(s) ? ToneOf(s.Verdict) : Tone::None;
  items.push_back(
      {"Prüfung",
       (s.Verdict == Verdict::Wrong && named ? RunLabel(o, *s.Last) + ": " : "") + check.Message,
       false, tone});
  if (!check.Reason.empty()) items.push_back({"Grund", check.Reason});
  return items;
}

std::vector<std::string> FastestLines(const record::RunRecord& record,
                                      const record::Summaries& summaries, std::size_t set,
                                      const std::string& sep) {
  const record::SetSummary& summary = summaries.Sets[set];
  if (!summary.Fastest) return {};
  const std::size_t fastest = *summary.Fastest;
  const record::PerPuzzle figure = summaries.Figure;
  const auto shown = [&](std::size_t solver) {
    return Figure(*record::PerPuzzleFigure(summary.Solvers[solver], figure), sep) + " µs je Rätsel";
  };
  std::vector<std::string> lines{"Am schnellsten: " + record.Solvers[fastest].Name + " mit " +
                                 shown(fastest) + " " + FigureWord(figure)};
  for (std::size_t i = 0; i < summary.Solvers.size(); ++i) {
    const std::optional<stats::Ratio>& r = summary.Solvers[i].RelativeToFastest;
    if (i == fastest || !r) continue;
    std::string line = record.Solvers[i].Name + " braucht " + Decimal(r->Factor, 2, sep);
    if (r->Deviation) line += " ± " + Decimal(*r->Deviation, 2, sep);
    lines.push_back(line + " mal so lange: " + shown(i));
  }
  return lines;
}

std::vector<ReportItem> LeftSetItems(const record::RunRecord& record,
                                     const record::Summaries& summaries) {
  std::vector<ReportItem> items;
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    for (std::size_t i = 0; i < record.Solvers.size(); ++i) {
      const record::SolverSummary& s = summaries.Sets[set].Solvers[i];
      if (s.Verdict == Verdict::Correct || !s.Last) continue;
      const std::string who = record.Sets[set].Name + ", " + record.Solvers[i].Name + ": ";
      if (s.Verdict == Verdict::Failed) {
        items.push_back({"Gescheitert", who + s.Last->Failure, false, Tone::Bad});
        continue;
      }
      const record::Judgement& check = LastCheck(s);
      std::string value = who + RunLabel(record.Settings, *s.Last) + ": " + check.Message;
      if (!check.Reason.empty()) value += " Grund: " + check.Reason;
      items.push_back({"Falsch", value, false, Tone::Bad});
    }
  }
  return items;
}

std::vector<ReportItem> ScatteredItems(const record::RunRecord& record,
                                       const record::Summaries& summaries) {
  std::vector<ReportItem> items;
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    for (std::size_t i = 0; i < record.Solvers.size(); ++i) {
      const record::SolverSummary& s = summaries.Sets[set].Solvers[i];
      if (s.MonotonicTimes.size() < 2 || !stats::Scattered(s.Monotonic)) continue;
      items.push_back(
          {"Warnung",
           record.Sets[set].Name + ", " + record.Solvers[i].Name + ": " + BusyMachineWarning, false,
           Tone::Warning});
    }
  }
  return items;
}

std::string ComparisonsHeading(const record::RunRecord& record, const std::string& sep) {
  std::string heading =
      "Vergleiche: Verhältnis der Mediane (jetzt ÷ anderer) mit 95-%-Intervall; als Rauschen "
      "gilt unter " +
      ShownPercent(record.Settings.NoisePercent, sep);
  if (record.Baseline) heading += "; Basis: --baseline " + record.Baseline->Reference;
  return heading;
}

std::string BusyAtStartWarning(double load, const std::string& separator) {
  return "Der Rechner war beim Start beschäftigt (Last " + Decimal(load, 2, separator) +
         "); die Zeiten können streuen.";
}

std::string FormatReport(const record::RunRecord& record, const record::Summaries& summaries,
                         const std::string& decimalSeparator) {
  std::ostringstream text;
  Lines(text, ContextItems(record, decimalSeparator));
  if (record.Sets.size() > 1) {
    Suite(text, record, summaries, decimalSeparator);
  } else if (!record.Sets.empty()) {
    Set(text, record, summaries, decimalSeparator);
  }
  Comparisons(text, record, summaries, decimalSeparator);
  return text.str();
}

std::string FormatPrepared(const record::Settings& settings, const record::PuzzleSet& set) {
  std::ostringstream text;
  std::vector<ReportItem> items = SourceItems(settings, set);
  items.push_back({"IN.TXT", std::to_string(set.InBytes) +
                                 " Bytes, bereit für Start, Quadrin, Ende und Check"});
  Lines(text, items);
  return text.str();
}

}  // namespace report
