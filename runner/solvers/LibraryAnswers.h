// What a library answered, as its host left it in the answers region: the judge's claims, and
// its timed pass puzzle by puzzle for the reports.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "AnswerSlots.h"
#include "AnswerSource.h"
#include "RunRecord.h"

namespace runner {

// How the judge's reasons name a library's counts, judged on their digits or on the counts alone.
extern const checker::Declarations LibraryDeclarations;
extern const checker::Declarations LibraryCountDeclarations;

// Whether the library wrote a solution for any puzzle it counted one solution for; one that never
// did (and counted one somewhere) is judged on its counts alone.
bool GivesSolutions(const std::vector<host::AnswerSlot>& slots);

// The claims of the slots in order: a count of 0 none, 1 one with the limit-1 call's solution, 2
// or more several (whatever a limit-2 call left in the solution is not looked at).
class LibraryAnswers final : public checker::AnswerSource {
 public:
  explicit LibraryAnswers(const std::vector<host::AnswerSlot>& slots)
      : slots_(slots), solutions_(GivesSolutions(slots)) {}
  bool Next(const kit::Board& givens, kit::PuzzleRecord& answer, std::string& reason) override;
  std::string Name() const override { return "den Antworten der Bibliothek"; }
  const checker::Declarations& Declared() const override {
    return solutions_ ? LibraryDeclarations : LibraryCountDeclarations;
  }

 private:
  const std::vector<host::AnswerSlot>& slots_;
  bool solutions_;
  std::size_t next_ = 0;
};

// The timed pass of a completed run: the calls' percentiles, the ten slowest with the lines of
// `collection` they stand on (none for a generated set), the guesses where the library wrote
// them, and the histogram. The collection is read again only for the ten lines.
record::PuzzleTimes PassFigures(const std::vector<host::AnswerSlot>& slots,
                                const std::filesystem::path& collection);

}  // namespace runner
