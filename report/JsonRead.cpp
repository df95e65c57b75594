// Reading a JSON report back into a run record. Only what the record holds is read; everything
// the report derives from it (states, summaries, factors) is computed again by Summarize, so a
// file cannot bring figures that its runs do not support.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

#include "FileError.h"
#include "JsonReport.h"
#include "Numbers.h"

namespace report {
namespace {

using Json = nlohmann::json;
using record::Verdict;

constexpr std::int64_t NoLimit = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t IntLimit = std::numeric_limits<int>::max();
constexpr std::int64_t Int32Limit = std::numeric_limits<std::int32_t>::max();
// What Messlauf's options allow; a report beyond it did not come from Messlauf.
constexpr std::int64_t MostRounds = 1000;

[[noreturn]] void Refuse(const std::string& file, const std::string& what) {
  throw kit::FileError(file + " ist kein Bericht von Messlauf: " + what + ".");
}

// A value of the document with its place, which every message names: "sets[0].solvers[1].runs".
class Node {
 public:
  Node(const Json& value, std::string path, const std::string& file)
      : Value(value), Path(std::move(path)), File(file) {}

  [[noreturn]] void Refuse(const std::string& what) const {
    report::Refuse(File, "„" + Path + "“ " + what);
  }

  Node At(const std::string& key) const {
    if (!Value.is_object()) Refuse("ist kein Objekt");
    const std::string path = Path.empty() ? key : Path + "." + key;
    const auto found = Value.find(key);
    if (found == Value.end()) report::Refuse(File, "der Schlüssel „" + path + "“ fehlt");
    return {*found, path, File};
  }

  // A key that reports of an earlier kit do not have yet.
  bool Has(const std::string& key) const { return Value.is_object() && Value.contains(key); }

  // The entries of a list; an empty one only where `mayBeEmpty`.
  std::vector<Node> Entries(bool mayBeEmpty) const {
    if (!Value.is_array()) Refuse("ist keine Liste");
    if (Value.empty() && !mayBeEmpty) Refuse("ist leer");
    std::vector<Node> entries;
    for (std::size_t i = 0; i < Value.size(); ++i) {
      entries.emplace_back(Value[i], Path + "[" + std::to_string(i) + "]", File);
    }
    return entries;
  }

  bool IsNull() const { return Value.is_null(); }

  std::string Text() const {
    if (!Value.is_string()) Refuse("ist kein Text");
    return Value.get<std::string>();
  }

  // Where the report writes null for nothing known.
  std::string TextOrEmpty() const { return IsNull() ? std::string() : Text(); }

  bool Flag() const {
    if (!Value.is_boolean()) Refuse("ist weder true noch false");
    return Value.get<bool>();
  }

  std::int64_t Integer(std::int64_t lowest, std::int64_t highest) const {
    // nlohmann keeps a number without a sign as unsigned, one with a minus as signed.
    std::optional<std::int64_t> number;
    if (Value.is_number_unsigned()) {
      const auto value = Value.get<std::uint64_t>();
      if (value <= static_cast<std::uint64_t>(NoLimit)) number = static_cast<std::int64_t>(value);
    } else if (Value.is_number_integer()) {
      number = Value.get<std::int64_t>();
    }
    if (!number || *number < lowest || *number > highest) {
      Refuse("ist keine ganze Zahl von " + std::to_string(lowest) + " bis " +
             std::to_string(highest));
    }
    return *number;
  }

  // Seconds and loads: finite and not below 0.
  double Amount() const {
    if (!Value.is_number() || !std::isfinite(Value.get<double>()) || Value.get<double>() < 0) {
      Refuse("ist keine Zahl ab 0");
    }
    return Value.get<double>();
  }

  // A time of a run: an amount of at most 10^9 seconds, some thirty years, so that it keeps its
  // value in the microseconds the kit counts in.
  double Seconds() const {
    const double seconds = Amount();
    if (seconds > 1e9) Refuse("ist keine Zeit von 0 bis 1000000000 s");
    return seconds;
  }

