#include <gtest/gtest.h>

#include "FileError.h"
#include "FileNames.h"
#include "TempFolder.h"
#include "TextFiles.h"

namespace kit {
namespace {

using testing::GetFile;
using testing::PutFile;
using testing::TempFolder;

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
  expected.push_back(std::string(3 << 20, 'y'));  // longer than the buffer
  bytes += expected.back() + "\r\n";
  expected.push_back("");
  bytes += "\r\n";
  bytes += "last\r";  // the final line end cut after its CR
  PutFile(folder / "f", bytes);
  LineReader in(folder / "f", "f");
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

TEST(FindFileIgnoringCase, ExactSpellingFirstThenAnyCaseButNoFolders) {
  TempFolder folder;
  EXPECT_FALSE(FindFileIgnoringCase(folder.Path(), "IN.txt"));
  std::filesystem::create_directory(folder / "in.TXT");
  EXPECT_FALSE(FindFileIgnoringCase(folder.Path(), "IN.txt"));
  PutFile(folder / "iN.tXt", "a");
  PutFile(folder / "IN.TXT", "b");
  EXPECT_EQ(FindFileIgnoringCase(folder.Path(), "IN.txt")->filename(), "IN.TXT");
  PutFile(folder / "IN.txt", "c");
  EXPECT_EQ(FindFileIgnoringCase(folder.Path(), "IN.txt")->filename(), "IN.txt");
  EXPECT_FALSE(FindFileIgnoringCase(folder.Path(), "IN.TX"));
}

}  // namespace
}  // namespace kit
