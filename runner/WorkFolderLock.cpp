#include "WorkFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "FileError.h"
#include "FileNames.h"
#include "TextFiles.h"

namespace runner {
namespace {

// The process number in the holder's file, or an empty text when it cannot be read (the holder
// may be just about to write it).
std::string Holder(const std::filesystem::path& file) {
  const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return {};
  char text[32];
  const ssize_t got = ::read(descriptor, text, sizeof text);
  ::close(descriptor);
  std::string number;
  for (ssize_t i = 0; i < got && text[i] >= '0' && text[i] <= '9'; ++i) number += text[i];
  return number;
}

}  // namespace

WorkFolderLock::WorkFolderLock(const std::filesystem::path& folder)
    : holderFile_(folder / LockHolderFileName) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    throw kit::FileError("Der Ordner " + folder.string() +
                         " lässt sich nicht anlegen: " + kit::SystemErrorText(error.value()) + ".");
  }
  descriptor_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor_ < 0) {
    throw kit::FileError("Der Ordner " + folder.string() +
                         " lässt sich nicht öffnen: " + kit::SystemErrorText(errno) + ".");
  }
  if (::flock(descriptor_, LOCK_EX | LOCK_NB) != 0) {
    const int cause = errno;
    ::close(descriptor_);
    descriptor_ = -1;
    if (cause != EWOULDBLOCK) {
      throw kit::FileError("Der Ordner " + folder.string() +
                           " lässt sich nicht sperren: " + kit::SystemErrorText(cause) + ".");
    }
    const std::string holder = Holder(holderFile_);
    throw kit::FileError("Im Ordner " + folder.string() + " läuft schon ein Messlauf" +
                         (holder.empty() ? "" : " (Prozess " + holder + ")") +
                         "; zwei Läufe in einem Ordner verderben einander die Dateien. "
                         "Bitte warten oder einen anderen Ordner mit --dir wählen.");
  }
  try {
    kit::ReplacingFile file(holderFile_, LockHolderFileName);
    // A plain LF, so that `kill $(cat Messlauf.pid)` takes it as it is.
    file.Write(std::to_string(::getpid()) + "\n");
    file.Commit();
  } catch (const kit::FileError&) {
    // Only the message of a second run would miss the number; the lock holds all the same.
  }
}

WorkFolderLock::~WorkFolderLock() {
  if (descriptor_ < 0) return;
  ::unlink(holderFile_.c_str());
  ::close(descriptor_);
}

}  // namespace runner
