// A line solver's answers: the two forms, every fault of a line with its German text, the claims
// collected from a pipe, the answers file, and the judge over them on one and several threads.
#include "LineAnswers.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "BuildSudokus.h"
#include "CheckIt.h"
#include "FileError.h"
#include "ParallelJudge.h"
#include "TempFolder.h"

namespace checker {
namespace {

using kit::testing::PutFile;
using kit::testing::TempFolder;

const std::string Solution =
    "693784512487512936125963874932651487568247391741398625319475268856129743274836159";
const std::string Sent =
    ".......1.4.........2...........5.4.7..8...3....1.9....3..4..2...5.1........8.6...";

kit::Board BoardOf(const std::string& text) {
  kit::Board b{};
  for (std::size_t i = 0; i < 81; ++i) b[i] = static_cast<std::uint8_t>(text[i] >= '1' && text[i] <= '9' ? text[i] - '0' : 0);
  return b;
}

std::optional<std::string> Parse(const std::string& line, LineForm& form,
                                 kit::PuzzleRecord& answer) {
  return ParseAnswerLine(line, Sent, form, answer);
}

TEST(PuzzleLine, DigitsAndDots) {
  EXPECT_EQ(PuzzleLine(BoardOf(Sent)), Sent);
  EXPECT_EQ(OutputLinePrefix(17), "Zeile 17 der Ausgabe: ");
}

TEST(ParseAnswerLine, TakesBothFormsAndHoldsToTheFirst) {
  kit::PuzzleRecord answer;
  LineForm form = LineForm::Unknown;
  EXPECT_EQ(Parse("1:" + Solution, form, answer), std::nullopt);
  EXPECT_EQ(form, LineForm::CountSolution);
  EXPECT_EQ(answer.Status, 1);
  EXPECT_EQ(answer.Cells, BoardOf(Solution));
  EXPECT_EQ(Parse("0:", form, answer), std::nullopt);
  EXPECT_EQ(answer.Status, 0);
  EXPECT_EQ(answer.Cells, kit::Board{});
  EXPECT_EQ(Parse("2:", form, answer), std::nullopt);  // several, no solution: the givens
  EXPECT_EQ(answer.Status, 2);
  EXPECT_EQ(answer.Cells, BoardOf(Sent));
  EXPECT_EQ(Parse("17:" + Solution, form, answer), std::nullopt);
  EXPECT_EQ(answer.Status, 2);
  EXPECT_EQ(answer.Cells, BoardOf(Solution));
  EXPECT_EQ(Parse("00000000000000000001:" + Solution, form, answer), std::nullopt);
  EXPECT_EQ(answer.Status, 1);
  EXPECT_EQ(Parse("99999999999999999999:", form, answer), std::nullopt);
  EXPECT_EQ(answer.Status, 2);
  EXPECT_EQ(*Parse(Sent + ":1:" + Solution, form, answer),
            "hat nicht die Form der ersten Zeile, ANZAHL:LÖSUNG: „.......1.4.........2...........5…“.");

  form = LineForm::Unknown;
  EXPECT_EQ(Parse(Sent + ":1:" + Solution, form, answer), std::nullopt);
  EXPECT_EQ(form, LineForm::PuzzleCountSolution);
  std::string zeros = Sent;
  for (char& c : zeros) c = c == '.' ? '0' : c;
  EXPECT_EQ(Parse(zeros + ":0:", form, answer), std::nullopt);
  EXPECT_EQ(answer.Status, 0);
  EXPECT_EQ(*Parse("1:" + Solution, form, answer),
            "hat nicht die Form der ersten Zeile, RÄTSEL:ANZAHL:LÖSUNG: „1:693784512487512936125963874932…“.");
}

TEST(ParseAnswerLine, SaysWhatIsWrongWithALine) {
  std::string badDigit = Solution;
  badDigit[9 * 4 + 2] = '0';
  std::string control = Solution;
  control[0] = '\t';
  std::string otherPuzzle = Sent;
  otherPuzzle[9 * 2 + 5] = '7';
  std::string otherGiven = Sent;
  otherGiven[7] = '2';
  const struct {
    std::string line;
    LineForm form;
    std::string reason;
  } cases[] = {
      {"", LineForm::Unknown, "ist leer statt ANZAHL:LÖSUNG oder RÄTSEL:ANZAHL:LÖSUNG."},
      {"", LineForm::CountSolution, "ist leer statt ANZAHL:LÖSUNG."},
      {Solution, LineForm::Unknown,
       "hat weder die Form ANZAHL:LÖSUNG noch RÄTSEL:ANZAHL:LÖSUNG: „69378451248751293612596387493265…“."},
      {"a:b:c:d", LineForm::Unknown,
       "hat weder die Form ANZAHL:LÖSUNG noch RÄTSEL:ANZAHL:LÖSUNG: „a:b:c:d“."},
      {":" + Solution, LineForm::Unknown, "die Anzahl fehlt."},
      {"eins:" + Solution, LineForm::Unknown,
       "die Anzahl „eins“ ist keine Zahl aus 1 bis 20 Ziffern."},
      {"-1:", LineForm::Unknown, "die Anzahl „-1“ ist keine Zahl aus 1 bis 20 Ziffern."},
      {"100000000000000000000:", LineForm::Unknown,
       "die Anzahl „100000000000000000000“ ist keine Zahl aus 1 bis 20 Ziffern."},
      {"1\x1b[2J:", LineForm::Unknown,
       "die Anzahl „1[0x1B][2J“ ist keine Zahl aus 1 bis 20 Ziffern."},
      {"1:" + Solution.substr(1), LineForm::Unknown,
       "die Lösung „93784512487512936125963874932651…“ hat 80 Zeichen statt 81 Ziffern 1–9."},
      {"1:" + badDigit, LineForm::Unknown,
       "die Lösung hat in Zeile 5, Spalte 3 „0“ statt einer Ziffer 1–9."},
      {"1:" + control, LineForm::Unknown,
       "die Lösung hat in Zeile 1, Spalte 1 das Byte 0x09 statt einer Ziffer 1–9."},
      {"1:", LineForm::Unknown, "die Anzahl ist 1, die Lösung fehlt aber."},
      {"0:" + Solution, LineForm::Unknown, "die Anzahl ist 0, dahinter steht aber eine Lösung."},
      {otherPuzzle + ":1:" + Solution, LineForm::Unknown,
       "das Rätsel ist nicht das gesendete: Zeile 3, Spalte 6 hat „7“ statt „.“ oder „0“."},
      {otherGiven + ":1:" + Solution, LineForm::Unknown,
       "das Rätsel ist nicht das gesendete: Zeile 1, Spalte 8 hat „2“ statt „1“."},
      {"123:1:" + Solution, LineForm::Unknown, "das Rätsel „123“ hat 3 Zeichen statt 81."},
  };
  for (const auto& c : cases) {
    kit::PuzzleRecord answer;
    LineForm form = c.form;
    const auto reason = ParseAnswerLine(c.line, Sent, form, answer);
    ASSERT_TRUE(reason.has_value()) << c.line;
    EXPECT_EQ(*reason, c.reason) << c.line;
  }
}

// Generated puzzles, their text and the right answer line of each, by Check's own search.
struct LineRun {
  explicit LineRun(std::int32_t count, bool withPuzzle = false) {
    kit::StringSink in;
    generator::BuildSudokus(11, count, in, [](std::int32_t) { return true; });
    text.Text = in.Text;
    OwnSearch search;
    kit::ReadPos pos = 1;
    kit::PuzzleRecord own;
    do {
      const kit::Board givens = kit::ReadNextPuzzle(text, pos);
      sent.push_back(PuzzleLine(givens));
      search.Solve(givens, own);
      std::string line = withPuzzle ? sent.back() + ":" : "";
      line += std::to_string(own.Status) + ":";
      if (own.Status == 1) line += PuzzleLine(own.Cells);
      lines.push_back(line);
    } while (pos >= 3);
  }
  ClaimList Claims(const std::vector<std::string>& answerLines) const {
    ClaimList list(static_cast<std::int64_t>(sent.size()));
    for (std::size_t i = 0; i < answerLines.size(); ++i) {
      list.Add(answerLines[i], i < sent.size() ? std::string_view(sent[i]) : std::string_view());
    }
    return list;
  }
  kit::PuzzleText text;
  std::vector<std::string> sent, lines;
};

CheckResult Judged(const kit::PuzzleText& text, const ClaimList& list) {
  ClaimList::Answers answers(list);
  return CheckAnswers(text, answers, [](std::int32_t) { return true; });
}

TEST(ClaimList, RightAnswersInEitherFormAreCorrect) {
  for (bool withPuzzle : {false, true}) {
    const LineRun run(1200, withPuzzle);
    const CheckResult result = Judged(run.text, run.Claims(run.lines));
    EXPECT_EQ(result.Kind, Verdict::AllCorrect) << result.Reason;
    EXPECT_EQ(result.Number, 1200);
    EXPECT_GT(result.Outcomes[0], 0);
    EXPECT_GT(result.Outcomes[1], 0);
    EXPECT_GT(result.Outcomes[2], 0);
  }
}

TEST(ClaimList, MissingSurplusLongAndBadLinesAreWrong) {
  const LineRun run(20);
  auto judge = [&](std::vector<std::string> lines, bool tooLongAt = false, std::size_t at = 0) {
    ClaimList list(20);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (tooLongAt && i == at) {
        list.TooLong();
        break;
      }
      list.Add(lines[i], i < 20 ? std::string_view(run.sent[i]) : std::string_view());
    }
    return Judged(run.text, list);
  };
  std::vector<std::string> lines = run.lines;
  lines.resize(16);
  CheckResult result = judge(lines);
  EXPECT_EQ(result.Kind, Verdict::Wrong);
  EXPECT_EQ(result.Number, 17);
  EXPECT_EQ(Announcement(result),
            "Lösung für SUDOKU-Nr. 17 ist nicht korrekt.\nGrund: Zeile 17 der Ausgabe: fehlt; die "
            "Ausgabe endet nach 16 Zeilen, gesendet wurden 20 Rätsel.\n");
  EXPECT_EQ(judge({}).Reason,
            "Zeile 1 der Ausgabe: fehlt; die Ausgabe ist leer, gesendet wurden 20 Rätsel.");

