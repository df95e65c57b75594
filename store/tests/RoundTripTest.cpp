// Everything a run record holds comes back from the store as it went in. Each hand-built sample
// of the report tests is copied with every field that is still at its default set to something
// else, stored and read back, and compared whole with ==. The helpers below name every field of
// every struct of the record (structured bindings): a field added later does not compile here
// until it is varied as well, and then fails the test unless the store keeps it.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ResultsStore.h"
#include "SampleRecords.h"
#include "TempFolder.h"

namespace store {
namespace {

using kit::testing::TempFolder;

// Gives `field` another value when it still has the one `fresh` has, that of a struct built
// without it.
template <typename T, typename U>
void Vary(T& field, const T& fresh, U&& other) {
  if (field == fresh) field = std::forward<U>(other);
}

void VaryEveryDefault(record::MachineContext& c) {
  const record::MachineContext d;
  auto& [processor, cores, memory, system, kernel, kit, commit, changes, compiler, build, started,
         load, host, machineId] = c;
  Vary(processor, d.Processor, "Prozessor 9000");
  Vary(cores, d.LogicalCores, 12);
  Vary(memory, d.MemoryBytes, std::uint64_t{1} << 40);
  Vary(system, d.OperatingSystem, "System 1");
  Vary(kernel, d.Kernel, "Linux 7");
  Vary(kit, d.KitVersion, "9.9");
  Vary(commit, d.GitCommit, "0123456789ab");
  Vary(changes, d.GitChanges, true);
  Vary(compiler, d.Compiler, "Clang 99");
  Vary(build, d.BuildType, "Debug");
  Vary(started, d.StartedUtc, "2027-01-02T03:04:05Z");
  Vary(load, d.LoadAverage, std::array<double, 3>{0.125, 0.5, 2.75});
  Vary(host, d.Host, "rechner");
  Vary(machineId, d.MachineId, std::string(64, '7'));
}

void VaryEveryDefault(record::Settings& o) {
  const record::Settings d;
  auto& [folder, repeat, warmup, timeout, pinned, threads, noise, saveBaseline, failOnRegression] =
      o;
  Vary(folder, d.Folder, "ordner");
  Vary(repeat, d.Repeat, 4);
  Vary(warmup, d.Warmup, 2);
  Vary(timeout, d.TimeoutSeconds, 12.5);
  Vary(pinned, d.PinnedCpu, 3);
  Vary(threads, d.CheckThreads, 6);
  Vary(noise, d.NoisePercent, 6.5);
  Vary(saveBaseline, d.SaveBaseline, "probe");
  Vary(failOnRegression, d.FailOnRegression, true);
}

void VaryEveryDefault(record::PuzzleSet& s) {
  const record::PuzzleSet d;
  auto& [name, collection, seed, count, inBytes, inSha256, requested] = s;
  Vary(name, d.Name, "Satz");
  Vary(collection, d.Collection, "sammlung/weitere.txt");
  Vary(seed, d.Seed, -17);
  Vary(count, d.Count, 33);
  Vary(inBytes, d.InBytes, std::uintmax_t{5742});
  Vary(inSha256, d.InSha256, std::string(64, 'd'));
  Vary(requested, d.Requested, std::optional<std::int64_t>(5000));
}

void VaryEveryDefault(record::Solver& s) {
  const record::Solver d;
  auto& [name, program, programSha256, kind, command, inputs, versionSha256, library, function,
         configuration, librarySha256] = s;
  Vary(name, d.Name, "Löser");
  Vary(program, d.Program, "/opt/loeser");
  Vary(programSha256, d.ProgramSha256, std::string(64, 'f'));
  Vary(kind, d.Kind, record::SolverKind::Lines);
  // Words with blanks, quotes and a character beyond ASCII come back as they were.
  Vary(command, d.Command,
       std::vector<std::string>{"/usr/bin/python3", "/opt/löser.py", "--art", "zwei Wörter",
                                "it's \"so\""});
  Vary(inputs, d.Inputs,
       std::vector<record::SolverInput>{{"/opt/löser.py", std::string(64, 'a')},
                                        {"/opt/tabelle.bin", std::string(64, 'b')}});
  Vary(versionSha256, d.VersionSha256, std::string(64, 'e'));
  Vary(library, d.Library, "/opt/lib/libloeser-ä.so");
  Vary(function, d.Function, "kit_solve");
  // Beyond the range of a signed 32-bit number.
  Vary(configuration, d.Configuration, std::uint32_t{4000000000});
  Vary(librarySha256, d.LibrarySha256, std::string(64, '9'));
}

void VaryEveryDefault(record::Judgement& j) {
  const record::Judgement d;
  auto& [message, number, reason, outcomes] = j;
  Vary(message, d.Message, "Prüfung");
  Vary(number, d.Number, 41);
  Vary(reason, d.Reason, "ein Grund");
  Vary(outcomes, d.Outcomes, std::array<std::int64_t, 3>{1, 2, 3});
}

void VaryEveryDefault(record::SlowPuzzle& p) {
  const record::SlowPuzzle d;
  auto& [number, line, microseconds, guesses] = p;
  Vary(number, d.Number, 812);
  Vary(line, d.Line, 813);
  Vary(microseconds, d.Microseconds, 1234.5625);
  Vary(guesses, d.Guesses, 77);
}

void VaryEveryDefault(record::PuzzleTimes& t) {
  const record::PuzzleTimes d;
  auto& [solutionsGiven, guesses, withoutGuess, p50, p90, p99, max, slowest, histogram] = t;
  Vary(solutionsGiven, d.SolutionsGiven, false);
  Vary(guesses, d.Guesses, std::int64_t{1} << 40);
  Vary(withoutGuess, d.WithoutGuess, 31);
  Vary(p50, d.P50, 4.75);
  Vary(p90, d.P90, 16.625);
  Vary(p99, d.P99, 58.1875);
  Vary(max, d.Max, 1234.5625);
  // The second without a line, as a puzzle of a built set has none.
  if (slowest.size() < 2) slowest.resize(2);
  for (record::SlowPuzzle& slow : slowest) VaryEveryDefault(slow);
  slowest[1].Line.reset();
  // Empty bins between full ones, and the first and last bin full.
  std::vector<std::int64_t> bins(record::PuzzleTimeBins, 0);
  bins.front() = 2;
  bins[40] = 5000;
  bins[41] = 3;
  bins.back() = 1;
  Vary(histogram, d.Histogram, bins);
}

// `sets` and `solvers`: how many the record has, so that an index stays one of them (here and in
// a baseline cell).
void VaryEveryDefault(record::Measurement& m, std::size_t sets, std::size_t solvers) {
  const record::Measurement d;
  auto& [set, solver, round, warmup, startup, timed, verdict, ende, monotonic, guard, check, user,
         system, rss, outBytes, judgement, failure, puzzles] = m;
  Vary(set, d.Set, sets - 1);
  Vary(solver, d.Solver, solvers - 1);
  Vary(round, d.Round, 2);
  Vary(warmup, d.Warmup, true);
  Vary(startup, d.Startup, true);
  Vary(timed, d.Timed, true);
  Vary(verdict, d.Verdict, record::Verdict::Wrong);
  Vary(ende, d.EndeSeconds, 0.25);
  Vary(monotonic, d.MonotonicSeconds, 0.2468);
  Vary(guard, d.GuardSeconds, 0.0013);
  Vary(check, d.CheckSeconds, 0.0421);
  Vary(user, d.UserSeconds, 0.2);
  Vary(system, d.SystemSeconds, 0.01);
  Vary(rss, d.MaxRssBytes, std::int64_t{7} << 20);
  Vary(outBytes, d.OutBytes, std::uintmax_t{16384});
  VaryEveryDefault(judgement);
  Vary(failure, d.Failure, "Der Löser ist abgestürzt.");
  Vary(puzzles, d.Puzzles, record::PuzzleTimes{});
  VaryEveryDefault(*puzzles);
}

void VaryEveryDefault(record::BaselineCell& cell, std::size_t sets, std::size_t solvers) {
  const record::BaselineCell d;
  auto& [set, solver, run, name, seconds] = cell;
  Vary(set, d.Set, sets - 1);
  Vary(solver, d.Solver, solvers - 1);
  Vary(run, d.Run, 5);
  Vary(name, d.Name, "v0");
  Vary(seconds, d.MonotonicSeconds, std::vector<double>{0.2, 0.21, 0.19, 0.2, 0.22});
}

void VaryEveryDefault(record::UncomparedCell& cell, std::size_t sets, std::size_t solvers) {
  const record::UncomparedCell d;
  auto& [set, solver, reason, run, name] = cell;
  Vary(set, d.Set, sets - 1);
  Vary(solver, d.Solver, solvers - 1);
  Vary(reason, d.Reason, record::NoComparison::OtherPuzzles);
  Vary(run, d.Run, 4);
  Vary(name, d.Name, "v0");
}

void VaryEveryDefault(record::PuzzlesFrom& from) {
  const record::PuzzlesFrom d;
  auto& [run, seed, count] = from;
  Vary(run, d.Run, 4);
  Vary(seed, d.Seed, 4711);
  Vary(count, d.Count, 300);
}

void VaryEveryDefault(record::Baseline& b, std::size_t sets, std::size_t solvers) {
  const record::Baseline d;
  auto& [reference, cells, warnings, uncompared, puzzlesFrom] = b;
  Vary(reference, d.Reference, "latest");
  Vary(cells, d.Cells, std::vector<record::BaselineCell>(1));
  for (record::BaselineCell& cell : cells) VaryEveryDefault(cell, sets, solvers);
  Vary(warnings, d.Warnings, std::vector<std::string>{"Lauf 5 lief anderswo."});
  Vary(uncompared, d.Uncompared, std::vector<record::UncomparedCell>(1));
  for (record::UncomparedCell& cell : uncompared) VaryEveryDefault(cell, sets, solvers);
  Vary(puzzlesFrom, d.PuzzlesFrom, record::PuzzlesFrom{});
  VaryEveryDefault(*puzzlesFrom);
}

// A second set and solver where the record has one only, so that the measurements' indexes can
// differ from 0 as well.
record::RunRecord Varied(record::RunRecord r) {
  auto& [context, settings, sets, solvers, measurements, baseline, interruption] = r;
  // An interrupted run is never stored: Add refuses it (tested with the store's refusals).
  EXPECT_FALSE(interruption);
  VaryEveryDefault(context);
  VaryEveryDefault(settings);
  if (sets.size() < 2) sets.emplace_back();
  if (solvers.size() < 2) solvers.emplace_back();
  for (record::PuzzleSet& set : sets) VaryEveryDefault(set);
  for (record::Solver& solver : solvers) VaryEveryDefault(solver);
  for (record::Measurement& m : measurements) VaryEveryDefault(m, sets.size(), solvers.size());
  Vary(baseline, std::optional<record::Baseline>(), record::Baseline{});
  VaryEveryDefault(*baseline, sets.size(), solvers.size());
  return r;
}

// What the store keeps of a run's comparisons: what its report said, per solver and set against
// its baseline and against the fastest, in that order.
std::vector<record::StoredComparison> ComparisonsOf(const record::RunRecord& r) {
  std::vector<record::StoredComparison> comparisons;
  const record::Summaries summaries = record::Summarize(r);
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    const record::SetSummary& summary = summaries.Sets[set];
    for (std::size_t solver = 0; solver < summary.Solvers.size(); ++solver) {
      const record::SolverSummary& s = summary.Solvers[solver];
      if (s.AgainstBaseline) {
        comparisons.push_back({set, solver, true, s.Baseline->Run, *s.AgainstBaseline});
      }
      if (s.AgainstFastest) {
        comparisons.push_back(
            {set, solver, false, static_cast<std::int64_t>(*summary.Fastest), *s.AgainstFastest});
      }
    }
  }
  return comparisons;
}

// The run as the store gives it back under `number`.
record::StoredRun AsStored(const record::RunRecord& r, std::int64_t number) {
  record::StoredRun stored{number, r, ComparisonsOf(r)};
  // Not kept, on purpose:
  // - the baseline (its reference, cells, warnings, the cells it could not compare and where the
  //   puzzles came from): the store keeps what comparing with it came to, the comparisons above,
  //   and the stored runs its cells and puzzles came from are in the store;
  stored.Record.Baseline.reset();
  // - --fail-on-regression: it decides the exit status of the run alone, which the JSON report
  //   keeps instead of the option, as the store keeps the comparisons.
  stored.Record.Settings.FailOnRegression = false;
  return stored;
}

// Equal whole; where not, the parts that differ are named.
void ExpectSame(const record::StoredRun& back, const record::StoredRun& expected) {
  EXPECT_TRUE(back == expected);
  if (back == expected) return;
  const record::RunRecord &b = back.Record, &e = expected.Record;
  EXPECT_EQ(back.Number, expected.Number);
  EXPECT_TRUE(b.Context == e.Context) << "Context";
  EXPECT_TRUE(b.Settings == e.Settings) << "Settings";
  EXPECT_TRUE(b.Sets == e.Sets) << "Sets";
  EXPECT_TRUE(b.Solvers == e.Solvers) << "Solvers";
  ASSERT_EQ(b.Measurements.size(), e.Measurements.size());
  for (std::size_t i = 0; i < b.Measurements.size(); ++i) {
    EXPECT_TRUE(b.Measurements[i] == e.Measurements[i]) << "Measurements[" << i << "]";
  }
  EXPECT_TRUE(b.Baseline == e.Baseline) << "Baseline";
  EXPECT_TRUE(back.Comparisons == expected.Comparisons) << "Comparisons";
}

struct Case {
  std::string Name;
  record::RunRecord (*Make)();
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.Name;
}

class RoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(RoundTrip, EveryFieldOfTheRecordComesBack) {
  const record::RunRecord original = GetParam().Make();
  const record::RunRecord varied = Varied(original);
  ASSERT_FALSE(varied == original);
  TempFolder temp;
  ResultsStore store(temp / "s.sqlite", ResultsStore::Access::Write);
  const Stored stored = store.Add(varied);
  const std::vector<record::StoredRun> back = store.Load();
  ASSERT_EQ(back.size(), 1u);
  ExpectSame(back[0], AsStored(varied, stored.Number));
}

// The samples as they are, with the comparisons their reports make.
TEST_P(RoundTrip, TheComparisonsOfTheReportComeBack) {
  const record::RunRecord original = GetParam().Make();
  TempFolder temp;
  ResultsStore store(temp / "s.sqlite", ResultsStore::Access::Write);
  const Stored stored = store.Add(original);
  const record::StoredRun expected = AsStored(original, stored.Number);
  if (original.Solvers.size() > 1 || original.Baseline) {
    EXPECT_FALSE(expected.Comparisons.empty());
  }
  ExpectSame(store.Load().at(0), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, RoundTrip,
    ::testing::Values(Case{"OneRun", report::samples::OneRun},
                      Case{"Comparison", report::samples::Comparison},
                      Case{"AgainstBaseline", report::samples::AgainstBaseline},
                      Case{"WrongOnBusyMachine", report::samples::WrongOnBusyMachine},
                      Case{"Suite", report::samples::Suite},
                      Case{"Libraries", report::samples::Libraries}),
    [](const ::testing::TestParamInfo<Case>& row) { return row.param.Name; });

}  // namespace
}  // namespace store
