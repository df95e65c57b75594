// The progress of a solver run: the result blocks it has written so far, for the display only.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>

namespace runner {

// Counts the blocks in OUT.TXT (or OUT.TXT.tmp, which Quadrin renames at the end), reading only
// what is new. It reads no further than the judge will: not past the last block it waits for,
// nor past a line longer than an answer line may be, and nothing that is not a regular file (a
// FIFO would block).
class AnswerCounter {
 public:
  AnswerCounter(std::filesystem::path folder, std::int64_t expected);
  std::int64_t Count();

 private:
  void ReadOn(int descriptor);

  std::filesystem::path folder_;
  std::int64_t expected_;
  ino_t inode_ = 0;
  off_t offset_ = 0;
  std::int64_t blocks_ = 0;
  std::uint32_t tail_ = 0;
  std::size_t lineLength_ = 0;
  bool done_ = false;  // the judge reads no further
};

}  // namespace runner
