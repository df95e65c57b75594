// The one error type of the kit's file handling. Its text is the complete German message that
// a program shows (on standard error or in a message box); the fields say where it happened.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace kit {

class FileError : public std::runtime_error {
 public:
  // Puzzle and Line are 1-based and 0 when the message is about the file as a whole.
  FileError(std::string message, long long puzzle = 0, long long line = 0)
      : std::runtime_error(std::move(message)), Puzzle(puzzle), Line(line) {}

  long long Puzzle;
  long long Line;
};

// A name that stands for something other than a regular file: a FIFO, a device, a folder. Reading
// one could wait for a writer or never end, so readers refuse it by this error, which callers can
// tell apart from a file that is damaged or missing.
class NotRegularFileError : public FileError {
 public:
  using FileError::FileError;
};

// German text for an errno value, for messages about files that cannot be opened or written.
std::string SystemErrorText(int errorNumber);

// Bytes of a file as a message can quote them: printable ASCII as it is, every other byte as
// "[0xNN]", so that nothing is invisible and no NUL cuts the message short.
std::string VisibleBytes(std::string_view bytes);

// One byte of a file as a message names it: "CR", "LF", "ein Leerzeichen", a printable character
// in quotes („x“), or "das Byte 0xNN".
std::string ShownByte(char c);

}  // namespace kit
