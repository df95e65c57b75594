#include "ProgressDisplay.h"

#include <unistd.h>

#include <cmath>

namespace runner {
namespace {

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Rate(double perSecond) {
  if (perSecond >= 1e6) return Fixed(perSecond / 1e6, 2) + " Mio./s";
  if (perSecond >= 1e3) return Fixed(perSecond / 1e3, 1) + " Tsd./s";
  return Fixed(perSecond, 0) + "/s";
}

}  // namespace

ProgressDisplay::ProgressDisplay(std::string phase, std::int64_t total, std::FILE* out)
    : phase_(std::move(phase)), total_(total), out_(out), terminal_(::isatty(::fileno(out)) != 0) {}

ProgressDisplay::~ProgressDisplay() {
  if (!finished_ && terminal_) std::fputc('\n', out_);
}

std::string ProgressDisplay::Line(const std::string& phase, std::int64_t done, std::int64_t total,
                                  double seconds, bool withBar) {
  std::string line = phase;
  if (total > 0 && withBar) {
    constexpr int Width = 24;
    const auto filled = static_cast<int>(
        std::lround(Width * static_cast<double>(done) / static_cast<double>(total)));
    line += " [" + std::string(static_cast<std::size_t>(filled), '#') +
            std::string(static_cast<std::size_t>(Width - filled), '.') + "]";
  }
  line += " " + std::to_string(done);
  if (total > 0) line += " von " + std::to_string(total);
  if (seconds > 0 && done > 0) {
    const double rate = static_cast<double>(done) / seconds;
    line += ", " + Rate(rate);
    if (total > done) line += ", noch " + Fixed(static_cast<double>(total - done) / rate, 1) + " s";
  }
  return line;
}

void ProgressDisplay::Update(std::int64_t done) {
  const auto now = Clock::now();
  // A terminal redraws its one line often; a log gets a line every five seconds.
  if (now - shown_ < (terminal_ ? std::chrono::milliseconds(100) : std::chrono::seconds(5))) return;
  shown_ = now;
  Show(done, false);
}

void ProgressDisplay::Finish(std::int64_t done) {
  if (finished_) return;
  Show(done, true);
  finished_ = true;
}

void ProgressDisplay::Show(std::int64_t done, bool last) {
  const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  std::string line = Line(phase_, done, total_, seconds, terminal_);
  if (last) line += " (" + Fixed(seconds, 2) + " s)";
  if (terminal_) {
    std::fprintf(out_, "\r%-100s%s", line.c_str(), last ? "\n" : "");
  } else {
    std::fprintf(out_, "%s\n", line.c_str());
  }
  std::fflush(out_);
}

}  // namespace runner
