#include "TextFiles.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "FileError.h"
#include "FileNames.h"

namespace kit {
namespace {

// The first line feed in data[at, end), or end. Lines are short here: sixteen bytes are compared
// at once, which needs no set-up as memchr does.
std::size_t FindLineFeed(const char* data, std::size_t at, std::size_t end) {
#if defined(__SSE2__)
  const __m128i feed = _mm_set1_epi8('\n');
  for (; at + 16 <= end; at += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    const int found = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, feed));
    if (found != 0)
      return at + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found)));
  }
#endif
  while (at < end && data[at] != '\n') ++at;
  return at;
}

constexpr std::size_t WriteBufferSize = 1 << 20;
constexpr std::size_t ReadBufferSize = 1 << 20;

// Advises the system to back the 2 MiB-aligned part of a buffer with huge pages.
void PreferHugePages(char* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t Huge = 2 << 20;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + Huge - 1) & ~(Huge - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(Huge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data, (void)size;
#endif
}

// What a path that is not a regular file stands for, as a message names it.
const char* KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "ein FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "ein Gerät";
  if (S_ISDIR(mode)) return "ein Ordner";
  if (S_ISSOCK(mode)) return "ein Socket";
  return "etwas anderes";
}

[[noreturn]] void RefuseNotRegular(const std::string& shownName, mode_t mode) {
  throw NotRegularFileError(shownName + " ist keine gewöhnliche Datei, sondern " + KindOf(mode) +
                            ".");
}

}  // namespace

std::string ReadWholeFile(const std::filesystem::path& path, const std::string& shownName) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (descriptor < 0 || ::fstat(descriptor, &info) != 0) {
    const int error = errno;
    if (descriptor >= 0) ::close(descriptor);
    throw FileError("Die Datei " + shownName +
                    " kann nicht gelesen werden: " + SystemErrorText(error) + ".");
  }
  // One read of the whole file; the loop only continues reads the system cut short. A large
  // buffer is asked to come in huge pages where the system offers them: filled page by page it
  // costs a fault for every 4 KiB, over 20,000 for the 86 MB of 500,000 puzzles.
  std::string text;
  text.reserve(static_cast<std::size_t>(info.st_size));
  PreferHugePages(text.data(), text.capacity());
  text.resize(static_cast<std::size_t>(info.st_size));
  std::size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = ::read(descriptor, text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(descriptor);
      throw FileError("Die Datei " + shownName +
                      " kann nicht gelesen werden: " + SystemErrorText(error) + ".");
    }
    if (n == 0) break;  // the file shrank while being read
    got += static_cast<std::size_t>(n);
  }
  ::close(descriptor);
  text.resize(got);
  return text;
}

ReplacingFile::ReplacingFile(std::filesystem::path target, std::string shownName)
    : target_(std::move(target)),
      shownName_(std::move(shownName)),
      buffer_(std::make_unique_for_overwrite<char[]>(WriteBufferSize)) {
  temporary_ = target_;
  temporary_ += ".tmp";
  descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (descriptor_ < 0) {
    const int error = errno;
    throw FileError("Die Datei " + shownName_ + " kann nicht angelegt werden (" +
                    ShownPath(temporary_) + "): " + SystemErrorText(error) + ".");
  }
}

ReplacingFile::~ReplacingFile() {
  if (descriptor_ >= 0) {
    ::close(descriptor_);
    ::unlink(temporary_.c_str());
  }
}

void ReplacingFile::Write(std::string_view bytes) {
  if (bytes.size() > WriteBufferSize - used_) {
    FlushBuffer();
    if (bytes.size() > WriteBufferSize) {
      WriteAll(bytes.data(), bytes.size());  // larger than the buffer: no point in copying it
      return;
    }
  }
  std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
  used_ += bytes.size();
}

void ReplacingFile::FlushBuffer() {
  WriteAll(buffer_.get(), used_);
  used_ = 0;
}

void ReplacingFile::WriteAll(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(descriptor_, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) Fail(written < 0 ? errno : EIO);
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void ReplacingFile::Commit() {
  FlushBuffer();
  const int descriptor = descriptor_;
  descriptor_ = -1;
  if (::close(descriptor) != 0) {
    const int error = errno;
    ::unlink(temporary_.c_str());
    throw FileError("Die Datei " + shownName_ +
                    " kann nicht geschrieben werden: " + SystemErrorText(error) + ".");
  }
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary_.c_str());
    throw FileError("Die Datei " + shownName_ +
                    " kann nicht ersetzt werden: " + SystemErrorText(error) + ".");
  }
}

