#include "LibrarySolver.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "FileError.h"
#include "PuzzleSlots.h"
#include "SolverCommand.h"

namespace runner {
namespace {

bool IsIdentifier(std::string_view word) {
  if (word.empty() || (word[0] >= '0' && word[0] <= '9')) return false;
  for (const char c : word) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    if (!letter && !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

bool IsDecimal(std::string_view word) {
  return !word.empty() && word.find_first_not_of("0123456789") == std::string_view::npos;
}

[[noreturn]] void Refused(const std::string& what, int error) {
  throw kit::FileError("Die Rätsel für die Bibliothek lassen sich nicht bereitstellen (" + what +
                       "): " + kit::SystemErrorText(error) + ".");
}

}  // namespace

std::variant<LibraryNaming, std::string> ParseLibrary(const std::string& argument) {
  const auto [name, text] = NameAndCommand(argument);
  const std::string usage = "--library " + argument +
                            ": erwartet wird DATEI:FUNKTION oder DATEI:FUNKTION:KONFIGURATION, "
                            "wahlweise mit NAME= davor";
  LibraryNaming naming;
  std::string_view rest = text;
  std::size_t colon = rest.rfind(':');
  if (colon == std::string_view::npos) return usage + ".";
  std::string_view last = rest.substr(colon + 1);
  if (IsDecimal(last)) {
    const auto [end, error] =
        std::from_chars(last.data(), last.data() + last.size(), naming.Configuration);
    if (error != std::errc() || end != last.data() + last.size()) {
      return "--library " + argument + ": die Konfiguration " + std::string(last) +
             " ist größer als 4294967295.";
    }
    rest = rest.substr(0, colon);
    colon = rest.rfind(':');
    if (colon == std::string_view::npos) return usage + ".";
    last = rest.substr(colon + 1);
  }
  if (last.empty()) return usage + "; nach dem letzten Doppelpunkt steht nichts.";
  if (!IsIdentifier(last)) {
    return usage + "; „" + std::string(last) + "“ ist kein Funktionsname (Buchstaben, Ziffern, _).";
  }
  naming.Function = last;
  naming.File = rest.substr(0, colon);
  if (naming.File.empty()) return usage + "; die Datei fehlt.";
  naming.Name = name.empty() ? naming.Function : name;
  return naming;
}

SealedPuzzles::SealedPuzzles(std::string_view lines, std::int64_t count) : count_(count) {
  constexpr std::size_t stride = host::PuzzleChars + 1;
  if (count < 0 || lines.size() != static_cast<std::size_t>(count) * stride) {
    throw kit::FileError("Die Rätsel für die Bibliothek passen nicht zu ihrer Anzahl.");
  }
  fd_ = ::memfd_create("Messlauf-Raetsel", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd_ < 0) Refused("memfd_create", errno);
  try {
    const std::size_t bytes = host::PuzzleRegionBytes(count);
    if (::ftruncate(fd_, static_cast<off_t>(bytes)) != 0) Refused("ftruncate", errno);
    if (bytes > 0) {
      void* map = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
      if (map == MAP_FAILED) Refused("mmap", errno);
      auto* slots = static_cast<char*>(map);  // zero already: the NUL and the padding
      for (std::int64_t i = 0; i < count; ++i) {
        std::memcpy(slots + static_cast<std::size_t>(i) * host::SlotBytes,
                    lines.data() + static_cast<std::size_t>(i) * stride, host::PuzzleChars);
      }
      ::munmap(map, bytes);  // a writable mapping left would keep F_SEAL_WRITE from being set
    }
    const int seals = F_SEAL_WRITE | F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_SEAL;
    if (::fcntl(fd_, F_ADD_SEALS, seals) != 0) Refused("F_ADD_SEALS", errno);
  } catch (...) {
    ::close(fd_);
    throw;
  }
}

SealedPuzzles::~SealedPuzzles() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace runner
