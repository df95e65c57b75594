// Progress of a long phase on standard error: a bar with count, rate and time left on a terminal,
// plain lines every few seconds otherwise (logs, CI).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace runner {

class ProgressDisplay {
 public:
  // `total` 0 means unknown. `out` is where the display goes (standard error in the program).
  ProgressDisplay(std::string phase, std::int64_t total, std::FILE* out = stderr);
  ~ProgressDisplay();
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  void Update(std::int64_t done);
  void Finish(std::int64_t done);

  // The line shown for `done` of `total` after `seconds`, without the bar's carriage return.
  static std::string Line(const std::string& phase, std::int64_t done, std::int64_t total,
                          double seconds, bool withBar);

 private:
  using Clock = std::chrono::steady_clock;
  void Show(std::int64_t done, bool last);

  std::string phase_;
  std::int64_t total_;
  std::FILE* out_;
  bool terminal_;
  bool finished_ = false;
  Clock::time_point start_ = Clock::now();
  Clock::time_point shown_ = start_;
};

}  // namespace runner