void ReplacingFile::Fail(int errorNumber) {
  ::close(descriptor_);
  ::unlink(temporary_.c_str());
  descriptor_ = -1;
  throw FileError("Die Datei " + shownName_ +
                  " kann nicht geschrieben werden: " + SystemErrorText(errorNumber) +
                  ". Eine frühere " + shownName_ + " bleibt unverändert.");
}

LineReader::LineReader(const std::filesystem::path& path, std::string shownName,
                       std::size_t maxLine)
    : shownName_(std::move(shownName)), maxLine_(maxLine) {
  // Without O_NONBLOCK the open of a FIFO waits for a writer; a regular file ignores the flag.
  descriptor_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat info {};
  if (descriptor_ < 0) {
    const int error = errno;
    // A socket cannot be opened at all: saying what it is tells more than the failed open.
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
      RefuseNotRegular(shownName_, info.st_mode);
    }
    throw FileError("Die Datei " + shownName_ +
                    " kann nicht gelesen werden: " + SystemErrorText(error) + ".");
  }
  if (::fstat(descriptor_, &info) != 0) {
    const int error = errno;
    ::close(descriptor_);
    throw FileError("Die Datei " + shownName_ +
                    " kann nicht gelesen werden: " + SystemErrorText(error) + ".");
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(descriptor_);
    RefuseNotRegular(shownName_, info.st_mode);
  }
  TakeBuffer();
}

LineReader::LineReader(int descriptor, std::string shownName, std::size_t maxLine)
    : shownName_(std::move(shownName)), maxLine_(maxLine), descriptor_(descriptor) {
  const int flags = descriptor_ >= 0 ? ::fcntl(descriptor_, F_GETFL) : -1;
  if (flags < 0 || ((flags & O_NONBLOCK) != 0 &&
                    ::fcntl(descriptor_, F_SETFL, flags & ~O_NONBLOCK) != 0)) {
    const int error = descriptor_ >= 0 ? errno : EBADF;
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    throw FileError("Die Datei " + shownName_ +
                    " kann nicht gelesen werden: " + SystemErrorText(error) + ".");
  }
  try {
    TakeBuffer();
  } catch (...) {
    ::close(descriptor_);
    descriptor_ = -1;
    throw;
  }
}

void LineReader::TakeBuffer() {
  // Room for the longest line with CR LF, so that the buffer never has to grow.
  capacity_ = std::max(ReadBufferSize, maxLine_ + 2);
  buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
}

LineReader::~LineReader() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

bool LineReader::Refill() {
  if (atEnd_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  // ReadLine stops before a pending line fills the buffer, so there is always room here.
  for (;;) {
    const ssize_t got = ::read(descriptor_, buffer_.get() + end_, capacity_ - end_);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Another holder of the pipe set O_NONBLOCK again: wait for bytes as a blocking read does.
      pollfd ready{descriptor_, POLLIN, 0};
      if (::poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
    }
    if (got < 0) {
      throw FileError("Die Datei " + shownName_ +
                      " kann nicht gelesen werden: " + SystemErrorText(errno) + ".");
    }
    if (got == 0) {
      atEnd_ = true;
      return false;
    }
    end_ += static_cast<std::size_t>(got);
    bytesRead_ += static_cast<std::uintmax_t>(got);
    return true;
  }
}

bool LineReader::StopAtLongLine() {
  tooLong_ = true;
  return false;
}

bool LineReader::ReadLine(std::string_view& line) {
  if (tooLong_) return false;
  std::size_t scanned = begin_;
  for (;;) {
    const char* const data = buffer_.get();
    const std::size_t at = FindLineFeed(data, scanned, end_);
    if (at < end_) {
      std::size_t stop = at;
      if (stop > begin_ && data[stop - 1] == '\r') --stop;
      if (stop - begin_ > maxLine_) return StopAtLongLine();
      line = std::string_view(data + begin_, stop - begin_);
      begin_ = at + 1;
      ++linesRead_;
      return true;
    }
    // Past the limit even if the last byte is a CR before the LF: too long, however it goes on.
    if (end_ - begin_ > maxLine_ + 1) return StopAtLongLine();
    const std::size_t scannedFromBegin = end_ - begin_;
    if (!Refill()) break;
    scanned = begin_ + scannedFromBegin;
  }
  if (begin_ == end_) return false;
  // The last line of a file without a final line end.
  std::size_t stop = end_;
  if (buffer_[stop - 1] == '\r') --stop;
  if (stop - begin_ > maxLine_) return StopAtLongLine();
  line = std::string_view(buffer_.get() + begin_, stop - begin_);
  begin_ = end_;
  ++linesRead_;
  return true;
}

}  // namespace kit
