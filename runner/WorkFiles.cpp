#include "WorkFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "FileNames.h"
#include "SolutionFile.h"
#include "StartFile.h"
#include "TextFiles.h"

namespace runner {
namespace {

// The entries of `folder` whose names equal `name` ignoring case but are not spelt as `name`.
std::vector<std::filesystem::path> OtherSpellings(const std::filesystem::path& folder,
                                                  std::string_view name) {
  std::vector<std::filesystem::path> found;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string entry = it->path().filename().string();
    if (entry != name && kit::EqualIgnoringAsciiCase(entry, name)) found.push_back(it->path());
  }
  return found;
}

}  // namespace

bool HoldsExactly(const std::filesystem::path& path, std::string_view expected) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0) return false;
  struct stat info {};
  bool same = ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) &&
              static_cast<std::uintmax_t>(info.st_size) == expected.size();
  constexpr std::size_t Piece = 1 << 20;
  const auto buffer = std::make_unique_for_overwrite<char[]>(Piece);
  std::size_t at = 0;
  while (same && at < expected.size()) {
    const ssize_t got = ::read(descriptor, buffer.get(), std::min(Piece, expected.size() - at));
    if (got < 0 && errno == EINTR) continue;
    same = got > 0 &&
           std::memcmp(buffer.get(), expected.data() + at, static_cast<std::size_t>(got)) == 0;
    at += got > 0 ? static_cast<std::size_t>(got) : 0;
  }
  ::close(descriptor);
  return same;
}

std::vector<std::string> RestoreWorkFiles(const std::filesystem::path& folder,
                                          const kit::PuzzleText& puzzles,
                                          const std::string* startStamp) {
  std::vector<std::string> changes;
  const std::filesystem::path in = folder / kit::PuzzleFileName;
  if (!HoldsExactly(in, puzzles.Text)) {
    std::error_code error;
    const bool gone = !std::filesystem::exists(std::filesystem::symlink_status(in, error));
    changes.push_back(std::string(kit::PuzzleFileName) + (gone ? " gelöscht" : " verändert"));
    std::filesystem::remove_all(in, error);  // a folder or link in its place goes as well
    kit::ReplacingFile file(in, kit::PuzzleFileName);
    file.Write(puzzles.Text);
    file.Commit();
  }
  for (const auto& other : OtherSpellings(folder, kit::PuzzleFileName)) {
    changes.push_back(other.filename().string() + " angelegt");
    std::error_code error;
    std::filesystem::remove_all(other, error);
  }
  const std::string startName(timing::StartFileName);
  if (startStamp && !HoldsExactly(folder / startName, *startStamp)) {
    changes.push_back(startName + " verändert");
  }
  return changes;
}

void RemoveAnswers(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::remove_all(folder / kit::SolutionFileName, error);
  for (const auto& other : OtherSpellings(folder, kit::SolutionFileName)) {
    std::filesystem::remove_all(other, error);
  }
  std::filesystem::remove_all(folder / (std::string(kit::SolutionFileName) + ".tmp"), error);
}

void TidyAnswers(const std::filesystem::path& folder) {
  const auto answers = kit::FindFileIgnoringCase(folder, kit::SolutionFileName);
  std::error_code error;
  if (answers && answers->filename() != kit::SolutionFileName) {
    std::filesystem::rename(*answers, folder / kit::SolutionFileName, error);
  }
  for (const auto& other : OtherSpellings(folder, kit::SolutionFileName)) {
    std::filesystem::remove_all(other, error);
  }
}

std::string LogTail(const std::filesystem::path& file, std::size_t maxBytes) {
  const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return {};
  struct stat info {};
  std::string all;
  if (::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode)) {
    const auto size = static_cast<std::size_t>(info.st_size);
    const std::size_t from = size > maxBytes ? size - maxBytes : 0;
    all.resize(size - from);
    const ssize_t got = ::pread(descriptor, all.data(), all.size(), static_cast<off_t>(from));
    all.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    if (from > 0) all = "…" + all;
  }
  ::close(descriptor);
  while (!all.empty() && (all.back() == '\n' || all.back() == '\r')) all.pop_back();
  return all;
}

}  // namespace runner
