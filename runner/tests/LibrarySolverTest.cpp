// A solver library's naming on the command line, and the sealed puzzles its host is handed.
#include "LibrarySolver.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>

#include "FileError.h"
#include "PuzzleSlots.h"

namespace runner {
namespace {

LibraryNaming Parsed(const std::string& argument) {
  auto parsed = ParseLibrary(argument);
  if (auto* why = std::get_if<std::string>(&parsed)) ADD_FAILURE() << argument << ": " << *why;
  return std::get_if<LibraryNaming>(&parsed) ? std::get<LibraryNaming>(parsed) : LibraryNaming{};
}

std::string Refusal(const std::string& argument) {
  auto parsed = ParseLibrary(argument);
  return std::get_if<std::string>(&parsed) ? std::get<std::string>(parsed) : "";
}

TEST(LibraryNaming, IsTakenApartFromTheRight) {
  LibraryNaming n = Parsed("build/libloeser.so:solve");
  EXPECT_EQ(n.Name, "solve");
  EXPECT_EQ(n.File, "build/libloeser.so");
  EXPECT_EQ(n.Function, "solve");
  EXPECT_EQ(n.Configuration, 0u);
  n = Parsed("Schnell=ordner:mit:doppelpunkten/lib.so:_solve2:4294967295");
  EXPECT_EQ(n.Name, "Schnell");
  EXPECT_EQ(n.File, "ordner:mit:doppelpunkten/lib.so");
  EXPECT_EQ(n.Function, "_solve2");
  EXPECT_EQ(n.Configuration, 4294967295u);
  // A '/' before the '=' makes it part of the file, as for a command.
  n = Parsed("a/b=c.so:f:7");
  EXPECT_EQ(n.Name, "f");
  EXPECT_EQ(n.File, "a/b=c.so");
  EXPECT_EQ(n.Configuration, 7u);
}

TEST(LibraryNaming, RefusesWhatIsNoFileAndFunction) {
  for (const std::string bad : {"lib.so", "lib.so:12", "lib.so:solve:", "lib.so:2solve",
                                "lib.so:so-lve", ":solve", "N=:solve:1", "lib.so:solve:-1"}) {
    EXPECT_NE(Refusal(bad).find("--library " + bad + ": erwartet wird DATEI:FUNKTION"),
              std::string::npos)
        << bad << ": " << Refusal(bad);
  }
  EXPECT_EQ(Refusal("lib.so:solve:4294967296"),
            "--library lib.so:solve:4294967296: die Konfiguration 4294967296 ist größer als "
            "4294967295.");
}

std::string Lines(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) {
    std::string puzzle(host::PuzzleChars, '.');
    puzzle[static_cast<std::size_t>(i % 81)] = static_cast<char>('1' + i % 9);
    lines += puzzle + "\n";
  }
  return lines;
}

TEST(SealedPuzzles, HoldsEachPuzzleInItsSlotAndCannotBeChanged) {
  const std::string lines = Lines(100);
  SealedPuzzles sealed(lines, 100);
  const int fd = sealed.Descriptor();
  EXPECT_EQ(::fcntl(fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
  EXPECT_EQ(::fcntl(fd, F_GET_SEALS), F_SEAL_WRITE | F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_SEAL);
  const std::size_t bytes = host::PuzzleRegionBytes(100);
  EXPECT_EQ(::lseek(fd, 0, SEEK_END), static_cast<off_t>(bytes));
  void* map = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0);
  ASSERT_NE(map, MAP_FAILED);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(map) % host::SlotAlignment, 0u);
  for (int i = 0; i < 100; ++i) {
    const char* slot = host::PuzzleSlot(map, i);
    EXPECT_EQ(std::string_view(slot, host::PuzzleChars),
              std::string_view(lines).substr(static_cast<std::size_t>(i) * 82, 81));
    for (std::size_t b = host::PuzzleChars; b < host::SlotBytes; ++b) ASSERT_EQ(slot[b], '\0');
  }
  // No way to write: not a writable mapping, nor a read-only one made writable, nor write(),
  // nor a change of size, nor a seal taken back.
  EXPECT_EQ(::mprotect(map, bytes, PROT_READ | PROT_WRITE), -1);
  EXPECT_EQ(::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0), MAP_FAILED);
  EXPECT_EQ(errno, EPERM);
  EXPECT_EQ(::pwrite(fd, "x", 1, 0), -1);
  EXPECT_EQ(::ftruncate(fd, 0), -1);
  EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(bytes * 2)), -1);
  EXPECT_EQ(::fcntl(fd, F_ADD_SEALS, F_SEAL_FUTURE_WRITE), -1);
  // A private copy may be written, but never reaches the file.
  void* own = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
  ASSERT_NE(own, MAP_FAILED);
  static_cast<char*>(own)[0] = 'X';
  EXPECT_EQ(host::PuzzleSlot(map, 0)[0], lines[0]);
  ::munmap(own, bytes);
  ::munmap(map, bytes);
}

TEST(SealedPuzzles, TakesAnEmptySetAndRefusesLinesThatDoNotFitTheCount) {
  SealedPuzzles empty("", 0);
  EXPECT_EQ(::lseek(empty.Descriptor(), 0, SEEK_END), 0);
  EXPECT_THROW(SealedPuzzles(Lines(3), 4), kit::FileError);
  EXPECT_THROW(SealedPuzzles(Lines(3).substr(1), 3), kit::FileError);
}

}  // namespace
}  // namespace runner
