// check_agreement: runs Check's own result (the shared search within its step budget, the exact
// counter behind it) and the shared search without a budget side by side on every puzzle given,
// and reports how they agree and how long the slowest puzzle took each. A one-off proof on whole
// collections, beyond what the test suite can afford.
//
//   check_agreement [--kit N] [--in IN.TXT ...] [COLLECTION.txt ...]
//
// --kit N takes N puzzles of Build's mix (seed 12345); --in takes files in IN.TXT's format;
// the rest are collections in the line format. For each collection the 40 puzzles that were
// slowest for the unbudgeted search are also run in a row. Exit status 1 on any disagreement.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "BuildSudokus.h"
#include "CheckIt.h"
#include "FileError.h"
#include "PuzzleFile.h"
#include "PuzzleLines.h"
#include "TextFiles.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<kit::Board> KitMix(int count) {
  kit::StringSink file;
  generator::BuildSudokus(12345, count, file, [](std::int32_t) { return true; });
  return kit::ReadAllPuzzles(kit::PuzzleText{file.Text, "IN.TXT"});
}

struct Pass {
  std::vector<kit::PuzzleRecord> Results;
  std::vector<double> Milliseconds;
  std::int64_t Counted = 0;
};

// Every puzzle in a row through one module, as CheckIt goes through them.
template <class Solve>
Pass Run(const std::vector<kit::Board>& puzzles, Solve solve) {
  Pass pass;
  for (const kit::Board& p : puzzles) {
    kit::PuzzleRecord r;
    r.Cells = p;
    const auto start = Clock::now();
    solve(r);
    pass.Milliseconds.push_back(Since(start));
    pass.Results.push_back(r);
  }
  return pass;
}

// Check's own result, as CheckIt computes it.
Pass Budgeted(const std::vector<kit::Board>& puzzles) {
  const auto own = std::make_unique<checker::OwnSearch>();
  Pass pass = Run(puzzles, [&](kit::PuzzleRecord& r) { own->SolveSudoku(r); });
  pass.Counted = own->Counted;
  return pass;
}

Pass Unbudgeted(const std::vector<kit::Board>& puzzles) {
  const auto search = std::make_unique<kit::Rekursiv>();
  search->InitTables();
  return Run(puzzles, [&](kit::PuzzleRecord& r) { search->SolveSudoku(r); });
}

// The puzzles of a file in IN.TXT's format up to the first damaged one (the fuzz corpus holds
// damaged files on purpose).
std::vector<kit::Board> ReadablePuzzles(const std::string& path) {
  const kit::PuzzleText text{kit::ReadWholeFile(path, path), path};
  std::vector<kit::Board> puzzles;
  kit::ReadPos pos = 1;
  try {
    do puzzles.push_back(kit::ReadNextPuzzle(text, pos));
    while (pos >= 3);
  } catch (const kit::FileError&) {
  }
  return puzzles;
}

double Slowest(const Pass& pass) {
  return pass.Milliseconds.empty()
             ? 0
             : *std::max_element(pass.Milliseconds.begin(), pass.Milliseconds.end());
}

// Compares and prints one line; returns the number of disagreements.
long Compare(const std::string& name, const std::vector<kit::Board>& puzzles, bool slowestInARow) {
  const Pass own = Budgeted(puzzles), plain = Unbudgeted(puzzles);
  long disagree = 0;
  long outcomes[3] = {};
  for (std::size_t i = 0; i < puzzles.size(); ++i) {
    const kit::PuzzleRecord &a = own.Results[i], &b = plain.Results[i];
    if (a.Status != b.Status || (a.Status == 1 && a.Cells != b.Cells)) {
      ++disagree;
      std::printf("  disagreement at puzzle %zu: status %d against %d\n", i + 1, a.Status,
                  b.Status);
    }
    if (a.Status >= 0 && a.Status <= 2) ++outcomes[a.Status];
  }
  const double ownTotal = std::accumulate(own.Milliseconds.begin(), own.Milliseconds.end(), 0.0);
  const double plainTotal =
      std::accumulate(plain.Milliseconds.begin(), plain.Milliseconds.end(), 0.0);
  std::printf(
      "%-28s %8zu puzzles  %7ld none %7ld one %7ld several  counter %6lld  disagree %ld  "
      "check %8.2f us/puzzle, slowest %7.3f ms  unbudgeted %8.2f us/puzzle, slowest %8.3f ms\n",
      name.c_str(), puzzles.size(), outcomes[0], outcomes[1], outcomes[2],
      static_cast<long long>(own.Counted), disagree, 1000 * ownTotal / double(puzzles.size()),
      Slowest(own), 1000 * plainTotal / double(puzzles.size()), Slowest(plain));
  if (slowestInARow && puzzles.size() > 40) {
    std::vector<std::size_t> order(puzzles.size());
    std::iota(order.begin(), order.end(), 0);
    std::partial_sort(order.begin(), order.begin() + 40, order.end(), [&](auto x, auto y) {
      return plain.Milliseconds[x] > plain.Milliseconds[y];
    });
    std::vector<kit::Board> slow;
    for (std::size_t k = 0; k < 40; ++k) slow.push_back(puzzles[order[k]]);
    disagree += Compare(name + " (40 slowest)", slow, false);
  }
  return disagree;
}

}  // namespace

int main(int argc, char* argv[]) {
  long disagree = 0;
  try {
    for (int a = 1; a < argc; ++a) {
      if (std::strcmp(argv[a], "--kit") == 0 && a + 1 < argc) {
        const int count = std::atoi(argv[++a]);
        disagree += Compare("Build's mix", KitMix(count), false);
      } else if (std::strcmp(argv[a], "--in") == 0 && a + 1 < argc) {
        const std::string path = argv[++a];
        disagree += Compare(path, ReadablePuzzles(path), false);
      } else {
        disagree += Compare(argv[a], kit::ReadPuzzleLines(argv[a]), true);
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "check_agreement: %s\n", e.what());
    return 2;
  }
  return disagree == 0 ? 0 : 1;
}