  lines = run.lines;
  lines.push_back(lines.back());
  lines.push_back("anything");
  result = judge(lines);
  EXPECT_EQ(result.Number, 20);
  EXPECT_EQ(result.Reason, "Zeile 21 der Ausgabe: eine Zeile zu viel; gesendet wurden 20 Rätsel.");

  result = judge(run.lines, true, 4);
  EXPECT_EQ(result.Number, 5);
  EXPECT_EQ(result.Reason, "Zeile 5 der Ausgabe: ist länger als 1024 Bytes.");

  lines = run.lines;
  lines[7] = "1:";
  lines[9] = "garbage";  // after the first bad line nothing more is looked at
  result = judge(lines);
  EXPECT_EQ(result.Number, 8);
  EXPECT_EQ(result.Reason, "Zeile 8 der Ausgabe: die Anzahl ist 1, die Lösung fehlt aber.");
}

TEST(ClaimList, TheJudgesReasonStandsAfterTheLine) {
  const LineRun run(30);
  std::size_t unique = 0, several = 0;
  while (run.lines[unique][0] != '1') ++unique;
  while (run.lines[several][0] != '2') ++several;
  std::vector<std::string> lines = run.lines;
  std::string& wrong = lines[unique];
  std::swap(wrong[2 + 3], wrong[2 + 4]);  // two cells of the first row swapped
  CheckResult result = Judged(run.text, run.Claims(lines));
  EXPECT_EQ(result.Number, static_cast<std::int32_t>(unique) + 1);
  EXPECT_EQ(result.Reason.rfind(OutputLinePrefix(result.Number) + "Zeile 1, Spalte 4: erwartet ",
                                0),
            0u)
      << result.Reason;

  lines = run.lines;
  lines[unique] = "2:";
  EXPECT_EQ(Judged(run.text, run.Claims(lines)).Reason,
            OutputLinePrefix(static_cast<std::int64_t>(unique) + 1) +
                "Das Rätsel hat genau eine Lösung, die Antwort gibt aber mehrere Lösungen (Anzahl 2 "
                "oder mehr) an.");
  lines = run.lines;
  lines[several] = "1:" + Solution;
  EXPECT_EQ(Judged(run.text, run.Claims(lines)).Reason,
            OutputLinePrefix(static_cast<std::int64_t>(several) + 1) +
                "Das Rätsel hat mehrere Lösungen, die Antwort gibt aber genau eine Lösung (Anzahl "
                "1) an.");
}

TEST(ClaimList, NoSolutionWithSeveralDeclaredNamesTheCountNotTheGivens) {
  kit::Board repeated{};
  repeated[0] = repeated[1] = 5;  // no solution
  kit::StringSink in;
  kit::WritePuzzleBlock(in, repeated, true);
  kit::PuzzleText text{in.Text, "IN.TXT"};
  ClaimList list(1);
  list.Add("2:", PuzzleLine(repeated));
  EXPECT_EQ(Judged(text, list).Reason,
            "Zeile 1 der Ausgabe: Das Rätsel hat keine Lösung, die Antwort gibt aber mehrere "
            "Lösungen (Anzahl 2 oder mehr) an.");
  ClaimList none(1);
  none.Add("0:", PuzzleLine(repeated));
  EXPECT_EQ(Judged(text, none).Kind, Verdict::AllCorrect);
}

TEST(ClaimList, SeveralThreadsGiveTheSameVerdicts) {
  const LineRun run(3000);
  auto same = [&](const ClaimList& list) {
    const CheckResult one = Judged(run.text, list);
    for (int threads : {2, 3}) {
      ParallelJudge judge(threads);
      ClaimList::Answers answers(list);
      const CheckResult many = judge.CheckAnswers(run.text, answers, [](std::int32_t) {
        return true;
      });
      EXPECT_EQ(many.Kind, one.Kind);
      EXPECT_EQ(many.Number, one.Number);
      EXPECT_EQ(many.Reason, one.Reason);
      EXPECT_EQ(many.Outcomes, one.Outcomes);
    }
    return one;
  };
  EXPECT_EQ(same(run.Claims(run.lines)).Kind, Verdict::AllCorrect);
  std::vector<std::string> lines = run.lines;
  lines.push_back("0:");
  EXPECT_EQ(same(run.Claims(lines)).Number, 3000);
  lines = run.lines;
  std::size_t unique = 2500;
  while (lines[unique][0] != '1') ++unique;
  std::swap(lines[unique][2], lines[unique][3]);  // judged wrong by a worker
  lines[2900] = "x";                               // read wrong after it
  EXPECT_EQ(same(run.Claims(lines)).Number, static_cast<std::int32_t>(unique) + 1);
  lines.resize(2700);
  lines[unique] = run.lines[unique];
  EXPECT_EQ(same(run.Claims(lines)).Number, 2701);
}

TEST(AnswerLinesFile, ReadsLinesWithEitherLineEnd) {
  const LineRun run(50, true);
  TempFolder folder;
  std::string file;
  for (std::size_t i = 0; i < run.lines.size(); ++i) {
    file += run.lines[i] + (i % 2 ? "\r\n" : "\n");
  }
  auto judge = [&](const std::string& bytes) {
    PutFile(folder / "answers.txt", bytes);
    AnswerLinesFile answers(folder / "answers.txt", "answers.txt", 50);
    return CheckAnswers(run.text, answers, [](std::int32_t) { return true; });
  };
  EXPECT_EQ(judge(file).Kind, Verdict::AllCorrect);
  file.pop_back();
  file.pop_back();  // the last line without its line end
  EXPECT_EQ(judge(file).Kind, Verdict::AllCorrect);
  EXPECT_EQ(judge(file + "\n\n").Reason,
            "Zeile 51 der Ausgabe: eine Zeile zu viel; die Sammlung hat 50 Rätsel.");
  EXPECT_EQ(judge(file.substr(0, file.find('\n') + 1)).Reason,
            "Zeile 2 der Ausgabe: fehlt; answers.txt endet nach 1 Zeile, die Sammlung hat 50 "
            "Rätsel.");
  EXPECT_EQ(judge(std::string(2000, '1')).Reason,
            "Zeile 1 der Ausgabe: ist länger als 1024 Bytes.");
  const CheckResult swapped = judge(run.lines[1] + "\n" + run.lines[0] + "\n");
  EXPECT_EQ(swapped.Number, 1);
  EXPECT_EQ(swapped.Reason.rfind("Zeile 1 der Ausgabe: das Rätsel ist nicht das gesendete: ", 0),
            0u);
  EXPECT_THROW(AnswerLinesFile(folder / "missing.txt", "missing.txt", 50), kit::FileError);
  EXPECT_THROW(AnswerLinesFile(folder.Path(), "folder", 50), kit::NotRegularFileError);
}

TEST(AnswerLinesFile, ReadsAFifoAsItComes) {
  const LineRun run(40);
  TempFolder folder;
  const auto fifo = folder / "answers";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    const int out = ::open(fifo.c_str(), O_WRONLY);
    for (const std::string& line : run.lines) {
      const std::string bytes = line + "\n";
      (void)!::write(out, bytes.data(), bytes.size());
    }
    ::close(out);
  });
  AnswerLinesFile answers(fifo, "answers", 40);
  const CheckResult result = CheckAnswers(run.text, answers, [](std::int32_t) { return true; });
  writer.join();
  EXPECT_EQ(result.Kind, Verdict::AllCorrect) << result.Reason;
}

TEST(LineReader, ReadsAPipeInPiecesWhateverItsFlags) {
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_NONBLOCK | O_CLOEXEC), 0);
  std::thread writer([out = ends[1]] {
    const std::string bytes = "first\r\nsec" "ond\n" + std::string(1030, 'x') + "\nnever";
    for (std::size_t at = 0; at < bytes.size(); at += 7) {
      (void)!::write(out, bytes.data() + at, std::min<std::size_t>(7, bytes.size() - at));
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::close(out);
  });
  kit::LineReader reader(ends[0], "die Ausgabe", kit::MaxAnswerLine);
  std::string_view line;
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(line, "first");
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(line, "second");
  EXPECT_FALSE(reader.ReadLine(line));
  EXPECT_TRUE(reader.LineTooLong());
  EXPECT_EQ(reader.LinesRead(), 2);
  writer.join();
  EXPECT_THROW(kit::LineReader(-1, "die Ausgabe", 10), kit::FileError);
}

}  // namespace
}  // namespace checker
