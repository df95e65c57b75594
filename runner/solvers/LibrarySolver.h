// A solver library as the command line names it, the sealed memory file of puzzles its host
// reads, and what it answered as the judge takes it: the library never runs inside Messlauf, and
// nothing it does can change the puzzles it is given.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

#include "AnswerSlots.h"
#include "AnswerSource.h"
#include "Process.h"
#include "RunRecord.h"

namespace runner {

// NAME=FILE:FUNCTION[:CONFIG], taken apart from the right: FUNCTION a C identifier, CONFIG a
// decimal number of 32 bits (0 when left out), FILE everything before, colons and all. The name
// is the function's unless given; the text before the first '=' is a name on the same terms as
// for a command.
struct LibraryNaming {
  std::string Name;
  std::string File;
  std::string Function;
  std::uint32_t Configuration = 0;
};

// The naming `argument` stands for, or a German sentence saying what is wrong with it.
std::variant<LibraryNaming, std::string> ParseLibrary(const std::string& argument);

// Whether `host` can load `library` and finds its function, asked of a short-lived host process
// so that nothing of the library ever runs inside Messlauf; nothing when it can, otherwise the
// German sentence that refuses it (the loader's own English words are left out). The library's
// file must exist and be readable; a host that does not answer within 30 s refuses it as well.
std::optional<std::string> ProbeLibrary(const std::filesystem::path& host,
                                        const LibraryNaming& library);

// A memory file with one puzzle in each slot, sealed against writing, growing and shrinking (and
// against new seals) before anyone else sees it, so that no mapping of it can ever be written.
class SealedPuzzles {
 public:
  // `lines` holds the puzzles as a line solver is sent them: 81 characters and a line feed each.
  // Throws kit::FileError when the system refuses the file or its seals.
  SealedPuzzles(std::string_view lines, std::int64_t count);
  ~SealedPuzzles();
  SealedPuzzles(const SealedPuzzles&) = delete;
  SealedPuzzles& operator=(const SealedPuzzles&) = delete;

  int Descriptor() const { return fd_; }  // close-on-exec; the launcher hands it over
  std::int64_t Count() const { return count_; }

 private:
  int fd_ = -1;
  std::int64_t count_ = 0;
};

// One run of a library in Gastgeber: the answers region and the two pipes, and a thread that
// brackets the timed pass on Messlauf's own clock (the go is sent only after the bracket has
// opened, and it closes only after the host's pass has ended).
class LibraryExchange {
 public:
  // Throws kit::FileError when the system refuses the region or the pipes.
  explicit LibraryExchange(const SealedPuzzles& puzzles);
  ~LibraryExchange();
  LibraryExchange(const LibraryExchange&) = delete;
  LibraryExchange& operator=(const LibraryExchange&) = delete;

  // Makes `setup` start `host` on the library with the descriptors in their places; RunProcess
  // closes the ends it is handed.
  void Hand(ProcessSetup& setup, const std::filesystem::path& host, const LibraryNaming& library);
  // After RunProcess: waits for the thread and takes what the host left in the region.
  void Finish();

  bool Completed() const { return stage_ == host::Done && marks_ == "BED"; }
  std::int64_t Current() const { return current_; }  // the puzzle under way at the end, from 1
  // For the progress display: the puzzles the timed pass has reached (0 while warming up), all
  // of them once the run completed.
  std::int64_t Progress() const;
  double PassSeconds() const { return passSeconds_; }
  double BracketSeconds() const { return bracketSeconds_; }
  const std::vector<host::AnswerSlot>& Slots() const { return slots_; }
  std::int64_t WarmupPasses() const { return warmupPasses_; }

  // Why the times of a completed run cannot stand, in German: a pass longer than Messlauf's
  // bracket of it, or calls that add up to more than the pass. Nothing when they can.
  std::optional<std::string> Tampered(const std::string& name, const std::string& runName) const;

 private:
  void Listen();

  const SealedPuzzles& puzzles_;
  int answers_ = -1;
  int ackRead_ = -1, ackWrite_ = -1, marksRead_ = -1, marksWrite_ = -1;
  std::thread listener_;
  std::string marks_;
  std::int64_t openedNs_ = 0, closedNs_ = 0;
  double bracketSeconds_ = 0, passSeconds_ = 0;
  std::int64_t stage_ = 0, current_ = 0, warmupPasses_ = 0;
  std::vector<host::AnswerSlot> slots_;
  const host::AnswerHeader* live_ = nullptr;
};

// A library run that did not complete, in German, with the puzzle it was at: a crash, the time
// limit, or an end of its own.
std::string LibraryFailure(const std::string& name, const std::string& runName,
                           const ProcessEnd& end, std::int64_t puzzle, double timeoutSeconds);

// What a library answered, as its host left it in the answers region: the judge's claims, and
// its timed pass puzzle by puzzle for the reports.

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
