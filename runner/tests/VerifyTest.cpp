// `Messlauf verify`: Check's verdict lines and exit status on a folder's IN.TXT and OUT.TXT, on one
// thread and several; a line solver's answers against a collection; the command line; the JSON.
#include "VerifyCommand.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "BuildSudokus.h"
#include "CheckIt.h"
#include "LineAnswers.h"
#include "MesslaufHelpers.h"
#include "Sudoku.h"
#include "TempFolder.h"

namespace runner {
namespace {

using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;
using testing::Has;

struct Said {
  int status;
  std::string out, err;
};

Said VerifyWith(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "verify");
  std::vector<const char*> argv;
  for (const std::string& a : arguments) argv.push_back(a.c_str());
  std::ostringstream out, err;
  const int status = Verify(static_cast<int>(argv.size()), argv.data(), out, err, ",");
  return {status, out.str(), err.str()};
}

// A folder with IN.TXT from the generator and OUT.TXT from Quadrin's batch run.
struct Folder {
  explicit Folder(std::int32_t count) {
    kit::StringSink in;
    generator::BuildSudokus(7, count, in, [](std::int32_t) { return true; });
    PutFile(folder / "IN.TXT", in.Text);
    std::ostringstream errors;
    if (quadrin::RunBatch(folder.Path(), errors, false) != 0) ADD_FAILURE() << errors.str();
    out = GetFile(folder / "OUT.TXT");
  }
  std::string Dir() const { return folder.Path().string(); }
  // Check's own lines on the folder as it is now.
  std::string CheckSays() const {
    return checker::Announcement(checker::CheckIt(folder.Path(), [](std::int32_t) {
      return true;
    }));
  }
  TempFolder folder;
  std::string out;
};

// Verify on the folder says what Check says, on the stream Check uses, with its exit status,
// on one thread and on three.
void ExpectAsCheck(const Folder& f, int status) {
  const std::string check = f.CheckSays();
  for (const char* threads : {"1", "3"}) {
    const Said said = VerifyWith({"--dir", f.Dir(), "--check-threads", threads});
    EXPECT_EQ(said.status, status) << said.err;
    const std::string& stream = status < 2 ? said.out : said.err;
    EXPECT_EQ(stream.substr(0, check.size()), check) << threads;
    if (status < 2) {
      EXPECT_TRUE(Has(said.out, "\nErgebnisse: ")) << said.out;
      EXPECT_TRUE(Has(said.out, std::string(" s, ") + threads +
                                    (threads == std::string("1") ? " Thread\n" : " Threads\n")))
          << said.out;
      EXPECT_EQ(said.err, "");
    } else {
      EXPECT_EQ(said.out, "");
    }
  }
}

TEST(Verify, GivesChecksVerdictOnAFolder) {
  Folder f(300);
  const Said said = VerifyWith({"--dir", f.Dir()});
  ASSERT_EQ(said.status, 0) << said.err;
  const checker::CheckResult result = checker::CheckIt(f.folder.Path(), [](std::int32_t) {
    return true;
  });
  EXPECT_EQ(said.out.rfind("Alle Lösungen korrekt\nErgebnisse: " +
                               std::to_string(result.Outcomes[0]) + " ohne Lösung, " +
                               std::to_string(result.Outcomes[1]) + " eindeutig, " +
                               std::to_string(result.Outcomes[2]) + " mehrdeutig\nPrüfzeit: ",
                           0),
            0u)
      << said.out;
  ExpectAsCheck(f, 0);

  std::string answers = f.out;
  const std::size_t block17 = [&] {
    std::size_t at = 0;
    for (int n = 1; n < 17; ++n) at = answers.find("\r\n\r\n", at) + 4;
    return at;
  }();
  answers[block17 + (answers[block17] == '-' ? 1 : 0)] ^= 3;
  PutFile(f.folder / "OUT.TXT", answers);
  ExpectAsCheck(f, 1);
  EXPECT_TRUE(Has(VerifyWith({"--dir", f.Dir()}).out, "Lösung für SUDOKU-Nr. 17 ist nicht korrekt.\nGrund: "));

  PutFile(f.folder / "OUT.TXT", f.out.substr(0, block17 + 10));  // a block cut short
  ExpectAsCheck(f, 1);
  PutFile(f.folder / "OUT.TXT", f.out.substr(0, block17) + std::string(2000, '1'));
  ExpectAsCheck(f, 1);

  std::filesystem::remove(f.folder / "OUT.TXT");
  ASSERT_EQ(::mkfifo((f.folder / "OUT.TXT").c_str(), 0600), 0);  // never read: answer 1 wrong
  ExpectAsCheck(f, 1);
  std::filesystem::remove(f.folder / "OUT.TXT");
  ExpectAsCheck(f, 2);  // OUT.TXT missing
  EXPECT_TRUE(Has(VerifyWith({"--dir", f.Dir()}).err, "Die Datei OUT.TXT fehlt"));

  PutFile(f.folder / "out.txt", f.out);
  ExpectAsCheck(f, 0);  // any case of the name
  PutFile(f.folder / "IN.TXT", GetFile(f.folder / "IN.TXT") + "\r\n");
  ExpectAsCheck(f, 2);  // a damaged IN.TXT
  std::filesystem::remove(f.folder / "IN.TXT");
  ExpectAsCheck(f, 2);
}

TEST(Verify, TakesTheCurrentFolderByDefault) {
  Folder f(20);
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(f.folder.Path());
  const Said said = VerifyWith({});
  std::filesystem::current_path(before);
  EXPECT_EQ(said.status, 0) << said.err;
  EXPECT_EQ(said.out.rfind("Alle Lösungen korrekt\n", 0), 0u);
}

// A collection of generated puzzles, one a line, and the right answer line for each.
struct Collection {
  explicit Collection(std::int32_t count, bool withPuzzle = false) {
    kit::StringSink in;
    generator::BuildSudokus(23, count, in, [](std::int32_t) { return true; });
    kit::PuzzleText text{in.Text, "IN.TXT"};
    checker::OwnSearch search;
    kit::PuzzleRecord own;
    std::string collection;
    kit::ReadPos pos = 1;
    do {
      const kit::Board givens = kit::ReadNextPuzzle(text, pos);
      const std::string sent = checker::PuzzleLine(givens);
      collection += sent + "\n";
      search.Solve(givens, own);
      lines.push_back((withPuzzle ? sent + ":" : "") + std::to_string(own.Status) + ":" +
                      (own.Status == 1 ? checker::PuzzleLine(own.Cells) : ""));
    } while (pos >= 3);
    PutFile(folder / "puzzles.txt", collection);
  }
  Said Verify(const std::vector<std::string>& answerLines, const std::string& end = "\n",
              std::vector<std::string> more = {}) const {
    std::string text;
    for (const std::string& line : answerLines) text += line + end;
    PutFile(folder / "answers.txt", text);
    std::vector<std::string> arguments = {"--puzzles", (folder / "puzzles.txt").string(),
                                          "--answers", (folder / "answers.txt").string()};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return VerifyWith(arguments);
  }
  TempFolder folder;
  std::vector<std::string> lines;
};

TEST(Verify, JudgesAnswerLinesAgainstACollection) {
  for (bool withPuzzle : {false, true}) {
    const Collection c(400, withPuzzle);
    for (const char* end : {"\n", "\r\n"}) {
      for (const char* threads : {"1", "4"}) {
        const Said said = c.Verify(c.lines, end, {"--check-threads", threads});
        EXPECT_EQ(said.status, 0) << said.out << said.err;
        EXPECT_EQ(said.out.rfind("Alle Lösungen korrekt\nErgebnisse: ", 0), 0u) << said.out;
      }
    }
  }
}

TEST(Verify, EveryLineFaultMakesThatAnswerWrong) {
  const Collection c(30);
  std::size_t unique = 1;  // not the first line, whose form the others follow
  while (c.lines[unique][0] != '1') ++unique;
  const std::string at = "Zeile " + std::to_string(unique + 1) + " der Ausgabe: ";
  auto changed = [&](std::size_t line, const std::string& text) {
    std::vector<std::string> lines = c.lines;
    lines[line] = text;
    return lines;
  };
  const std::string solution = c.lines[unique].substr(2);
  std::string swapped = c.lines[unique];
  std::swap(swapped[2], swapped[3]);
  const struct {
    std::vector<std::string> lines;
    std::int32_t number;
    std::string reason;
  } cases[] = {
      {{c.lines.begin(), c.lines.begin() + 20}, 21,
       "Zeile 21 der Ausgabe: fehlt; " + (c.folder / "answers.txt").string() +
           " endet nach 20 Zeilen, die Sammlung hat 30 Rätsel."},
      {changed(unique, "1:"), static_cast<std::int32_t>(unique) + 1,
       at + "die Anzahl ist 1, die Lösung fehlt aber."},
      {changed(unique, "0:" + solution), static_cast<std::int32_t>(unique) + 1,
       at + "die Anzahl ist 0, dahinter steht aber eine Lösung."},
      {changed(unique, "x:" + solution), static_cast<std::int32_t>(unique) + 1,
       at + "die Anzahl „x“ ist keine Zahl aus 1 bis 20 Ziffern."},
      {changed(unique, "1:" + solution.substr(0, 80) + "0"), static_cast<std::int32_t>(unique) + 1,
       at + "die Lösung hat in Zeile 9, Spalte 9 „0“ statt einer Ziffer 1–9."},
      {changed(unique, "1;" + solution), static_cast<std::int32_t>(unique) + 1,
       at + "hat nicht die Form der ersten Zeile, ANZAHL:LÖSUNG: „1;" +
           solution.substr(0, 30) + "…“."},
      {changed(unique, std::string(1100, '1')), static_cast<std::int32_t>(unique) + 1,
       at + "ist länger als 1024 Bytes."},
      {changed(unique, swapped), static_cast<std::int32_t>(unique) + 1,
       at + "Zeile 1, Spalte 1: erwartet "},
  };
  for (const auto& k : cases) {
    const Said said = c.Verify(k.lines);
    EXPECT_EQ(said.status, 1) << k.reason << said.err;
    EXPECT_EQ(said.out.rfind("Lösung für SUDOKU-Nr. " + std::to_string(k.number) +
                                 " ist nicht korrekt.\nGrund: " + k.reason,
                             0),
              0u)
        << said.out;
  }
  std::vector<std::string> surplus = c.lines;
  surplus.push_back("0:");
  const Said said = c.Verify(surplus);
  EXPECT_EQ(said.status, 1);
  EXPECT_EQ(said.out.rfind("Lösung für SUDOKU-Nr. 30 ist nicht korrekt.\nGrund: Zeile 31 der "
                           "Ausgabe: eine Zeile zu viel; die Sammlung hat 30 Rätsel.\n",
                           0),
            0u)
      << said.out;
}

TEST(Verify, OutOfOrderAnswersAreWrong) {
  const Collection c(10, true);
  std::vector<std::string> lines = c.lines;
  std::swap(lines[3], lines[4]);
  const Said said = c.Verify(lines);
  EXPECT_EQ(said.status, 1);
  EXPECT_TRUE(Has(said.out, "Grund: Zeile 4 der Ausgabe: das Rätsel ist nicht das gesendete: "))
      << said.out;
}

TEST(Verify, UnreadableFilesGiveNoVerdict) {
  const Collection c(5);
  const std::string puzzles = (c.folder / "puzzles.txt").string();
  Said said = VerifyWith({"--puzzles", puzzles, "--answers", (c.folder / "none.txt").string()});
  EXPECT_EQ(said.status, 2);
  EXPECT_EQ(said.out, "");
  EXPECT_TRUE(Has(said.err, "none.txt kann nicht gelesen werden")) << said.err;
  said = VerifyWith({"--puzzles", (c.folder / "none.txt").string(), "--answers", puzzles});
  EXPECT_EQ(said.status, 2);
  EXPECT_TRUE(Has(said.err, "none.txt")) << said.err;
  PutFile(c.folder / "bad.txt", "not a puzzle\n");
  said = VerifyWith({"--puzzles", (c.folder / "bad.txt").string(), "--answers", puzzles});
  EXPECT_EQ(said.status, 2);
  EXPECT_TRUE(Has(said.err, "bad.txt")) << said.err;
}

TEST(Verify, RefusesABadCommandLine) {
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{"--puzzles", "p.txt"}, "--puzzles braucht --answers"},
      {{"--answers", "a.txt"}, "--answers braucht --puzzles"},
      {{"--puzzles", "p.txt", "--answers", "a.txt", "--dir", "."}, "--dir passt nicht zu"},
      {{"--check-threads", "0"}, "--check-threads braucht eine Zahl von 1 bis 256."},
      {{"--check-threads", "viele"}, "Ungültiger Wert für --check-threads"},
      {{"--fast"}, "Unbekannte Angabe"},
  };
  for (const auto& c : cases) {
    const Said said = VerifyWith(c.arguments);
    EXPECT_EQ(said.status, 2) << c.message;
    EXPECT_EQ(said.out, "");
    EXPECT_TRUE(Has(said.err, "Messlauf verify: " + c.message)) << said.err;
    EXPECT_TRUE(Has(said.err, "\nHilfe: Messlauf verify --help\n")) << said.err;
  }
  const Said help = VerifyWith({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(Has(help.out, "--answers")) << help.out;
}

TEST(Verify, WritesTheResultAsJson) {
  Folder f(50);
  const auto json = f.folder / "verify.json";
  Said said = VerifyWith({"--dir", f.Dir(), "--check-threads", "2", "--json", json.string()});
  ASSERT_EQ(said.status, 0) << said.err;
  nlohmann::json j = nlohmann::json::parse(GetFile(json));
  EXPECT_EQ(j["state"], "correct");
  EXPECT_EQ(j["verdict"], "Alle Lösungen korrekt");
  EXPECT_EQ(j["number"], 50);
  EXPECT_TRUE(j["reason"].is_null());
  EXPECT_EQ(j["outcomes"]["no_solution"].get<int>() + j["outcomes"]["one"].get<int>() +
                j["outcomes"]["several"].get<int>(),
            50);
  EXPECT_GE(j["check_seconds"].get<double>(), 0);
  EXPECT_EQ(j["threads"], 2);
  EXPECT_EQ(j["exit_status"], 0);

  std::filesystem::remove(f.folder / "OUT.TXT");
  said = VerifyWith({"--dir", f.Dir(), "--json", json.string()});
  EXPECT_EQ(said.status, 2);
  j = nlohmann::json::parse(GetFile(json));
  EXPECT_EQ(j["state"], "cannot_judge");
  EXPECT_EQ(j["exit_status"], 2);

  said = VerifyWith({"--dir", f.Dir(), "--json", (f.folder / "no" / "such.json").string()});
  EXPECT_EQ(said.status, 2);
  EXPECT_EQ(said.out, "");
}

TEST(Verify, IsASubcommandOfMesslaufWithTheUsersSeparator) {
  Folder f(40);
  const testing::Result r =
      testing::Messlauf(f.folder, "verify --check-threads 2", "de_DE.UTF-8");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Alle Lösungen korrekt\nErgebnisse: ", 0), 0u) << r.out;
  EXPECT_TRUE(std::regex_search(r.out, std::regex("\nPrüfzeit: [0-9]+,[0-9]+ s, 2 Threads\n")))
      << r.out;
}

}  // namespace
}  // namespace runner
