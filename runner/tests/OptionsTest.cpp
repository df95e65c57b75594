// The command line checked into a plan: every refusal before anything runs.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>

#include "MesslaufHelpers.h"
#include "Options.h"

namespace runner {
namespace {

using testing::Has;
using testing::Messlauf;
using testing::Result;
using testing::Script;
using testing::TempFolder;

ParsedOptions Parse(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "Messlauf");
  std::vector<const char*> argv;
  for (const std::string& a : arguments) argv.push_back(a.c_str());
  return ParseOptions(static_cast<int>(argv.size()), argv.data(), "/bin/true");
}

TEST(Options, AnExportThatCannotBeWrittenIsRefusedBeforeAnythingRuns) {
  TempFolder folder;
  for (const char* option : {"--json", "--markdown", "--csv", "--plot", "--html"}) {
    const ParsedOptions parsed = Parse({option, "/nonexistent-dir/x.out"});
    EXPECT_FALSE(parsed.Plan) << option;
    EXPECT_EQ(parsed.ExitStatus, 2);
    EXPECT_TRUE(Has(parsed.Error, "/nonexistent-dir")) << parsed.Error;
  }
  EXPECT_FALSE(Parse({"--json", folder.Path().string()}).Plan);  // a folder is no file
  EXPECT_TRUE(Parse({"--json", (folder / "x.json").string()}).Plan);

  // The whole program: at once, and the work folder is not even made.
  const auto started = std::chrono::steady_clock::now();
  const Result r = Messlauf(folder, "--count 500000 --dir w --json /nonexistent-dir/x.json");
  const double took =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_EQ(r.status, 2);
  EXPECT_LT(took, 1);
  EXPECT_FALSE(std::filesystem::exists(folder / "w"));
  EXPECT_TRUE(Has(r.err, "Messlauf: ")) << r.err;
}

TEST(Options, SolversAndCollectionsAreCheckedBeforehand) {
  TempFolder folder;
  const std::string notExecutable = (folder / "plain").string();
  testing::PutFile(notExecutable, "#!/bin/sh\n");
  ParsedOptions parsed = Parse({"--solver", "/no/such/solver"});
  EXPECT_EQ(parsed.Error,
            "Messlauf: Der Löser solver (/no/such/solver) lässt sich nicht starten: die Datei gibt "
            "es nicht.\n");
  parsed = Parse({"--solver", "x=" + notExecutable});
  EXPECT_TRUE(Has(parsed.Error, "Der Löser x (" + notExecutable +
                                    ") lässt sich nicht starten: "
                                    "die Datei ist kein ausführbares Programm."))
      << parsed.Error;
  parsed = Parse({"--puzzles", (folder / "fehlt.txt").string()});
  EXPECT_TRUE(Has(parsed.Error, "fehlt.txt kann nicht gelesen werden")) << parsed.Error;
  parsed = Parse({"--prepare", "--count", "3"});  // no solver runs: none is checked
  ASSERT_TRUE(parsed.Plan);
  EXPECT_TRUE(parsed.Plan->PrepareOnly);
  ASSERT_EQ(parsed.Plan->Sources.size(), 1u);  // the generated set
  EXPECT_EQ(parsed.Plan->Sources[0].Count, 3);
  EXPECT_TRUE(parsed.Plan->Sources[0].Collection.empty());
}

TEST(Options, EveryCollectionIsASetOfItsOwnAFolderGivesItsTextFilesInNameOrder) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "sammlungen");
  for (const char* name : {"b.txt", "a.txt", "liesmich.md"}) {
    testing::PutFile(folder / "sammlungen" / name, "x\n");
  }
  testing::PutFile(folder / "a.txt", "x\n");
  const ParsedOptions parsed = Parse({"--puzzles", (folder / "sammlungen").string(), "--puzzles",
                                      (folder / "a.txt").string(), "--puzzles",
                                      "eigen=" + (folder / "a.txt").string(), "--count", "7"});
  ASSERT_TRUE(parsed.Plan) << parsed.Error;
  std::vector<std::string> names;
  for (const PuzzleSource& s : parsed.Plan->Sources) {
    names.push_back(s.Name);
    EXPECT_EQ(s.Count, 7);  // --count limits each set
  }
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "a (2)", "eigen"}));
  EXPECT_EQ(parsed.Plan->Sources[1].Collection, folder / "sammlungen" / "b.txt");
  std::filesystem::create_directory(folder / "leer");
  EXPECT_TRUE(
      Has(Parse({"--puzzles", (folder / "leer").string()}).Error, "liegt keine Sammlung (*.txt)"));
  EXPECT_TRUE(Has(Parse({"--prepare", "--puzzles", (folder / "sammlungen").string()}).Error,
                  "genau eine Sammlung"));
}