 private:
  const Json& Value;
  std::string Path;
  const std::string& File;
};

record::MachineContext ReadContext(const Node& n) {
  record::MachineContext c;
  c.Processor = n.At("processor").Text();
  c.LogicalCores = static_cast<int>(n.At("logical_cores").Integer(0, IntLimit));
  c.MemoryBytes = static_cast<std::uint64_t>(n.At("memory_bytes").Integer(0, NoLimit));
  c.OperatingSystem = n.At("operating_system").Text();
  c.Kernel = n.At("kernel").Text();
  c.KitVersion = n.At("kit_version").Text();
  c.GitCommit = n.At("git_commit").TextOrEmpty();
  c.GitChanges = n.At("git_changes").Flag();
  c.Compiler = n.At("compiler").Text();
  c.BuildType = n.At("build_type").Text();
  c.StartedUtc = n.At("started_utc").Text();
  const Node loads = n.At("load_average");
  const std::vector<Node> load = loads.Entries(false);
  if (load.size() != c.LoadAverage.size()) loads.Refuse("hat nicht drei Werte");
  for (std::size_t i = 0; i < load.size(); ++i) c.LoadAverage[i] = load[i].Amount();
  c.Host = n.At("host").TextOrEmpty();
  c.MachineId = n.At("machine_id").TextOrEmpty();
  return c;
}

record::Settings ReadSettings(const Node& n) {
  record::Settings s;
  s.Folder = n.At("folder").Text();
  s.Repeat = static_cast<int>(n.At("rounds").Integer(1, MostRounds));
  s.Warmup = static_cast<int>(n.At("warmup_rounds").Integer(0, MostRounds));
  const Node timeout = n.At("timeout_seconds");
  if (!timeout.IsNull()) {
    s.TimeoutSeconds = timeout.Amount();
    if (*s.TimeoutSeconds == 0) timeout.Refuse("ist keine Zahl über 0");
  }
  const Node pinned = n.At("pinned_cpu");
  if (!pinned.IsNull()) s.PinnedCpu = static_cast<int>(pinned.Integer(0, IntLimit));
  if (n.Has("noise_percent")) s.NoisePercent = n.At("noise_percent").Amount();
  // Reports of an earlier kit may lack it, or say null: not known.
  if (n.Has("check_threads") && !n.At("check_threads").IsNull()) {
    s.CheckThreads = static_cast<int>(n.At("check_threads").Integer(1, IntLimit));
  }
  if (n.Has("save_baseline")) s.SaveBaseline = n.At("save_baseline").TextOrEmpty();
  return s;
}

record::PuzzleSet ReadSet(const Node& n) {
  record::PuzzleSet set;
  set.Name = n.At("name").Text();
  set.Collection = n.At("puzzles_file").TextOrEmpty();
  // Only a generated set has a seed; a collection's is null.
  if (set.Collection.empty()) {
    set.Seed = static_cast<std::int32_t>(
        n.At("seed").Integer(std::numeric_limits<std::int32_t>::min(), Int32Limit));
  }
  set.Count = n.At("count").Integer(0, NoLimit);
  set.InBytes = static_cast<std::uintmax_t>(n.At("in_bytes").Integer(0, NoLimit));
  set.InSha256 = n.At("in_sha256").TextOrEmpty();
  if (n.Has("requested_count") && !n.At("requested_count").IsNull()) {
    set.Requested = n.At("requested_count").Integer(0, NoLimit);
  }
  return set;
}

Verdict ReadVerdict(const Node& n) {
  const std::string name = n.Text();
  if (const std::optional<Verdict> verdict = record::VerdictOf(name)) return *verdict;
  n.Refuse("ist „" + name + "“ statt „correct“, „wrong“ oder „failed“");
}

// Check's outcomes: puzzles with no solution, one, several.
std::array<std::int64_t, 3> ReadOutcomes(const Node& n) {
  return {n.At("no_solution").Integer(0, NoLimit), n.At("one").Integer(0, NoLimit),
          n.At("several").Integer(0, NoLimit)};
}

// The size of a run's OUT.TXT and, unless it failed, Check's message and outcomes: from the run in
// version 3, from its solver in version 2, whose message is its `verdict`.
void ReadCheck(const Node& n, const std::string& messageKey, record::Measurement& run) {
  run.OutBytes = static_cast<std::uintmax_t>(n.At("out_bytes").Integer(0, NoLimit));
  if (run.Verdict == Verdict::Failed) return;
  run.Check.Message = n.At(messageKey).TextOrEmpty();
  run.Check.Outcomes = ReadOutcomes(n.At("outcomes"));
}

// A per-call time in µs, taken to the nanosecond the report writes.
double CallMicroseconds(const Node& n) {
  const double us = n.Amount();
  if (us > 1e12) n.Refuse("ist keine Zeit von 0 bis 1000000000000 µs");
  return ToTheNanosecond(us);
}

// A library run's pass: what version 5 adds to a run.
record::PuzzleTimes ReadPuzzles(const Node& n) {
  record::PuzzleTimes t;
  t.SolutionsGiven = n.At("solutions_given").Flag();
  if (!n.At("guesses").IsNull()) {
    t.Guesses = n.At("guesses").Integer(0, NoLimit);
    t.WithoutGuess = n.At("without_guess").Integer(0, NoLimit);
  }
  const Node us = n.At("puzzle_us");
  t.P50 = CallMicroseconds(us.At("p50"));
  t.P90 = CallMicroseconds(us.At("p90"));
  t.P99 = CallMicroseconds(us.At("p99"));
  t.Max = CallMicroseconds(us.At("max"));
  for (const Node& entry : n.At("slowest").Entries(true)) {
    record::SlowPuzzle slow;
    slow.Number = entry.At("number").Integer(1, NoLimit);
    if (!entry.At("line").IsNull()) slow.Line = entry.At("line").Integer(1, NoLimit);
    slow.Microseconds = CallMicroseconds(entry.At("us"));
    if (!entry.At("guesses").IsNull()) slow.Guesses = entry.At("guesses").Integer(0, NoLimit);
    t.Slowest.push_back(slow);
  }
  const Node histogram = n.At("histogram");
  const std::vector<Node> bins = histogram.Entries(true);
  if (!bins.empty() && bins.size() != static_cast<std::size_t>(record::PuzzleTimeBins)) {
    histogram.Refuse("hat nicht " + std::to_string(record::PuzzleTimeBins) + " Werte");
  }
  for (const Node& bin : bins) t.Histogram.push_back(bin.Integer(0, NoLimit));
  return t;
}

// One run with its own fields but Check's message and outcomes and the OUT.TXT size, which
// ReadSolverRuns reads where the report's version keeps them.
record::Measurement ReadRun(const Node& n, const record::Settings& settings) {
  record::Measurement run;
  run.Round = static_cast<int>(n.At("round").Integer(1, settings.Warmup + settings.Repeat));
  run.Warmup = n.At("warmup").Flag();
  if (run.Warmup != (run.Round <= settings.Warmup)) {
    n.At("warmup").Refuse("passt nicht zu Runde " + std::to_string(run.Round) + " bei " +
                          std::to_string(settings.Warmup) + " Aufwärmrunden");
  }
  run.Startup = n.At("startup").Flag();
  run.Verdict = ReadVerdict(n.At("verdict"));
  // A run whose process never ended has no times at all, one that ended has all of them.
  const Node monotonic = n.At("monotonic_seconds");
  run.Timed = !monotonic.IsNull();
  if (run.Timed) {
    // Taken at the resolution the report writes them, so that the figures made from what is read
    // are the ones a report of it shows, however many digits the file gave.
    run.MonotonicSeconds = ToTheMicrosecond(monotonic.Seconds());
    run.EndeSeconds = ToTheMillisecond(n.At("ende_seconds").Seconds());
    run.GuardSeconds = ToTheMicrosecond(n.At("guard_seconds").Seconds());
    run.UserSeconds = ToTheMicrosecond(n.At("user_seconds").Seconds());
    run.SystemSeconds = ToTheMicrosecond(n.At("system_seconds").Seconds());
    run.MaxRssBytes = n.At("max_rss_bytes").Integer(0, NoLimit);
  }
  if (n.Has("check_seconds") && !n.At("check_seconds").IsNull()) {
    run.CheckSeconds = ToTheMicrosecond(n.At("check_seconds").Seconds());
  }
  if (run.Verdict == Verdict::Wrong) {
    run.Check.Number = static_cast<std::int32_t>(n.At("wrong_puzzle").Integer(1, Int32Limit));
    run.Check.Reason = n.At("reason").Text();
  }
  if (run.Verdict == Verdict::Failed) run.Failure = n.At("failure").Text();
  if (n.Has("puzzles") && !n.At("puzzles").IsNull()) run.Puzzles = ReadPuzzles(n.At("puzzles"));
  return run;
}

// The runs of one solver on one set. A report of version 2 keeps Check's message and outcomes and
// the size of OUT.TXT only for the solver's last judged run; every judged run gets them, so that
// the report made again from the record says the same.
void ReadSolverRuns(const Node& n, std::size_t set, std::size_t solver, std::int64_t version,
                    record::RunRecord& record) {
  std::set<std::pair<int, bool>> seen;  // a round's run on the whole set and its start-up run
  for (const Node& entry : n.At("runs").Entries(true)) {
    record::Measurement run = ReadRun(entry, record.Settings);
    if (!seen.emplace(run.Round, run.Startup).second) {
      entry.Refuse(std::string("ist ein zweiter ") + (run.Startup ? "Anlauf" : "Lauf") +
                   " in Runde " + std::to_string(run.Round));
    }
    run.Set = set;
    run.Solver = solver;
    if (version >= 3) {
      ReadCheck(entry, "message", run);
    } else if (run.Verdict != Verdict::Failed) {
      ReadCheck(n, "verdict", run);
    }
    record.Measurements.push_back(std::move(run));
  }
}

record::SolverKind ReadKind(const Node& n) {
  const std::string name = n.Text();
  if (const std::optional<record::SolverKind> kind = record::SolverKindOf(name)) return *kind;
  n.Refuse("ist „" + name + "“ statt „program“, „lines“ oder „library“");
}

// What version 4 adds to a solver: its kind, its words, its input files and its version's
// digest. A solver of an earlier report was a program run alone, its version its program's.
void ReadSolverRun(const Node& n, std::int64_t version, record::Solver& solver) {
  if (version < 4) {
    solver.VersionSha256 = solver.ProgramSha256;
    return;
  }
  solver.Kind = ReadKind(n.At("kind"));
  for (const Node& word : n.At("command").Entries(true)) solver.Command.push_back(word.Text());
  for (const Node& input : n.At("inputs").Entries(true)) {
    solver.Inputs.push_back({input.At("path").Text(), input.At("sha256").TextOrEmpty()});
  }
  solver.VersionSha256 = n.At("version_sha256").TextOrEmpty();
  if (solver.Kind != record::SolverKind::Library) return;
  // A library's file, function and configuration: what version 5 adds.
  solver.Library = n.At("library").Text();
  solver.Function = n.At("function").Text();
  solver.Configuration = static_cast<std::uint32_t>(n.At("configuration").Integer(0, 4294967295LL));
  solver.LibrarySha256 = n.At("library_sha256").TextOrEmpty();
}

// The solvers as the first set lists them; every other set must list the same.
void ReadSolvers(const std::vector<Node>& sets, std::int64_t version, record::RunRecord& record) {
  for (const Node& n : sets.front().At("solvers").Entries(false)) {
    record::Solver solver;
    solver.Name = n.At("name").Text();
    solver.Program = n.At("program").Text();
    solver.ProgramSha256 = n.At("program_sha256").TextOrEmpty();
    ReadSolverRun(n, version, solver);
    for (const record::Solver& before : record.Solvers) {
      if (before.Name == solver.Name) n.At("name").Refuse("steht zweimal in der Liste");
    }
    record.Solvers.push_back(std::move(solver));
  }
  for (std::size_t set = 1; set < sets.size(); ++set) {
    const Node list = sets[set].At("solvers");
    const std::vector<Node> solvers = list.Entries(false);
    if (solvers.size() != record.Solvers.size()) {
      list.Refuse("nennt " + std::to_string(solvers.size()) + " Löser, der erste Satz " +
                  std::to_string(record.Solvers.size()));
    }
    for (std::size_t i = 0; i < solvers.size(); ++i) {
      const Node name = solvers[i].At("name");
      if (name.Text() != record.Solvers[i].Name) {
        name.Refuse("ist „" + name.Text() + "“, im ersten Satz an dieser Stelle „" +
                    record.Solvers[i].Name + "“");
      }
    }
  }
}

record::RunRecord ReadRecord(const Json& document, const std::string& file) {
  if (!document.is_object()) Refuse(file, "die Datei enthält kein JSON-Objekt");
  const Node root(document, "", file);
  const Node format = root.At("format");
  if (document.at("format") != "sudoku-messkit-run") {
    format.Refuse("ist nicht „sudoku-messkit-run“");
  }
  // A later version keeps the keys of version 4 and may add others, which are not read.
  const std::int64_t version = root.At("version").Integer(0, IntLimit);
  if (version < 2) {
    throw kit::FileError(file + " ist ein Bericht von Messlauf in Version " +
                         std::to_string(version) + "; gelesen werden Version 2 und später.");
  }
  // An interrupted run's figures rest on fewer rounds than it was asked for: it is not kept.
  if (document.contains("interrupted") && document["interrupted"] == true) {
    throw kit::FileError(file +
                         " ist der Bericht eines abgebrochenen Laufs; er wird nicht gespeichert.");
  }
  record::RunRecord record;
  record.Settings = ReadSettings(root);
  record.Context = ReadContext(root.At("context"));
  const std::vector<Node> sets = root.At("sets").Entries(false);
  ReadSolvers(sets, version, record);
  for (std::size_t set = 0; set < sets.size(); ++set) {
    record.Sets.push_back(ReadSet(sets[set]));
    const std::vector<Node> solvers = sets[set].At("solvers").Entries(false);
    for (std::size_t solver = 0; solver < solvers.size(); ++solver) {
      ReadSolverRuns(solvers[solver], set, solver, version, record);
    }
  }
  // The order they ran in, as Messlauf runs them: set by set, round by round, in each round the
  // solvers in turn. A solver's run on the whole set and its start-up run stay in the order the
  // report lists them, which is the order they ran.
  std::stable_sort(record.Measurements.begin(), record.Measurements.end(),
                   [](const record::Measurement& a, const record::Measurement& b) {
                     return std::tie(a.Set, a.Round, a.Solver) < std::tie(b.Set, b.Round, b.Solver);
                   });
  return record;
}

}  // namespace

record::RunRecord ReadJsonReport(const std::string& text, const std::string& shownName) {
  if (text.empty()) Refuse(shownName, "die Datei ist leer");
  Json document;
  try {
    document = Json::parse(text);
  } catch (const Json::parse_error& e) {
    Refuse(shownName, "kein gültiges JSON (Fehler bei Byte " + std::to_string(e.byte) + ")");
  } catch (const Json::out_of_range&) {
    // The parser's own limit, a number such as 7e4729 that no double holds.
    Refuse(shownName, "kein gültiges JSON (eine Zahl außerhalb des Bereichs)");
  }
  try {
    return ReadRecord(document, shownName);
  } catch (const Json::exception& e) {
    // Every value's type is checked before it is read; this is the net below those checks.
    Refuse(shownName, std::string("unerwarteter Inhalt (") + e.what() + ")");
  }
}

}  // namespace report
