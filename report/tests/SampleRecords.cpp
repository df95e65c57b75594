#include "SampleRecords.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace report::samples {

using record::Verdict;

record::MachineContext Machine() {
  record::MachineContext c;
  c.Processor = "Beispiel-Prozessor 3000";
  c.LogicalCores = 8;
  c.MemoryBytes = 16ull << 30;
  c.OperatingSystem = "Debian GNU/Linux 12 (bookworm)";
  c.Kernel = "Linux 6.1.0-30-amd64";
  c.KitVersion = "1.1";
  c.GitCommit = "03967ddaaf47";
  c.Compiler = "GNU 12.2.0";
  c.BuildType = "Release";
  c.StartedUtc = "2026-03-14T09:26:53Z";
  c.LoadAverage = {0.42, 0.37, 0.25};
  return c;
}

record::Judgement AllCorrect(std::int64_t none, std::int64_t one, std::int64_t several) {
  return {"Alle Lösungen korrekt", 0, "", {none, one, several}};
}

record::Judgement WrongAnswer(std::int32_t number, std::string reason) {
  return {"Lösung für SUDOKU-Nr. " + std::to_string(number) + " ist nicht korrekt.",
          number,
          std::move(reason),
          {0, number - 1, 0}};
}

record::Measurement Ran(std::size_t solver, int round, int warmup, double ende, double monotonic,
                        record::Judgement check) {
  record::Measurement run;
  run.Solver = solver;
  run.Round = round;
  run.Warmup = round <= warmup;
  run.Timed = true;
  run.EndeSeconds = ende;
  run.MonotonicSeconds = monotonic;
  run.GuardSeconds = 0.0012345 * round;
  run.CheckSeconds = std::round(monotonic * 40000) / 1e6;  // judging takes a 25th of the solver
  run.UserSeconds = 0.9 * monotonic;
  run.SystemSeconds = 0.05 * monotonic;
  run.MaxRssBytes = 4325376 + static_cast<std::int64_t>(solver) * 1048576;
  run.OutBytes = 16384;
  run.Check = std::move(check);
  run.Verdict = run.Check.Number == 0 ? Verdict::Correct : Verdict::Wrong;
  return run;
}

record::RunRecord OneRun() {
  record::RunRecord r;
  r.Context = Machine();
  r.Settings.Folder = "lauf";
  r.Settings.CheckThreads = 1;
  r.Sets = {{"Build", "", 4711, 60, 10378}};
  r.Solvers = {{"Quadrin", "bin/Quadrin"}};
  r.Measurements = {Ran(0, 1, 0, 56.034, 56.0312345, AllCorrect(0, 60, 0))};
  return r;
}

record::RunRecord Comparison() {
  record::RunRecord r;
  r.Context = Machine();
  r.Context.GitChanges = true;
  r.Settings = {"lauf", 3, 1, 10.0, 1};
  r.Settings.CheckThreads = 1;
  r.Sets = {{"top95", "sammlung/top95.txt", 0, 95, 15770}};
  r.Solvers = {{"flink", "loeser/flink"},
               {"Quadrin, alt", "loeser/quadrin-alt"},
               {"falsch", "loeser/falsch"},
               {"kaputt", "loeser/kaputt"}};
  r.Solvers[1].Command = {"loeser/quadrin-alt", "--stufe=2"};
  const record::Judgement right = AllCorrect(1, 93, 1);
  record::Measurement failed;
  failed.Solver = 3;
  failed.Round = 1;
  failed.Warmup = true;
  failed.Verdict = Verdict::Failed;
  failed.Failure =
      "Der Löser kaputt endete in Aufwärmrunde 1 mit dem Status 3. Seine Ausgabe "
      "(lauf/Loeser.log):\nSpeicherzugriffsfehler\nabgebrochen";
  r.Measurements = {Ran(0, 1, 1, 0.215, 0.2123456, right),
                    Ran(1, 1, 1, 0.9, 0.8951, right),
                    Ran(2, 1, 1, 0.3, 0.2987, right),
                    failed,
                    Ran(0, 2, 1, 0.201, 0.1987654, right),
                    Ran(1, 2, 1, 0.853, 0.8512, right),
                    Ran(2, 2, 1, 0.288, 0.2866,
                        WrongAnswer(17, "Zeile 113 von OUT.TXT hat nur 7 Werte statt 9.")),
                    Ran(0, 3, 1, 0.199, 0.1975, right),
                    Ran(1, 3, 1, 1.402, 1.4011, right),
                    Ran(0, 4, 1, 0.204, 0.2031, right),
                    Ran(1, 4, 1, 0.85, 0.8498, right)};
  return r;
}