TEST(Options, TheHelpAndTheRefusalsAreGermanThroughout) {
  const ParsedOptions help = Parse({"--help"});
  EXPECT_EQ(help.ExitStatus, 0);
  EXPECT_FALSE(help.Plan);
  EXPECT_TRUE(Has(help.Output, "Aufruf: Messlauf [OPTIONEN]")) << help.Output;
  EXPECT_TRUE(Has(help.Output, "Zeigt diese Hilfe und endet"));
  for (const char* english : {"Usage", "Options", "OPTIONS", "Print", "help message", "TEXT", "INT",
                              "FLOAT", "POSITIVE", "REQUIRED", "Excludes", "Needs"}) {
    EXPECT_FALSE(std::regex_search(help.Output, std::regex(std::string("\\b") + english + "\\b")))
        << english << " in\n"
        << help.Output;
  }
  EXPECT_EQ(Parse({"--count", "abc"}).Error,
            "Messlauf: Ungültiger Wert für --count: „abc“\nHilfe: Messlauf --help\n");
  EXPECT_EQ(Parse({"--json"}).Error,
            "Messlauf: Zu --json fehlt ein Wert.\nHilfe: Messlauf --help\n");
  EXPECT_EQ(Parse({"--frobnicate"}).Error,
            "Messlauf: Unbekannte Angabe: --frobnicate\nHilfe: Messlauf --help\n");
}

TEST(Options, ComparingAndJudgingOptionsThatDoNotFitAreRefused) {
  const auto refused = [](std::initializer_list<const char*> arguments, const char* why) {
    const ParsedOptions parsed = Parse({arguments.begin(), arguments.end()});
    EXPECT_EQ(parsed.ExitStatus, 2) << why;
    EXPECT_TRUE(Has(parsed.Error, why)) << parsed.Error;
  };
  refused({"--check-threads", "0"}, "--check-threads braucht eine Zahl von 1 bis 256.");
  refused({"--noise", "50"}, "--noise braucht");
  refused({"--fail-on-regression"}, "--fail-on-regression braucht --baseline");
  refused({"--fail-on-regression", "--baseline", "v1"}, "braucht --repeat 5 oder mehr");  // 1 by default
  refused({"--baseline", "latest", "--no-store"}, "--baseline passt nicht zu --no-store");
  refused({"--save-baseline", "12"}, "weder „latest“ noch eine Zahl");
  refused({"--prepare", "--check-threads", "2"}, "--check-threads passt nicht zu --prepare");
  const ParsedOptions parsed = Parse({"--noise", "2.5", "--check-threads", "3", "--no-store"});
  ASSERT_TRUE(parsed.Plan) << parsed.Error;
  EXPECT_EQ(parsed.Plan->Settings.NoisePercent, 2.5);
  EXPECT_EQ(parsed.Plan->Settings.CheckThreads, 3);
  EXPECT_FALSE(parsed.Plan->Store);
  EXPECT_GE(Parse({"--no-store"}).Plan->Settings.CheckThreads, 1);  // the CPUs it may use
}

TEST(Options, CountsPathsAndTheVersionAsAUserExpectsThem) {
  TempFolder folder;
  const auto refused = [](std::vector<std::string> arguments, const std::string& why) {
    const ParsedOptions parsed = Parse(arguments);
    EXPECT_FALSE(parsed.Plan) << why;
    EXPECT_TRUE(Has(parsed.Error, why)) << parsed.Error;
  };
  refused({"--count", "0"}, "--count braucht eine Zahl ab 1.");  // not one puzzle, quietly
  refused({"--count", "-5", "--prepare"}, "--count braucht eine Zahl ab 1.");
  for (const char* option : {"--json", "--csv", "--html", "--store", "--dir"}) {
    refused({option, ""}, std::string(option) + " braucht einen Namen, keinen leeren Text.");
  }
  const std::string same = (folder / "x.json").string();
  refused({"--json", same, "--csv", same}, "--json und --csv nennen dieselbe Datei");
  refused({"--html", same, "--store", (folder.Path() / "." / "x.json").string()},
          "--html und --store nennen dieselbe Datei");
  // An explicit store is refused like an export when its folder is missing; none is made.
  refused({"--store", (folder / "fehlt" / "s.sqlite").string()}, "existiert nicht");
  EXPECT_FALSE(std::filesystem::exists(folder / "fehlt"));

  const ParsedOptions version = Parse({"--version"});
  EXPECT_EQ(version.ExitStatus, 0);
  EXPECT_FALSE(version.Plan);
  EXPECT_TRUE(std::regex_match(version.Output,
                               std::regex("Messlauf [0-9.]+(, Commit [0-9a-f]{12}( mit Änderungen)?)?\n")))
      << version.Output;
}

TEST(History, ItsHelpAndRefusalsAreGermanToo) {
  TempFolder folder;
  const Result help = Messlauf(folder, "history --help");
  EXPECT_TRUE(Has(help.out, "[BEFEHL]")) << help.out;
  EXPECT_TRUE(Has(help.out, "Befehle:")) << help.out;
  EXPECT_FALSE(std::regex_search(help.out, std::regex("SUBCOMMAND|Subcommands"))) << help.out;
  const Result import = Messlauf(folder, "history import");
  EXPECT_EQ(import.status, 2);
  EXPECT_TRUE(Has(import.err, "Messlauf history: Es fehlt die Angabe DATEI.")) << import.err;
}

}  // namespace
}  // namespace runner
