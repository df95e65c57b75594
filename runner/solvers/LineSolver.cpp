#include "LineSolver.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "ExchangeParts.h"
#include "FileError.h"
#include "SolutionFile.h"
#include "TextFiles.h"

namespace runner {
namespace {

constexpr int PipeBytes = 1 << 20;  // the most an unprivileged process gets by default

}  // namespace

std::string LineInput(const kit::PuzzleText& puzzles) {
  std::string input;
  input.reserve((puzzles.Text.size() / kit::PuzzleStride + 1) * (kit::CellCount + 1));
  kit::ReadPos pos = 1;
  do {
    input += checker::PuzzleLine(kit::ReadNextPuzzle(puzzles, pos));
    input += '\n';
  } while (pos >= 3);
  return input;
}

LineExchange::LineExchange(const std::string& input, std::int64_t count)
    : input_(input), count_(count), claims_(count) {
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0) {
    throw kit::FileError(
        "Die Verbindung zum Löser lässt sich nicht anlegen: " + kit::SystemErrorText(errno) + ".");
  }
  if (::pipe2(out, O_CLOEXEC) != 0) {
    const int error = errno;
    ::close(in[0]);
    ::close(in[1]);
    throw kit::FileError(
        "Die Verbindung zum Löser lässt sich nicht anlegen: " + kit::SystemErrorText(error) + ".");
  }
  inputRead_ = in[0];
  inputWrite_ = in[1];
  outputRead_ = out[0];
  outputWrite_ = out[1];
  // Larger pipes: fewer switches between the solver and the kit's threads per megabyte. Where
  // the system allows less, the default of 64 KiB serves as well.
  for (const int fd : {inputWrite_, outputRead_}) ::fcntl(fd, F_SETPIPE_SZ, PipeBytes);
  writer_ = QuietThread([this] { Write(); });
  try {
    reader_ = QuietThread([this] { Read(); });
  } catch (...) {
    CloseIfOpen(inputRead_);
    CloseIfOpen(outputWrite_);
    writer_.join();
    throw;
  }
}

LineExchange::~LineExchange() {
  // Without a run the threads end at once: nobody holds the other ends any more.
  CloseIfOpen(inputRead_);
  CloseIfOpen(outputWrite_);
  if (writer_.joinable()) writer_.join();
  if (reader_.joinable()) reader_.join();
}

void LineExchange::Hand(ProcessSetup& setup) {
  setup.Input = inputRead_;
  setup.Output = outputWrite_;
  inputRead_ = outputWrite_ = -1;  // RunProcess closes them
}

void LineExchange::Write() {
  const char* data = input_.data();
  std::size_t left = input_.size();
  while (left > 0) {
    const ssize_t written = ::write(inputWrite_, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      break;  // EPIPE: the solver has stopped reading, and is judged on what it answered
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  CloseIfOpen(inputWrite_);  // the end of its input
}

void LineExchange::Read() {
  // A copy that drains what comes after a line too long, so that the solver is never stalled on
  // a full pipe; the reader owns the other.
  int drain = ::fcntl(outputRead_, F_DUPFD_CLOEXEC, 0);
  try {
    kit::LineReader reader(outputRead_, "der Ausgabe des Lösers", kit::MaxAnswerLine);
    outputRead_ = -1;
    const std::size_t stride = kit::CellCount + 1;
    std::string_view line;
    while (reader.ReadLine(line)) {
      const auto n = static_cast<std::size_t>(claims_.Lines());
      claims_.Add(line, n < static_cast<std::size_t>(count_)
                            ? std::string_view(input_).substr(n * stride, kit::CellCount)
                            : std::string_view());
      lines_.store(claims_.Lines(), std::memory_order_relaxed);
    }
    if (reader.LineTooLong()) claims_.TooLong();
    bytes_ = reader.BytesRead();
  } catch (const std::exception& e) {
    readError_ = e.what();
  }
  CloseIfOpen(outputRead_);
  if (drain >= 0) {
    char sink[1 << 16];
    for (;;) {
      const ssize_t got = ::read(drain, sink, sizeof sink);
      if (got > 0) {
        bytes_ += static_cast<std::uintmax_t>(got);
      } else if (got == 0 || errno != EINTR) {
        break;
      }
    }
    ::close(drain);
  }
  closedNs_ = MonotonicNs();
}

void LineExchange::Finish(ProcessEnd& end) {
  CloseIfOpen(inputRead_);
  CloseIfOpen(outputWrite_);
  if (writer_.joinable()) writer_.join();
  if (reader_.joinable()) reader_.join();
  if (end.StartNs > 0 && closedNs_ > end.EndNs) {
    end.EndNs = closedNs_;
    end.MonotonicSeconds = static_cast<double>(end.EndNs - end.StartNs) / 1e9;
  }
}

}  // namespace runner