record::RunRecord AgainstBaseline() {
  record::RunRecord r;
  r.Context = Machine();
  r.Settings.Folder = "lauf";
  r.Settings.CheckThreads = 1;
  r.Settings.Repeat = 8;
  r.Settings.NoisePercent = 5;
  r.Settings.SaveBaseline = "v2";
  r.Settings.FailOnRegression = true;
  r.Sets = {{"Build", "", 4711, 1000, 172800, std::string(64, 'e')}};
  r.Solvers = {{"flink", "loeser/flink", std::string(64, 'a')},
               {"langsam", "loeser/langsam", std::string(64, 'b')}};
  const record::Judgement right = AllCorrect(0, 1000, 0);
  for (int round = 1; round <= 8; ++round) {
    const double fast = 0.1 + 0.0007 * ((round * 3) % 8), slow = 0.13 + 0.0009 * ((round * 5) % 8);
    r.Measurements.push_back(Ran(0, round, 0, std::round(fast * 1000) / 1000, fast, right));
    r.Measurements.push_back(Ran(1, round, 0, std::round(slow * 1000) / 1000, slow, right));
  }
  r.Baseline = record::Baseline{
      "v1",
      {{0, 0, 12, "v1", {0.1003, 0.1011, 0.0998, 0.1024, 0.1006}},
       {0, 1, 12, "v1", {0.1001, 0.1009, 0.1013, 0.0995, 0.1020}}},
      {"Lauf 12 lief mit dem Kernel „Linux 6.1.0-28-amd64“, dieser mit „Linux 6.1.0-30-amd64“."}};
  return r;
}

record::RunRecord WrongOnBusyMachine() {
  record::RunRecord r;
  r.Context = Machine();
  r.Context.Processor.clear();
  r.Context.GitCommit.clear();
  r.Context.LogicalCores = 4;
  r.Context.LoadAverage = {3.1, 2.05, 1.5};
  r.Settings.Folder = "lauf";
  r.Settings.CheckThreads = 1;
  r.Sets = {{"Build", "", 12345, 500, 86412}};
  r.Solvers = {{"mein-loeser", "loeser/mein-loeser"}};
  r.Measurements = {
      Ran(0, 1, 0, 1.234, 1.2337,
          WrongAnswer(233, "Zeile 2097 von OUT.TXT: Zeile 5, Spalte 3 hält eine 4 doppelt."))};
  return r;
}

namespace {

// What a solver did on a set in the suite below: its time on the whole set and, from the round
// where it left, how.
struct Fate {
  double Seconds;
  int LeftIn = 0;  // the round of its wrong or failed run; 0: it stayed
  bool Wrong = false;
};

// The runs of one round on one set: each solver's start-up run, then its run on the whole set.
void SuiteRound(record::RunRecord& r, std::size_t set, int round, const std::vector<Fate>& fates) {
  const double drift = round == 1 ? 1.08 : round == 2 ? 1.0 : 0.98;  // the warm-up is slower
  const std::int64_t count = r.Sets[set].Count;
  for (std::size_t i = 0; i < fates.size(); ++i) {
    const Fate& f = fates[i];
    if (f.LeftIn != 0 && round > f.LeftIn) continue;
    const double first = (0.0011 + 0.0003 * static_cast<double>(i)) * drift;
    record::Measurement startup =
        Ran(i, round, 1, std::ceil(first * 1000) / 1000, first, AllCorrect(0, 1, 0));
    startup.Set = set;
    startup.Startup = true;
    r.Measurements.push_back(startup);
    const double whole = f.Seconds * drift;
    record::Measurement run =
        Ran(i, round, 1, std::ceil(whole * 1000) / 1000, whole, AllCorrect(0, count, 0));
    run.Set = set;
    if (round == f.LeftIn && f.Wrong) {
      run.Check = WrongAnswer(5, "Zeile 43 von OUT.TXT: Zeile 7, Spalte 2 hält eine 8 doppelt.");
      run.Verdict = Verdict::Wrong;
    } else if (round == f.LeftIn) {
      run.Verdict = Verdict::Failed;
      run.Check = {};
      run.Failure = "Der Löser " + r.Solvers[i].Name +
                    " endete in Runde 1 mit dem Status 3. Seine Ausgabe (lauf/solver.log):\n"
                    "Speicherzugriffsfehler";
    }
    r.Measurements.push_back(run);
  }
}

}  // namespace

