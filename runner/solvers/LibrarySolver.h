// A solver library as the command line names it, and the sealed memory file of puzzles its host
// reads: the library never runs inside Messlauf, and nothing it does can change the puzzles it is
// given.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

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

}  // namespace runner
