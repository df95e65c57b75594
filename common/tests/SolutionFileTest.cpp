#include "SolutionFile.h"

#include <gtest/gtest.h>

#include "TempFolder.h"

namespace kit {
namespace {

using testing::PutFile;
using testing::TempFolder;

SignedBoard Grid(int sign) {
  // A valid grid: row r is the sequence 1..9 shifted by 3r + r/3.
  SignedBoard g{};
  for (int r = 0; r < 9; ++r)
    for (int c = 0; c < 9; ++c)
      g[static_cast<std::size_t>(9 * r + c)] = sign * ((3 * r + r / 3 + c) % 9 + 1);
  return g;
}

// Reads blocks back from the bytes written to a file.
struct ReadBack {
  explicit ReadBack(const std::string& bytes) {
    PutFile(folder / "OUT.TXT", bytes);
    reader = std::make_unique<LineReader>(folder / "OUT.TXT", "OUT.TXT", MaxAnswerLine);
  }
  SolutionBlock Next() { return ReadSolutionBlock(*reader); }
  TempFolder folder;
  std::unique_ptr<LineReader> reader;
};

TEST(WriteSolutionBlock, LineAndBlockLengthsTellTheOutcome) {
  StringSink several;
  SignedBoard negated = Grid(-1);
  const int row[9] = {-6, -1, -4, -9, -3, -2, -8, -5, -7};
  for (int c = 0; c < 9; ++c) negated[static_cast<std::size_t>(c)] = row[c];
  WriteSolutionBlock(several, negated);
  EXPECT_EQ(several.Text.substr(0, 28), "-6,-1,-4,-9,-3,-2,-8,-5,-7\r\n");
  EXPECT_EQ(several.Text.size(), 254u);

  StringSink unique;
  WriteSolutionBlock(unique, Grid(1));
  EXPECT_EQ(unique.Text.size(), 173u);
  EXPECT_EQ(unique.Text.substr(0, 19), "1,2,3,4,5,6,7,8,9\r\n");

  StringSink none;
  WriteSolutionBlock(none, SignedBoard{});
  std::string zeros;
  for (int r = 0; r < 9; ++r) zeros += "0,0,0,0,0,0,0,0,0\r\n";
  EXPECT_EQ(none.Text, zeros + "\r\n");

  // Values beyond single digits, as no solver should write them, in shortest decimal form.
  SignedBoard wide{};
  const std::int32_t values[9] = {10, -10, 2147483647, -2147483647 - 1, 0, 9, -9, 100, -1};
  for (int c = 0; c < 9; ++c) wide[static_cast<std::size_t>(c)] = values[c];
  StringSink any;
  WriteSolutionBlock(any, wide);
  EXPECT_EQ(any.Text.substr(0, 51), "10,-10,2147483647,-2147483648,0,9,-9,100,-1\r\n0,0,0,");
}

TEST(ReadSolutionBlock, KindComesFromTheSignsAndCellsFromTheMagnitudes) {
  StringSink file;
  WriteSolutionBlock(file, Grid(1));
  WriteSolutionBlock(file, Grid(-1));
  WriteSolutionBlock(file, SignedBoard{});
  ReadBack in(file.Text);

  SolutionBlock one = in.Next();
  EXPECT_EQ(one.Status, BlockStatus::Read);
  EXPECT_EQ(one.Kind, 1);
  SolutionBlock several = in.Next();
  EXPECT_EQ(several.Kind, 2);
  EXPECT_EQ(several.Cells, one.Cells);
  EXPECT_EQ(one.Cells[9], 4);
  SolutionBlock none = in.Next();
  EXPECT_EQ(none.Status, BlockStatus::Read);
  EXPECT_EQ(none.Kind, 0);
  EXPECT_EQ(none.Cells, Board{});
  EXPECT_EQ(in.Next().Status, BlockStatus::Missing);
  EXPECT_EQ(in.reader->LinesRead(), 30);
}

TEST(ReadSolutionBlock, OnlyTheFirstValueOfEachLineCountsAndTheLastNonPositiveWins) {
  SignedBoard mixed = Grid(1);
  mixed[0] = -mixed[0];  // first line starts negative, all later lines positive
  mixed[5] = -mixed[5];  // a sign inside a line does not matter
  StringSink file;
  WriteSolutionBlock(file, mixed);
  mixed[9 * 6] = 0;  // and now the seventh line starts with zero
  WriteSolutionBlock(file, mixed);
  mixed[9 * 8] = -2;  // the ninth line decides last
  WriteSolutionBlock(file, mixed);
  ReadBack in(file.Text);
  EXPECT_EQ(in.Next().Kind, 2);
  EXPECT_EQ(in.Next().Kind, 0);
  EXPECT_EQ(in.Next().Kind, 2);
}

TEST(ReadSolutionBlock, UnreadableBlocksSayWhyAndWhere) {
  const std::string good = "1,2,3,4,5,6,7,8,9\r\n";
  std::string lines;
  for (int r = 0; r < 9; ++r) lines += good;
  struct Case {
    const char* name;
    std::string bytes;
    BlockStatus status;
    long long line;
  };
  std::string eightValues = lines;
  eightValues.replace(19 * 3, 19, "1,2,3,4,5,6,7,8\r\n");
  std::string letter = lines;
  letter[19 * 4 + 4] = 'x';
  std::string emptyValue = lines;
  emptyValue.replace(19 * 2, 19, "1,,3,4,5,6,7,8,9\r\n");
  const std::vector<Case> cases = {
      {"eight values", eightValues + "\r\n", BlockStatus::Malformed, 4},
      {"a letter", letter + "\r\n", BlockStatus::Malformed, 5},
      {"an empty value", emptyValue + "\r\n", BlockStatus::Malformed, 3},
      {"ends early", lines.substr(0, 19 * 6), BlockStatus::Missing, 7},
      {"ten", "10" + lines.substr(1) + "\r\n", BlockStatus::OutOfRange, 1},
      {"minus ten", lines.substr(0, 19 * 8) + "1,2,3,4,5,6,7,8,-10\r\n\r\n",
       BlockStatus::OutOfRange, 9},
      {"257", lines.substr(0, 19) + "257" + lines.substr(20) + "\r\n", BlockStatus::OutOfRange, 2},
      {"huge", "99999999999" + lines.substr(1) + "\r\n", BlockStatus::OutOfRange, 1},
      // Values beyond the ninth are ignored, but not read without end.
      {"too long",
       lines.substr(0, 19 * 2) + "1,2,3,4,5,6,7,8,9" + std::string(1008, ',') +
           lines.substr(19 * 2) + "\r\n",
       BlockStatus::TooLong, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReadBack in(c.bytes);
    const SolutionBlock block = in.Next();
    EXPECT_EQ(block.Status, c.status);
    EXPECT_EQ(block.Line, c.line);
  }
}

TEST(ReadSolutionBlock, ToleratesWhatDoesNotChangeTheValues) {
  std::string lines;
  for (int r = 0; r < 9; ++r) lines += "1,2,3,4,5,6,7,8,9,7\n";  // LF alone, a tenth value
  ReadBack in(lines);  // and no empty line after the last block
  const SolutionBlock block = in.Next();
  EXPECT_EQ(block.Status, BlockStatus::Read);
  EXPECT_EQ(block.Kind, 1);
  EXPECT_EQ(block.Cells[80], 9);
}

TEST(ReadSolutionBlock, PlainLinesAndTheirNearMissesReadAsTheRulesSay) {
  const std::string good = "1,2,3,4,5,6,7,8,9\r\n";
  struct Case {
    const char* line;  // the fifth line of an otherwise plain block
    BlockStatus status;
    ResultKind kind;
    int cell;  // the line's first cell as read
  };
  const std::vector<Case> cases = {
      {"-1,-2,-3,-4,-5,-6,-7,-8,-9", BlockStatus::Read, 2, 1},
      {"-0,2,3,4,5,6,7,8,9", BlockStatus::Read, 0, 0},
      {"05,2,3,4,5,6,7,8,9", BlockStatus::Read, 1, 5},
      {"1,2,3,4,5,6,7,8,9,", BlockStatus::Read, 1, 1},
      {"1,2,3,4,5,6,7,8,12", BlockStatus::OutOfRange, 1, 1},
      {"1,2,3,4,5,6,7,8,9 ", BlockStatus::Malformed, 1, 0},
      {"1,2,3,4,5,6,7,8,-", BlockStatus::Malformed, 1, 0},
      {"--1,2,3,4,5,6,7,8,9", BlockStatus::Malformed, 1, 0},
      {"+1,2,3,4,5,6,7,8,9", BlockStatus::Malformed, 1, 0},
      {"1,2,3,4,5,6,7,8", BlockStatus::Malformed, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::string bytes;
    for (int r = 0; r < 9; ++r) bytes += r == 4 ? std::string(c.line) + "\r\n" : good;
    ReadBack in(bytes + "\r\n");
    const SolutionBlock block = in.Next();
    EXPECT_EQ(block.Status, c.status);
    if (c.status == BlockStatus::Malformed) {
      EXPECT_EQ(block.Line, 5);
      continue;
    }
    EXPECT_EQ(block.Kind, c.kind);
    EXPECT_EQ(block.Cells[36], c.cell);
    EXPECT_EQ(block.Cells[80], 9);
  }
}

}  // namespace
}  // namespace kit