record::RunRecord Suite() {
  record::RunRecord r;
  r.Context = Machine();
  r.Context.Host = "messrechner";
  r.Context.MachineId = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
  r.Settings = {"lauf", 2, 1, 30.0, std::nullopt};
  r.Settings.CheckThreads = 1;
  r.Sets = {{"top95", "sammlung/top95.txt", 0, 95, 16433,
             "4e07408562bedb8b60ce05c1decfe3ad16b72230967de01f640b7e4729b49fce"},
            {"hardest-1106", "sammlung/hardest-1106.txt", 0, 1106, 191336,
             "6b86b273ff34fce19d6b804eff5a3f5747ada4eaa22f1d49c01e52ddb7875b4b"}};
  r.Solvers = {
      {"flink", "loeser/flink", "d4735e3a265e16eee03f59718b9b5d03019c07d8b6c51f90da3a666eec13ab35"},
      {"langsam", "loeser/langsam",
       "4b227777d4dd1fc61c6f884f48641d02b4d121d3fd328cb08b5531fcacdabf8a"},
      {"kaputt", "loeser/kaputt"}};
  record::Solver& lines = r.Solvers[1];
  lines.Kind = record::SolverKind::Lines;
  lines.Command = {"loeser/langsam", "--tabelle", "loeser/tabelle.bin", "--name", "zwei Wörter"};
  lines.Inputs = {
      {"loeser/tabelle.bin", "ef2d127de37b942baad06145e54b0c619a1f22327b2ebbcfbec78f5564afe39d"}};
  lines.VersionSha256 = "e7f6c011776e8db7cd330b54174fd76f7d0216b612387a5ffcfb81e6f0919683";
  // Set by set, as Messlauf runs them.
  for (int round = 1; round <= 3; ++round) {
    SuiteRound(r, 0, round, {{0.0061}, {0.0242, 3, true}, {0.0093, 2}});
  }
  for (int round = 1; round <= 3; ++round) {
    SuiteRound(r, 1, round, {{0.0558}, {0.2201}, {0.0897}});
  }
  return r;
}

namespace {

// A library's pass over `count` puzzles whose median call took `p50` µs: its percentiles, the ten
// slowest (numbers and lines from the puzzle's place, the lines of a collection with a header
// line), and a histogram that adds up to the count.
record::PuzzleTimes Pass(std::int64_t count, double p50, bool guesses, bool solutions) {
  record::PuzzleTimes t;
  t.SolutionsGiven = solutions;
  if (guesses) {
    t.Guesses = count * 3 / 2;
    t.WithoutGuess = count / 4;
  }
  t.P50 = p50;
  t.P90 = p50 * 3.5;
  t.P99 = p50 * 12.25;
  t.Max = p50 * 40.125;
  for (std::int64_t i = 0; i < std::min<std::int64_t>(10, count); ++i) {
    record::SlowPuzzle slow{count - 7 * i, count - 7 * i + 1, t.Max / static_cast<double>(i + 1),
                            std::nullopt};
    if (guesses) slow.Guesses = 120 - 11 * i;
    t.Slowest.push_back(slow);
  }
  t.Histogram.assign(record::PuzzleTimeBins, 0);
  const auto middle = static_cast<std::size_t>(record::PuzzleTimeBin(p50));
  t.Histogram[middle] = count - count / 3 - count / 10;
  t.Histogram[middle + 5] = count / 3;
  t.Histogram[middle + 12] = count / 10;
  return t;
}

}  // namespace

