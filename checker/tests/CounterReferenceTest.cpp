// The counter against the reference it was made faster from: the same number of solutions and the
// same solution on every kind of board Check may hand it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "PuzzleMix.h"
#include "ReferenceCounter.h"
#include "SampleData.h"
#include "SolutionCounter.h"

namespace checker {
namespace {

using kit::Board;
using kit::testing::PuzzleMix;
using kit::testing::SamplePuzzles;

bool SeeEachOther(int a, int b) {
  return a / 9 == b / 9 || a % 9 == b % 9 || (a / 27 == b / 27 && a % 9 / 3 == b % 9 / 3);
}

// Both counters on one board; `outcomes` counts what they said.
class Agreement {
 public:
  void Compare(const Board& givens, const std::string& what) {
    const CountResult expected = reference_->Count(givens);
    const CountResult r = counter_->Count(givens);
    ASSERT_EQ(r.Solutions, expected.Solutions) << what;
    ASSERT_EQ(r.Solution, expected.Solution) << what;
    ++outcomes[static_cast<std::size_t>(r.Solutions)];
  }

  std::array<int, 3> outcomes{};

 private:
  // Both hold a state per depth: too big for the stack of a test.
  std::unique_ptr<SolutionCounter> counter_ = std::make_unique<SolutionCounter>();
  std::unique_ptr<testing::ReferenceCounter> reference_ =
      std::make_unique<testing::ReferenceCounter>();
};

TEST(SolutionCounter, MatchesTheReferenceOnMadeUpBoards) {
  Agreement agree;
  PuzzleMix mix(2024);
  for (int i = 0; i < 12000; ++i) {
    const std::string what = "board " + std::to_string(i);
    switch (i % 4) {
      case 0: {  // random digits in random cells: mostly repeats, some open boards
        Board p{};
        const int givens = 4 + mix.Below(25);
        for (int k = 0; k < givens; ++k)
          p[static_cast<std::size_t>(mix.Below(81))] = static_cast<std::uint8_t>(1 + mix.Below(9));
        agree.Compare(p, what);
        break;
      }
      case 1:  // cut from a grid: one solution or several
        agree.Compare(mix.GridPuzzle(40, 64), what);
        break;
      case 2: {  // cut from a grid, then one given copied into a cell that sees it
        Board p = mix.GridPuzzle(30, 60);
        const int from = mix.Below(81), to = mix.Below(81);
        if (from != to && SeeEachOther(from, to) && p[static_cast<std::size_t>(from)] != 0)
          p[static_cast<std::size_t>(to)] = p[static_cast<std::size_t>(from)];
        agree.Compare(p, what);
        break;
      }
      default: {  // cut from a grid, then one cell given a digit that differs from the grid's
        const Board grid = mix.Grid();
        Board p = grid;
        for (int k = 0; k < 45 + mix.Below(15); ++k) p[static_cast<std::size_t>(mix.Below(81))] = 0;
        const auto cell = static_cast<std::size_t>(mix.Below(81));
        p[cell] = static_cast<std::uint8_t>(1 + (grid[cell] + mix.Below(8)) % 9);
        agree.Compare(p, what);
        break;
      }
    }
  }
  for (int n : agree.outcomes) EXPECT_GT(n, 1500);  // every outcome well represented
}

// The hard samples as they are, with one given taken away (often several solutions, sometimes
// still one) and with one wrong digit added (mostly none, found only by a full search).
TEST(SolutionCounter, MatchesTheReferenceOnTheSamplesAndTheirNeighbours) {
  Agreement agree;
  PuzzleMix mix(77);
  for (const char* name : kit::testing::SampleNames) {
    const std::vector<Board> puzzles = SamplePuzzles(name);
    for (std::size_t i = 0; i < puzzles.size(); ++i) {
      const std::string what = std::string(name) + " puzzle " + std::to_string(i);
      const Board& p = puzzles[i];
      agree.Compare(p, what);
      if (i % 3 != 0) continue;
      Board fewer = p, more = p;
      for (;;) {
        const auto cell = static_cast<std::size_t>(mix.Below(81));
        if (fewer[cell] == 0) continue;
        fewer[cell] = 0;
        break;
      }
      for (;;) {
        const auto cell = static_cast<std::size_t>(mix.Below(81));
        if (more[cell] != 0) continue;
        more[cell] = static_cast<std::uint8_t>(1 + mix.Below(9));
        break;
      }
      agree.Compare(fewer, what + " with a given fewer");
      agree.Compare(more, what + " with a given more");
    }
  }
  for (int n : agree.outcomes) EXPECT_GT(n, 150);
}

}  // namespace
}  // namespace checker
