// Writing the exported files: never half-written, and refused before a run where they cannot be.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "ExportFiles.h"
#include "FileError.h"
#include "TempFolder.h"

namespace report {
namespace {

using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;

// Files of this process may grow to `bytes` only, for as long as it lives; a write beyond
// fails with EFBIG instead of ending the process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &before_);
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, before_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &before_);
    std::signal(SIGXFSZ, handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit before_{};
  void (*handler_)(int) = nullptr;
};

TEST(WriteTextFile, AFailedWriteLeavesTheEarlierFileAsItWas) {
  TempFolder folder;
  const std::filesystem::path path = folder / "bericht.json";
  WriteTextFile(path, "alt\r\n", "bericht.json");
  {
    const FileSizeLimit limit(4096);
    try {
      WriteTextFile(path, std::string(100000, 'x'), "bericht.json");
      FAIL() << "the write beyond the limit succeeded";
    } catch (const kit::FileError& e) {
      EXPECT_NE(std::string(e.what()).find("bericht.json"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(GetFile(path), "alt\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
  WriteTextFile(path, "neu\r\n", "bericht.json");
  EXPECT_EQ(GetFile(path), "neu\r\n");
}

TEST(CannotWrite, NamesTheFolderThatIsMissingOrNoFolder) {
  EXPECT_EQ(CannotWrite("/nonexistent-dir/x.json"),
            "Der Ordner /nonexistent-dir für /nonexistent-dir/x.json existiert nicht.");
  TempFolder folder;
  const std::string f = folder.Path().string();
  PutFile(folder / "datei", "");
  EXPECT_EQ(CannotWrite(folder / "datei" / "x.csv"),
            f + "/datei ist kein Ordner; " + f + "/datei/x.csv lässt sich darin nicht anlegen.");
  EXPECT_EQ(CannotWrite(folder.Path()), f + " nennt einen Ordner, keine Datei.");
  EXPECT_EQ(CannotWrite(folder / "neu/"), f + "/neu nennt einen Ordner, keine Datei.");
  EXPECT_EQ(CannotWrite(folder / "x.md"), std::nullopt);
  EXPECT_EQ(CannotWrite(folder / "datei"), std::nullopt);  // an earlier file is replaced
}

TEST(CannotWrite, NamesAFolderThatMayNotBeWritten) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write into any folder";
  TempFolder folder;
  const std::filesystem::path locked = folder / "gesperrt";
  std::filesystem::create_directory(locked);
  std::filesystem::permissions(
      locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  EXPECT_EQ(CannotWrite(locked / "bild.png"), "Der Ordner " + locked.string() + " für " +
                                                  locked.string() +
                                                  "/bild.png ist nicht "
                                                  "beschreibbar.");
  std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
}

}  // namespace
}  // namespace report