record::RunRecord Libraries() {
  record::RunRecord r;
  r.Context = Machine();
  r.Settings = {"lauf", 3, 1, 10.0, std::nullopt};
  r.Settings.CheckThreads = 2;
  r.Sets = {{"top95", "sammlung/top95.txt", 0, 95, 16433,
             "4e07408562bedb8b60ce05c1decfe3ad16b72230967de01f640b7e4729b49fce"},
            {"hardest-1106", "sammlung/hardest-1106.txt", 0, 1106, 191336,
             "6b86b273ff34fce19d6b804eff5a3f5747ada4eaa22f1d49c01e52ddb7875b4b"}};
  record::Solver suche{"suche", "bin/Gastgeber",
                       "aa7e2ef3a5b4bc3e1ec1a7b38a8e9cd1a8b4c5d6e7f8091a2b3c4d5e6f708192"};
  suche.Kind = record::SolverKind::Library;
  suche.Command = {"bin/Gastgeber"};
  suche.Library = "lib/libkitloeser.so";
  suche.Function = "kit_solve";
  suche.LibrarySha256 = "5feceb66ffc86f38d952786c6d696c79c2dbc239dd4e91b46729d73a27fb57e9";
  suche.VersionSha256 = suche.LibrarySha256;
  record::Solver zaehler = suche;
  zaehler.Name = "zaehler";
  zaehler.Function = "kit_counts";
  zaehler.Configuration = 7;
  r.Solvers = {suche,
               {"Quadrin", "bin/Quadrin",
                "d4735e3a265e16eee03f59718b9b5d03019c07d8b6c51f90da3a666eec13ab35"},
               zaehler};
  const std::array<double, 2> p50 = {4.75, 180.5};  // µs, suche's; zaehler's are 1.5 times that
  for (std::size_t set = 0; set < 2; ++set) {
    const std::int64_t count = r.Sets[set].Count;
    for (int round = 1; round <= 4; ++round) {
      const double drift = round == 1 ? 1.08 : round == 2 ? 1.0 : round == 3 ? 0.98 : 1.01;
      for (std::size_t solver = 0; solver < 3; ++solver) {
        if (solver == 2 && set == 1 && round > 3) continue;  // left the set, wrong in round 3
        const double perPuzzle = p50[set] * (solver == 2 ? 1.5 : 1.0) * 1.1e-6;
        if (solver == 1) {  // a program: a start-up run, then the set
          const double first = 0.0011 * drift;
          record::Measurement startup =
              Ran(1, round, 1, std::ceil(first * 1000) / 1000, first, AllCorrect(0, 1, 0));
          startup.Set = set;
          startup.Startup = true;
          r.Measurements.push_back(startup);
        }
        const double whole = (solver == 1 ? 0.0011 + 30 * perPuzzle * static_cast<double>(count)
                                          : perPuzzle * static_cast<double>(count)) *
                             drift;
        record::Measurement run =
            Ran(solver, round, 1, std::ceil(whole * 1000) / 1000, whole, AllCorrect(0, count, 0));
        run.Set = set;
        if (solver != 1) {
          run.Puzzles =
              Pass(count, p50[set] * (solver == 2 ? 1.5 : 1.0) * drift, solver == 0, solver == 0);
          run.OutBytes = 0;
        }
        if (solver == 2 && set == 1 && round == 3) {
          run.Check = WrongAnswer(17,
                                  "Das Rätsel hat genau eine Lösung, die Antwort gibt aber "
                                  "mehrere Lösungen (Anzahl 2 oder mehr) an.");
          run.Verdict = Verdict::Wrong;
        }
        r.Measurements.push_back(run);
      }
    }
  }
  return r;
}

}  // namespace report::samples
