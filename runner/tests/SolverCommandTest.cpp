// Solvers named on the command line: words as a shell splits them, the program found as a shell
// finds it, and the files among the words that make a new version.
#include <gtest/gtest.h>

#include "MesslaufHelpers.h"
#include "Options.h"
#include "SolverCommand.h"

namespace runner {
namespace {

using testing::Script;
using testing::TempFolder;
using Words = std::vector<std::string>;

Words Split(const std::string& text) {
  auto split = SplitWords(text);
  if (auto* why = std::get_if<std::string>(&split)) return {"FEHLER: " + *why};
  return std::get<Words>(split);
}

TEST(SolverCommand, SplitsAsAShellDoesAndJoinsBackTheSame) {
  EXPECT_EQ(Split("  python3   x.py\t--mode=fast "), (Words{"python3", "x.py", "--mode=fast"}));
  EXPECT_EQ(Split("'/a b/c d' \"e f\" g\\ h"), (Words{"/a b/c d", "e f", "g h"}));
  EXPECT_EQ(Split("a'b'\"c\"d"), (Words{"abcd"}));
  EXPECT_EQ(Split("'it\\'s"), (Words{"it\\s"}));  // no escape inside single quotes
  EXPECT_EQ(Split("a 'offen"), (Words{"FEHLER: Im Befehl fehlt das schließende einfache "
                                      "Anführungszeichen (')."}));
  // Inside double quotes a backslash keeps only $ ` " \ and the line end.
  EXPECT_EQ(Split("\"a\\\"b\\n\\\\\""), (Words{"a\"b\\n\\"}));
  EXPECT_EQ(Split("'' \"\""), (Words{"", ""}));
  EXPECT_EQ(Split("x \\"), (Words{"FEHLER: Der Befehl endet mit einem Rückstrich."}));
  EXPECT_EQ(Split("\"offen"), (Words{"FEHLER: Im Befehl fehlt das schließende doppelte "
                                     "Anführungszeichen (\")."}));
  EXPECT_EQ(Split(" \t "), Words{});

  for (const Words& words : {Words{"a", "b c", "it's", "", "$HOME", "x\"y", "--n=1"}}) {
    EXPECT_EQ(Split(JoinWords(words)), words) << JoinWords(words);
  }
  EXPECT_EQ(JoinWords({"/bin/prog", "--limit=2", "a b"}), "/bin/prog --limit=2 'a b'");
}

TEST(SolverCommand, ANameIsTheTextBeforeTheFirstEqualsWithoutBlankOrSlash) {
  using Pair = std::pair<std::string, std::string>;
  EXPECT_EQ(NameAndCommand("Q=python3 x.py"), (Pair{"Q", "python3 x.py"}));
  EXPECT_EQ(NameAndCommand("python3 x.py --mode=fast"), (Pair{"", "python3 x.py --mode=fast"}));
  EXPECT_EQ(NameAndCommand("./a=b"), (Pair{"", "./a=b"}));
  EXPECT_EQ(NameAndCommand("=x"), (Pair{"", "=x"}));
  EXPECT_EQ(NameAndCommand("schnell=Quadrin"), (Pair{"schnell", "Quadrin"}));
}

TEST(SolverCommand, TheProgramIsFoundHereOrOnThePathAndFileWordsBecomeInputs) {
  TempFolder caller, tools;
  Script(tools, "solve", "true");
  Script(caller, "local", "true");
  testing::PutFile(caller / "solver.py", "print()\n");
  std::filesystem::create_directories(caller / "with blank");
  Script(caller, "with blank/prog", "true");
  const Surroundings around{caller.Path(), "/nonexistent:" + tools.Path().string()};
  auto take = [&](const std::string& argument) {
    return TakeSolver(argument, record::SolverKind::Lines, around, "--line-solver");
  };

  auto taken = take("solve --fast solver.py missing.txt");
  ASSERT_TRUE(std::holds_alternative<record::Solver>(taken)) << std::get<std::string>(taken);
  const auto& onPath = std::get<record::Solver>(taken);
  EXPECT_EQ(onPath.Name, "solve");
  EXPECT_EQ(onPath.Program, tools / "solve");
  EXPECT_EQ(onPath.Kind, record::SolverKind::Lines);
  EXPECT_EQ(onPath.Command, (Words{(tools / "solve").string(), "--fast",
                                   (caller / "solver.py").string(), "missing.txt"}));
  ASSERT_EQ(onPath.Inputs.size(), 1u);
  EXPECT_EQ(onPath.Inputs[0].Path, caller / "solver.py");

  // A file of the caller's folder comes before the search path, and quotes keep blanks.
  taken = take("L='with blank/prog' 1");
  ASSERT_TRUE(std::holds_alternative<record::Solver>(taken));
  EXPECT_EQ(std::get<record::Solver>(taken).Name, "L");
  EXPECT_EQ(std::get<record::Solver>(taken).Program, caller / "with blank/prog");
  // The whole text naming a file is that program, unquoted blanks and all.
  taken = take("with blank/prog");
  ASSERT_TRUE(std::holds_alternative<record::Solver>(taken));
  EXPECT_EQ(std::get<record::Solver>(taken).Command, Words{(caller / "with blank/prog").string()});
  EXPECT_EQ(std::get<record::Solver>(take("local")).Program, caller / "local");

  taken = take("nirgends x");
  ASSERT_TRUE(std::holds_alternative<std::string>(taken));
  EXPECT_EQ(std::get<std::string>(taken),
            "Der Löser nirgends lässt sich nicht starten: das Programm „nirgends“ gibt es weder im "
            "aktuellen Ordner noch in einem Ordner von PATH.");
  EXPECT_EQ(std::get<std::string>(take("N=")), "Zu --line-solver N= fehlt der Befehl des Programms.");
  EXPECT_EQ(std::get<std::string>(take("solve 'x")),
            "--line-solver solve 'x: Im Befehl fehlt das schließende einfache Anführungszeichen "
            "(').");
}

TEST(SolverCommand, TheVersionFollowsTheProgramAndEveryInput) {
  record::Solver solver;
  solver.ProgramSha256 = std::string(64, 'a');
  EXPECT_EQ(VersionDigest(solver), solver.ProgramSha256);  // as runs stored before inputs
  solver.Inputs = {{"/x/a.py", std::string(64, 'b')}};
  const std::string one = VersionDigest(solver);
  EXPECT_EQ(one.size(), 64u);
  EXPECT_NE(one, solver.ProgramSha256);
  solver.Inputs[0].Sha256[0] = 'c';
  EXPECT_NE(VersionDigest(solver), one);
}

TEST(SolverCommand, SolversOfBothKindsKeepTheOrderOfTheCommandLine) {
  TempFolder folder;
  const std::string a = Script(folder, "a", "true"), b = Script(folder, "b", "true");
  std::vector<std::string> arguments{"Messlauf",     "--line-solver", a,          "--solver",
                                     b,              "--line-solver", "a=" + b,   "--no-store"};
  std::vector<const char*> argv;
  for (const std::string& word : arguments) argv.push_back(word.c_str());
  const ParsedOptions parsed =
      ParseOptions(static_cast<int>(argv.size()), argv.data(), "/bin/true");
  ASSERT_TRUE(parsed.Plan) << parsed.Error;
  const auto& solvers = parsed.Plan->Solvers;
  ASSERT_EQ(solvers.size(), 3u);
  EXPECT_EQ(solvers[0].Name, "a");
  EXPECT_EQ(solvers[0].Kind, record::SolverKind::Lines);
  EXPECT_EQ(solvers[1].Name, "b");
  EXPECT_EQ(solvers[1].Kind, record::SolverKind::Program);
  EXPECT_EQ(solvers[2].Name, "a (2)");
  EXPECT_EQ(solvers[2].Program, b);
}

}  // namespace
}  // namespace runner
