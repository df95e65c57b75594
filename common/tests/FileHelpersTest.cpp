#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "FileError.h"
#include "FileNames.h"
#include "TempFolder.h"
#include "TextFiles.h"

namespace kit {
namespace {

using testing::GetFile;
using testing::PutFile;
using testing::TempFolder;

// The bytes this process has read from files so far, as the system counts them.
long long BytesReadSoFar() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  ADD_FAILURE() << "no rchar in /proc/self/io";
  return 0;
}

TEST(ReplacingFile, ReplacesTheTargetOnlyOnCommit) {
  TempFolder folder;
  PutFile(folder / "OUT.TXT", "old");
  {
    ReplacingFile file(folder / "OUT.TXT", "OUT.TXT");
    file.WriteLine("new");
    EXPECT_EQ(GetFile(folder / "OUT.TXT"), "old");
  }  // abandoned without Commit
  EXPECT_EQ(GetFile(folder / "OUT.TXT"), "old");
  EXPECT_FALSE(std::filesystem::exists(folder / "OUT.TXT.tmp"));

  ReplacingFile file(folder / "OUT.TXT", "OUT.TXT");
  const std::string big(3 << 20, 'x');  // more than the buffer, in pieces and in one piece
  file.Write(big.substr(0, 1000));
  file.Write(big);
  file.WriteLine("!");
  file.Commit();
  EXPECT_EQ(GetFile(folder / "OUT.TXT"), big.substr(0, 1000) + big + "!\r\n");
  EXPECT_FALSE(std::filesystem::exists(folder / "OUT.TXT.tmp"));
}

TEST(ReplacingFile, FolderThatCannotTakeTheFileGivesAGermanMessage) {
  TempFolder folder;
  try {
    ReplacingFile file(folder / "missing" / "OUT.TXT", "OUT.TXT");
    FAIL() << "no error";
  } catch (const FileError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("Die Datei OUT.TXT kann nicht angelegt werden"), std::string::npos);
    EXPECT_NE(message.find("nicht vorhanden"), std::string::npos) << message;
  }
}

TEST(LineReader, SplitsAtLfDropsCrAndKeepsAnUnfinishedLastLine) {
  TempFolder folder;
  std::string bytes;
  std::vector<std::string> expected;
  for (int i = 0; i < 200000; ++i) {  // several buffers' worth
    expected.push_back(std::to_string(i * 37));
    bytes += expected.back() + (i % 3 == 0 ? "\n" : "\r\n");
  }
  expected.push_back(std::string(3 << 20, 'y'));  // longer than one read
  bytes += expected.back() + "\r\n";
  expected.push_back("");
  bytes += "\r\n";
  bytes += "last\r";  // the final line end cut after its CR
  PutFile(folder / "f", bytes);
  LineReader in(folder / "f", "f", 3 << 20);
  std::string_view line;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_TRUE(in.ReadLine(line)) << i;
    ASSERT_EQ(line, expected[i]) << i;
  }
  ASSERT_TRUE(in.ReadLine(line));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(in.ReadLine(line));
  EXPECT_EQ(in.LinesRead(), static_cast<long long>(expected.size()) + 1);
}

TEST(LineReader, StopsAtTheFirstLineOverTheLimitAndReadsNoFurther) {
  TempFolder folder;
  const std::string ten(10, 'z');
  // The limit counts the line without its line end; the last line may lack one.
  for (const std::string& fits : {ten + "\n", ten + "\r\n", ten, ten + "\r"}) {
    PutFile(folder / "f", "a\n" + fits);
    LineReader in(folder / "f", "f", 10);
    std::string_view line;
    ASSERT_TRUE(in.ReadLine(line) && in.ReadLine(line)) << fits.size();
    EXPECT_EQ(line, ten);
    EXPECT_FALSE(in.ReadLine(line));
    EXPECT_FALSE(in.LineTooLong());
  }
  for (const std::string& over : {ten + "z\r\n", ten + "\r\r\n", ten + "z"}) {
    PutFile(folder / "f", "a\n" + over + "b\n");
    LineReader in(folder / "f", "f", 10);
    std::string_view line;
    ASSERT_TRUE(in.ReadLine(line));
    EXPECT_FALSE(in.ReadLine(line)) << over.size();
    EXPECT_TRUE(in.LineTooLong());
    EXPECT_EQ(in.LinesRead(), 1);  // the line too long is the second
    EXPECT_FALSE(in.ReadLine(line));
  }

  // A file whose first line never ends (sparse: no disk is used) is read no further than one
  // buffer, however large it is.
  PutFile(folder / "big", "");
  std::filesystem::resize_file(folder / "big", 64 << 20);
  const long long before = BytesReadSoFar();
  LineReader in(folder / "big", "big", 1024);
  std::string_view line;
  EXPECT_FALSE(in.ReadLine(line));
  EXPECT_TRUE(in.LineTooLong());
  EXPECT_EQ(in.LinesRead(), 0);
  EXPECT_LT(BytesReadSoFar() - before, 2 << 20);
}

TEST(LineReader, RefusesWhatIsNoRegularFileWithoutWaiting) {
  TempFolder folder;
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);  // no writer: an open would wait
  std::filesystem::create_directory(folder / "dir");
  std::filesystem::create_symlink("/dev/zero", folder / "zero");
  PutFile(folder / "file", "a\n");
  std::filesystem::create_symlink(folder / "file", folder / "link");
  const std::pair<const char*, const char*> cases[] = {
      {"fifo", "fifo ist keine gewöhnliche Datei, sondern ein FIFO."},
      {"dir", "dir ist keine gewöhnliche Datei, sondern ein Ordner."},
      {"zero", "zero ist keine gewöhnliche Datei, sondern ein Gerät."},
  };
  for (const auto& [name, message] : cases) {
    try {
      LineReader in(folder / name, name, 1024);
      ADD_FAILURE() << name << " was opened";
    } catch (const NotRegularFileError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
  LineReader link(folder / "link", "link", 1024);  // a link to a regular file is read
  std::string_view line;
  EXPECT_TRUE(link.ReadLine(line));
  EXPECT_EQ(line, "a");
  try {
    LineReader missing(folder / "none", "none", 1024);
    ADD_FAILURE() << "a missing file was opened";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Die Datei none kann nicht gelesen werden: Datei oder Ordner nicht vorhanden.");
  }
}

TEST(FindFileIgnoringCase, ExactSpellingFirstThenAnyCaseButNoFoldersUnlessAsked) {
  TempFolder folder;
  EXPECT_FALSE(FindFileIgnoringCase(folder.Path(), "IN.txt"));
  std::filesystem::create_directory(folder / "in.TXT");
  EXPECT_FALSE(FindFileIgnoringCase(folder.Path(), "IN.txt"));
  EXPECT_EQ(FindEntryIgnoringCase(folder.Path(), "IN.txt")->filename(), "in.TXT");
  PutFile(folder / "iN.tXt", "a");
  PutFile(folder / "IN.TXT", "b");
  EXPECT_EQ(FindFileIgnoringCase(folder.Path(), "IN.txt")->filename(), "IN.TXT");
  PutFile(folder / "IN.txt", "c");
  EXPECT_EQ(FindFileIgnoringCase(folder.Path(), "IN.txt")->filename(), "IN.txt");
  EXPECT_FALSE(FindFileIgnoringCase(folder.Path(), "IN.TX"));
}

}  // namespace
}  // namespace kit
