// A line solver's run: the set's puzzles go to its standard input a line each while its answer
// lines are read from its standard output, both at once on threads of their own, so that a
// solver that prints before it has read everything cannot stall, and one that stops reading
// leaves Messlauf with a broken pipe, not a SIGPIPE. The answers are collected as claims and
// judged, after the run, like every solver's.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "LineAnswers.h"
#include "Process.h"
#include "PuzzleFile.h"

namespace runner {

// The input a line solver is sent for `puzzles`: PuzzleLine of each, ending in LF.
std::string LineInput(const kit::PuzzleText& puzzles);

class LineExchange {
 public:
  // `input` (LineInput of the set, `count` puzzles) outlives the exchange. Makes the pipes and
  // starts the threads; throws kit::FileError when the system refuses them.
  LineExchange(const std::string& input, std::int64_t count);
  ~LineExchange();
  LineExchange(const LineExchange&) = delete;
  LineExchange& operator=(const LineExchange&) = delete;

  // Gives `setup` the solver's ends of the pipes (RunProcess closes them).
  void Hand(ProcessSetup& setup);
  // Answer lines read so far, for the progress display.
  std::int64_t Lines() const { return lines_.load(std::memory_order_relaxed); }
  // Waits for both threads once the solver has ended, and extends `end` to the moment its
  // output was closed where that came after it ended.
  void Finish(ProcessEnd& end);

  // What it answered, for the judge; after Finish.
  const checker::ClaimList& Claims() const { return claims_; }
  // The bytes of its standard output; after Finish.
  std::uintmax_t OutputBytes() const { return bytes_; }
  // Why its output could not be read, if it could not; after Finish.
  const std::string& ReadError() const { return readError_; }

 private:
  void Write();
  void Read();

  const std::string& input_;
  std::int64_t count_;
  checker::ClaimList claims_;
  int inputWrite_ = -1, inputRead_ = -1, outputRead_ = -1, outputWrite_ = -1;
  std::atomic<std::int64_t> lines_{0};
  std::int64_t closedNs_ = 0;  // CLOCK_MONOTONIC when the output reached its end
  std::uintmax_t bytes_ = 0;
  std::string readError_;
  std::thread writer_, reader_;
};

}  // namespace runner
