#include "CheckIt.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

#include "BuildSudokus.h"
#include "PuzzleMix.h"
#include "Sudoku.h"
#include "TempFolder.h"

namespace checker {
namespace {

using kit::Board;
using kit::PuzzleRecord;
using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;

constexpr std::array<std::int32_t, 9> Boxes = {0, 3, 6, 27, 30, 33, 54, 57, 60};

Board Parse(const char* digits) {
  Board b{};
  for (std::size_t i = 0; i < 81; ++i) b[i] = static_cast<std::uint8_t>(digits[i] - '0');
  return b;
}

PuzzleRecord Record(std::int16_t status, const Board& cells) {
  PuzzleRecord r;
  r.Status = status;
  r.Cells = cells;
  return r;
}

const Board Solution =
    Parse("693784512487512936125963874932651487568247391741398625319475268856129743274836159");
const Board Givens =
    Parse("000000010400000000020000000000050407008000300001090000300400200050100000000806000");

TEST(Judge, NoSolutionPassesOnlyAnEmptyAnswer) {
  Judge judge(Boxes);
  const PuzzleRecord own = Record(0, Givens);
  EXPECT_TRUE(judge.AnswerIsCorrect(Record(0, Givens), own, Record(0, Board{})).Correct);
  Board one{};
  one[40] = 5;
  EXPECT_FALSE(judge.AnswerIsCorrect(Record(0, Givens), own, Record(0, one)).Correct);
  EXPECT_FALSE(judge.AnswerIsCorrect(Record(0, Givens), own, Record(1, Board{})).Correct);
}

TEST(Judge, OneSolutionPassesOnlyThatSolutionDeclaredUnique) {
  Judge judge(Boxes);
  const PuzzleRecord own = Record(1, Solution);
  EXPECT_TRUE(judge.AnswerIsCorrect(Record(0, Givens), own, Record(1, Solution)).Correct);
  EXPECT_FALSE(
      judge.AnswerIsCorrect(Record(0, Givens), own, Record(2, Solution)).Correct);  // negated
  Board swapped = Solution;
  std::swap(swapped[0], swapped[1]);
  EXPECT_FALSE(judge.AnswerIsCorrect(Record(0, Givens), own, Record(1, swapped)).Correct);
  EXPECT_FALSE(
      judge.AnswerIsCorrect(Record(0, Givens), Record(3, Solution), Record(1, Solution)).Correct);
}

TEST(Judge, SeveralSolutionsPassAnyGridKeepingTheGivensWithoutRepeats) {
  Judge judge(Boxes);
  Board givens{};
  givens[0] = 6;
  givens[80] = 9;
  const PuzzleRecord puzzle = Record(0, givens), own = Record(2, Solution);
  EXPECT_TRUE(judge.AnswerIsCorrect(puzzle, own, Record(2, Solution)).Correct);
  Board holes = Solution;
  for (std::size_t i = 1; i < 80; i += 2) holes[i] = 0;  // empty cells pass
  EXPECT_TRUE(judge.AnswerIsCorrect(puzzle, own, Record(2, holes)).Correct);
  holes[0] = 0;  // a given may not go missing
  EXPECT_FALSE(judge.AnswerIsCorrect(puzzle, own, Record(2, holes)).Correct);
  Board repeat = Solution;
  repeat[1] = repeat[2];  // a digit twice in row 0
  EXPECT_FALSE(judge.AnswerIsCorrect(puzzle, own, Record(2, repeat)).Correct);
  EXPECT_FALSE(judge.AnswerIsCorrect(puzzle, own, Record(1, Solution)).Correct);
}

TEST(Judge, SaysWhyAnAnswerIsWrong) {
  Judge judge(Boxes);
  Board wrongCell = Solution;
  wrongCell[3 * 9 + 1] = 7;  // row 4, column 2, not a given: the solution has 3 there
  Board wrongGiven = Solution;
  wrongGiven[7] = 2;  // row 1, column 8, given as 1
  Board several{};    // the givens of a puzzle with several solutions: 6 and 9
  several[0] = 6;
  several[80] = 9;
  Board changed = Solution;
  changed[80] = 3;
  Board rowRepeat{}, columnRepeat{}, boxRepeat{};
  rowRepeat[9 * 2 + 1] = rowRepeat[9 * 2 + 7] = 4;        // row 3
  columnRepeat[9 * 1 + 5] = columnRepeat[9 * 8 + 5] = 7;  // column 6
  boxRepeat[9 * 6 + 7] = boxRepeat[9 * 8 + 6] = 2;        // rows 7–9, columns 7–9
  Board digits{};
  digits[9 * 5 + 2] = 8;
  const struct {
    PuzzleRecord puzzle, own, answer;
    const char* reason;
  } cases[] = {
      {Record(0, Givens), Record(0, Givens), Record(1, digits),
       "Das Rätsel hat keine Lösung, die Antwort enthält aber Ziffern, zuerst Zeile 6, Spalte 3: "
       "8."},
      {Record(0, Givens), Record(1, Solution), Record(2, Solution),
       "Das Rätsel hat genau eine Lösung, die Antwort gibt aber mehrere Lösungen (negative Zahlen) "
       "an."},
      {Record(0, Givens), Record(1, Solution), Record(0, Board{}),
       "Das Rätsel hat genau eine Lösung, die Antwort gibt aber keine Lösung (eine Zeile beginnt "
       "mit 0) an."},
      {Record(0, Givens), Record(1, Solution), Record(1, wrongCell),
       "Zeile 4, Spalte 2: erwartet 3, gefunden 7 (kein vorgegebenes Feld)."},
      {Record(0, Givens), Record(1, Solution), Record(1, wrongGiven),
       "Zeile 1, Spalte 8: erwartet 1, gefunden 2 (ein vorgegebenes Feld)."},
      {Record(0, several), Record(2, Solution), Record(1, Solution),
       "Das Rätsel hat mehrere Lösungen, die Antwort gibt aber genau eine Lösung (positive Zahlen) "
       "an."},
      {Record(0, several), Record(2, Solution), Record(0, Board{}),
       "Das Rätsel hat mehrere Lösungen, die Antwort gibt aber keine Lösung (eine Zeile beginnt "
       "mit "
       "0) an."},
      {Record(0, several), Record(2, Solution), Record(2, changed),
       "Zeile 9, Spalte 9 ist mit 9 vorgegeben, die Antwort hat dort 3."},
      {Record(0, Board{}), Record(2, Solution), Record(2, rowRepeat),
       "Die Ziffer 4 steht mehrmals in Zeile 3."},
      {Record(0, Board{}), Record(2, Solution), Record(2, columnRepeat),
       "Die Ziffer 7 steht mehrmals in Spalte 6."},
      {Record(0, Board{}), Record(2, Solution), Record(2, boxRepeat),
       "Die Ziffer 2 steht mehrmals in Block 9 (Zeilen 7–9, Spalten 7–9)."},
  };
  for (const auto& c : cases) {
    const Judgement j = judge.AnswerIsCorrect(c.puzzle, c.own, c.answer);
    EXPECT_FALSE(j.Correct) << c.reason;
    EXPECT_EQ(j.Reason, c.reason);
  }
  EXPECT_EQ(
      judge.AnswerIsCorrect(Record(0, Givens), Record(1, Solution), Record(1, Solution)).Reason,
      "");
}

TEST(Judge, HasRepeatedDigitLooksAtRowsColumnsAndBoxes) {
  Judge judge(Boxes);
  EXPECT_FALSE(judge.HasRepeatedDigit(Record(0, Solution)));
  for (const auto& [a, b] : {std::pair{3, 7}, std::pair{13, 76}, std::pair{60, 80}}) {
    Board twice{};
    twice[static_cast<std::size_t>(a)] = twice[static_cast<std::size_t>(b)] = 4;
    EXPECT_TRUE(judge.HasRepeatedDigit(Record(0, twice))) << a << " " << b;
  }
  EXPECT_FALSE(judge.HasRepeatedDigit(Record(0, Board{})));  // zeros never repeat
}

// A folder with IN.TXT from the generator and OUT.TXT from Quadrin's batch run.
struct GeneratedRun {
  explicit GeneratedRun(std::int32_t count, std::int32_t seed = 7) {
    kit::StringSink in;
    generator::BuildSudokus(seed, count, in, [](std::int32_t) { return true; });
    PutFile(folder / "IN.TXT", in.Text);
    std::ostringstream errors;
    if (quadrin::RunBatch(folder.Path(), errors, false) != 0) ADD_FAILURE() << errors.str();
    out = GetFile(folder / "OUT.TXT");
  }
  // The byte offset of block `number` (1-based) in OUT.TXT.
  std::size_t BlockStart(int number) const {
    std::size_t at = 0;
    for (int n = 1; n < number; ++n) at = out.find("\r\n\r\n", at) + 4;
    return at;
  }
  CheckResult Check(const std::string& answers) {
    PutFile(folder / "OUT.TXT", answers);
    return CheckIt(folder.Path(), [this](std::int32_t number) {
      ticks.push_back(number);
      return true;
    });
  }
  TempFolder folder;
  std::string out;
  std::vector<std::int32_t> ticks;
};

TEST(CheckIt, QuadrinsAnswersToAGeneratedSetAreCorrect) {
  GeneratedRun run(2500);
  const CheckResult result = run.Check(run.out);
  EXPECT_EQ(result.Kind, Verdict::AllCorrect);
  EXPECT_EQ(result.Message, "Alle Lösungen korrekt");
  EXPECT_EQ(result.Number, 2500);
  EXPECT_EQ(result.Outcomes[0] + result.Outcomes[1] + result.Outcomes[2], 2500);
  EXPECT_GT(result.Outcomes[0], 0);
  EXPECT_GT(result.Outcomes[1], 0);
  EXPECT_GT(result.Outcomes[2], 0);
  EXPECT_EQ(run.ticks, (std::vector<std::int32_t>{1000, 2000}));
}

TEST(CheckIt, NamesTheFirstWrongAnswerAndReadsNoFurther) {
  GeneratedRun run(40);
  for (int k : {1, 17, 40}) {
    std::string answers = run.out;
    const std::size_t at = run.BlockStart(k);
    answers[at + (answers[at] == '-' ? 1 : 0)] ^= 3;        // one digit of the block's first cell
    if (k < 40) answers.resize(run.BlockStart(k + 1) + 5);  // the block after it is cut off
    const CheckResult result = run.Check(answers);
    EXPECT_EQ(result.Kind, Verdict::Wrong) << k;
    EXPECT_EQ(result.Number, k);
    EXPECT_EQ(result.Message, "Lösung für SUDOKU-Nr. " + std::to_string(k) + " ist nicht korrekt.");
  }
}

TEST(CheckIt, SurplusBlocksAreNeverRead) {
  GeneratedRun run(12);
  EXPECT_EQ(run.Check(run.out + run.out + "garbage\r\n").Kind, Verdict::AllCorrect);
}

TEST(CheckIt, UnreadableOrImpossibleAnswersAreWrong) {
  GeneratedRun run(9);
  const std::size_t at = run.BlockStart(4);
  const std::size_t lineEnd = run.out.find("\r\n", at);
  const std::string firstLine = run.out.substr(at, lineEnd - at);
  auto withFirstLine = [&](const std::string& line) {
    return run.out.substr(0, at) + line + run.out.substr(lineEnd);
  };
  const std::string lastValue = firstLine.substr(firstLine.rfind(',') + 1);
  const std::string upToLast = firstLine.substr(0, firstLine.rfind(',') + 1);
  const std::string line31 = "Zeile 31 von OUT.TXT";
  const std::string range = "; eine Antwort hat nur Werte von -9 bis 9.";
  // 257 keeps the sign and would read as 1 in its low byte.
  const std::string big =
      (lastValue[0] == '-' ? "-" : "") + std::to_string(256 + std::abs(std::stoi(lastValue)));
  const std::pair<std::string, std::string> cases[] = {
      {run.out.substr(0, at), "Die Antwort fehlt: OUT.TXT endet vor Zeile 31."},
      {run.out.substr(0, at + 10), line31},  // ends within the first line of the block
      {withFirstLine(firstLine.substr(0, firstLine.rfind(','))),
       line31 + " hat nur 8 Werte statt 9."},
      {withFirstLine(upToLast + "x"), line31 + ": Wert 9 ist „x“, keine ganze Zahl."},
      {withFirstLine(upToLast + "10"), line31 + " enthält den Wert 10" + range},
      {withFirstLine(upToLast + "-10"), line31 + " enthält den Wert -10" + range},
      {withFirstLine(upToLast + "99999999999"), line31 + " enthält den Wert 99999999999" + range},
      {withFirstLine(upToLast + big), line31 + " enthält den Wert " + big + range},
      {withFirstLine(firstLine + std::string(kit::MaxAnswerLine, ',')),
       line31 + " ist länger als die erlaubten 1024 Bytes."},
  };
  for (const auto& [answers, reason] : cases) {
    const CheckResult result = run.Check(answers);
    EXPECT_EQ(result.Kind, Verdict::Wrong);
    EXPECT_EQ(result.Number, 4);
    EXPECT_EQ(result.Reason.substr(0, reason.size()), reason);
  }
  EXPECT_EQ(Announcement(run.Check(withFirstLine(upToLast + "x"))),
            "Lösung für SUDOKU-Nr. 4 ist nicht korrekt.\nGrund: " + line31 +
                ": Wert 9 ist „x“, keine ganze Zahl.\n");
  EXPECT_EQ(Announcement(run.Check(run.out)), "Alle Lösungen korrekt\n");
}

TEST(CheckIt, KindComesFromTheFirstNumberOfEachLine) {
  // A puzzle with several solutions, answered with positive digits except the first line's
  // first number: that alone makes the block declare several solutions.
  TempFolder folder;
  kit::StringSink in, out;
  kit::WritePuzzleBlock(in, Board{}, true);
  kit::SignedBoard grid{};
  for (std::size_t i = 0; i < 81; ++i) grid[i] = Solution[i];
  grid[0] = -grid[0];
  kit::WriteSolutionBlock(out, grid);
  PutFile(folder / "IN.TXT", in.Text);
  PutFile(folder / "OUT.TXT", out.Text);
  EXPECT_EQ(CheckIt(folder.Path(), [](std::int32_t) { return true; }).Kind, Verdict::AllCorrect);

  grid[9 * 6] = 0;  // the seventh line starting with 0 makes it "no solution": wrong here
  kit::StringSink zeroLine;
  kit::WriteSolutionBlock(zeroLine, grid);
  PutFile(folder / "OUT.TXT", zeroLine.Text);
  EXPECT_EQ(CheckIt(folder.Path(), [](std::int32_t) { return true; }).Kind, Verdict::Wrong);
}

TEST(CheckIt, RepeatedGivensAndChainedRepeatsWantZeros) {
  TempFolder folder;
  Board repeated{};
  repeated[10] = repeated[11] = 3;
  const Board chain =
      Parse("008000046003460572062005000030600200800531007000020100000047010240800060017956000");
  kit::StringSink in;
  kit::WritePuzzleBlock(in, repeated, false);
  kit::WritePuzzleBlock(in, chain, true);
  PutFile(folder / "IN.TXT", in.Text);
  std::ostringstream errors;
  ASSERT_EQ(quadrin::RunBatch(folder.Path(), errors, false), 0);
  std::string zeros;
  for (int r = 0; r < 9; ++r) zeros += "0,0,0,0,0,0,0,0,0\r\n";
  zeros += "\r\n";
  EXPECT_EQ(GetFile(folder / "OUT.TXT"), zeros + zeros);
  EXPECT_EQ(CheckIt(folder.Path(), [](std::int32_t) { return true; }).Kind, Verdict::AllCorrect);
}

TEST(CheckIt, MissingOrDamagedFilesGiveNoVerdict) {
  {
    TempFolder folder;
    const CheckResult result = CheckIt(folder.Path(), [](std::int32_t) { return true; });
    EXPECT_EQ(result.Kind, Verdict::CannotJudge);
    EXPECT_NE(result.Message.find("Die Datei IN.TXT fehlt"), std::string::npos);
  }
  GeneratedRun run(6);
  std::filesystem::rename(run.folder / "OUT.TXT", run.folder / "out.txt");  // any case will do
  EXPECT_EQ(CheckIt(run.folder.Path(), [](std::int32_t) { return true; }).Kind,
            Verdict::AllCorrect);
  std::filesystem::remove(run.folder / "out.txt");
  CheckResult result = CheckIt(run.folder.Path(), [](std::int32_t) { return true; });
  EXPECT_EQ(result.Kind, Verdict::CannotJudge);
  EXPECT_NE(result.Message.find("Die Datei OUT.TXT fehlt"), std::string::npos);

  std::string in = GetFile(run.folder / "IN.TXT");
  in += "\r\n";  // an empty line after the last puzzle
  PutFile(run.folder / "IN.TXT", in);
  result = run.Check(run.out);
  EXPECT_EQ(result.Kind, Verdict::CannotJudge);
  EXPECT_EQ(result.Message,
            "Fehler in IN.TXT, Rätsel 6, Zeile 60: Überzählige Leerzeile nach dem letzten Rätsel.");
}

TEST(CheckIt, AnOutTxtThatIsNoRegularFileMakesTheFirstAnswerWrong) {
  GeneratedRun run(3);
  const std::filesystem::path answers = run.folder / "OUT.TXT";
  std::filesystem::remove(answers);
  ASSERT_EQ(::mkfifo(answers.c_str(), 0600), 0);  // no writer: an open would wait
  auto check = [&run] { return CheckIt(run.folder.Path(), [](std::int32_t) { return true; }); };
  CheckResult result = check();
  EXPECT_EQ(result.Kind, Verdict::Wrong);
  EXPECT_EQ(result.Number, 1);
  EXPECT_EQ(Announcement(result),
            "Lösung für SUDOKU-Nr. 1 ist nicht korrekt.\nGrund: OUT.TXT ist keine gewöhnliche "
            "Datei, sondern ein FIFO.\n");
  std::filesystem::remove(answers);
  std::filesystem::create_symlink("/dev/zero", run.folder / "out.txt");  // named as found
  result = check();
  EXPECT_EQ(result.Number, 1);
  EXPECT_EQ(result.Reason, "out.txt ist keine gewöhnliche Datei, sondern ein Gerät.");
  std::filesystem::remove(run.folder / "out.txt");
  std::filesystem::create_directory(answers);
  EXPECT_EQ(check().Reason, "OUT.TXT ist keine gewöhnliche Datei, sondern ein Ordner.");
  // A regular file of another case is still preferred, and a link to one is read.
  PutFile(run.folder / "Out.txt", run.out);
  EXPECT_EQ(check().Kind, Verdict::AllCorrect);
  std::filesystem::remove(answers);
  std::filesystem::rename(run.folder / "Out.txt", run.folder / "answers");
  std::filesystem::create_symlink(run.folder / "answers", answers);
  EXPECT_EQ(check().Kind, Verdict::AllCorrect);
}

TEST(CheckAnswers, JudgesThePuzzlesItIsGivenWhateverIsOnDisk) {
  GeneratedRun run(5);
  kit::PuzzleText given;
  given.Text = GetFile(run.folder / "IN.TXT");
  PutFile(run.folder / "IN.TXT", "anything a solver may write");
  auto always = [](std::int32_t) { return true; };
  const CheckResult result = CheckAnswers(given, run.folder.Path(), always);
  EXPECT_EQ(result.Kind, Verdict::AllCorrect);
  EXPECT_EQ(result.Number, 5);
  EXPECT_EQ(CheckIt(run.folder.Path(), always).Kind, Verdict::CannotJudge);

  given.Text.resize(2 * kit::PuzzleStride - 2);  // the first two puzzles: two answers judged
  EXPECT_EQ(CheckAnswers(given, run.folder.Path(), always).Number, 2);
}

TEST(CheckIt, StopsWhenAskedTo) {
  GeneratedRun run(1500);
  PutFile(run.folder / "OUT.TXT", run.out);
  const CheckResult result = CheckIt(run.folder.Path(), [](std::int32_t) { return false; });
  EXPECT_EQ(result.Kind, Verdict::Stopped);
  EXPECT_EQ(result.Number, 1000);
}

}  // namespace
}  // namespace checker
