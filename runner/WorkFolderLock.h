// One Messlauf per work folder: two runs in one folder would overwrite each other's IN.TXT and
// OUT.TXT and blame their solvers for it. The folder itself is locked, before anything in it is
// touched, for as long as the lock lives; the system drops the lock with the process, so a killed
// run never leaves the folder locked.
#pragma once

#include <filesystem>

namespace runner {

// Holds the lock's process number here, for the message another run shows.
inline constexpr const char* LockHolderFileName = "Messlauf.pid";

class WorkFolderLock {
 public:
  // Creates `folder` if need be and locks it. Throws kit::FileError with a German message when
  // the folder cannot be made or opened, or another process holds its lock (naming the folder and
  // that process).
  explicit WorkFolderLock(const std::filesystem::path& folder);
  ~WorkFolderLock();
  WorkFolderLock(const WorkFolderLock&) = delete;
  WorkFolderLock& operator=(const WorkFolderLock&) = delete;

 private:
  std::filesystem::path holderFile_;
  int descriptor_ = -1;  // of the folder, close-on-exec: no solver inherits the lock
};

}  // namespace runner
