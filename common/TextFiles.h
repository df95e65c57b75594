// Byte-exact text output and line input for the kit's files. Line ends are written as explicit
// "\r\n"; nothing translates them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace kit {

// The whole file in one read. Throws FileError naming `shownName` when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path, const std::string& shownName);

// Where formatted bytes go: a file being written, or a string in tests.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void Write(std::string_view bytes) = 0;
  void WriteLine(std::string_view text) {
    Write(text);
    Write("\r\n");
  }
};

class StringSink final : public TextSink {
 public:
  void Write(std::string_view bytes) override { Text.append(bytes); }
  std::string Text;
};

// Writes a file so that it replaces `target` only when it is complete: the bytes go through a
// buffer into a temporary file beside the target, and Commit() renames it over the target.
// Until then an earlier file of that name stays as it was; without Commit() the destructor
// removes the temporary file. Errors throw FileError with a German message that names `shownName`.
class ReplacingFile final : public TextSink {
 public:
  ReplacingFile(std::filesystem::path target, std::string shownName);
  ~ReplacingFile() override;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  void Write(std::string_view bytes) override;
  void Commit();

 private:
  void FlushBuffer();
  void WriteAll(const char* data, std::size_t size);
  [[noreturn]] void Fail(int errorNumber);

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::string shownName_;
  int descriptor_ = -1;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

// Reads a file line by line through a large buffer. A line ends at LF; a CR just before the LF
// is not part of the line, and the last line may lack its line end. A line may be at most
// `maxLine` bytes long, without its line end: the buffer never grows, so a file that never ends
// a line cannot make the reader hold more than that, nor read more than one buffer beyond it.
//
// Opened by path, only a regular file (or a link to one) is read. The file is opened without
// waiting, so that a FIFO cannot hold the open up, and anything else throws NotRegularFileError.
class LineReader {
 public:
  LineReader(const std::filesystem::path& path, std::string shownName, std::size_t maxLine);
  // Reads an open descriptor, such as the read end of a solver's standard output, which the
  // reader owns from here on and closes. Reads block until bytes come or every writer has
  // closed, whatever the descriptor's O_NONBLOCK flag; interrupted reads are resumed. Throws
  // FileError naming `shownName` (and closes the descriptor) when it is not open.
  LineReader(int descriptor, std::string shownName, std::size_t maxLine);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line, valid until the next call. False at the end of the file, and at a line longer
  // than the limit: then LineTooLong() is true, that line is number LinesRead() + 1, and every
  // later call returns false without reading.
  bool ReadLine(std::string_view& line);
  bool LineTooLong() const { return tooLong_; }
  long long LinesRead() const { return linesRead_; }
  // The bytes taken from the file or descriptor so far, read ahead of the lines included.
  std::uintmax_t BytesRead() const { return bytesRead_; }

 private:
  void TakeBuffer();
  bool Refill();
  bool StopAtLongLine();

  std::string shownName_;
  std::size_t maxLine_;
  int descriptor_ = -1;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool atEnd_ = false;
  bool tooLong_ = false;
  long long linesRead_ = 0;
  std::uintmax_t bytesRead_ = 0;
};

}  // namespace kit
