#include "VerifyCommand.h"

#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

#include "CheckIt.h"
#include "CliGerman.h"
#include "ExportFiles.h"
#include "FileError.h"
#include "JsonText.h"
#include "LineAnswers.h"
#include "Numbers.h"
#include "ParallelJudge.h"
#include "PuzzleSource.h"

namespace runner {
namespace {

using Clock = std::chrono::steady_clock;

struct VerifyGiven {
  std::string Dir = ".";
  std::string Puzzles, Answers, Json;
  std::optional<int> Threads;
};

struct Verified {
  checker::CheckResult Result;
  double Seconds = 0;
};

// What is wrong with the command line beyond what CLI11 checks; nothing when it is fine.
std::optional<std::string> Refusal(const CLI::App& app, const VerifyGiven& g) {
  const bool puzzles = app.count("--puzzles") > 0, answers = app.count("--answers") > 0;
  if (puzzles != answers) {
    return puzzles ? "--puzzles braucht --answers: die Antwortzeilen zu den Rätseln."
                   : "--answers braucht --puzzles: die Sammlung, zu der die Antworten gehören.";
  }
  if (puzzles && app.count("--dir")) {
    return "--dir passt nicht zu --puzzles und --answers: geprüft wird entweder ein Ordner mit "
           "IN.TXT und OUT.TXT oder eine Sammlung mit Antwortzeilen.";
  }
  if (puzzles && (g.Puzzles.empty() || g.Answers.empty())) {
    return "--puzzles und --answers brauchen je einen Dateinamen.";
  }
  if (g.Threads && (*g.Threads < 1 || *g.Threads > 256)) {
    return "--check-threads braucht eine Zahl von 1 bis 256.";
  }
  return std::nullopt;
}

bool Always(std::int32_t) {
  return true;
}

// The verdict on IN.TXT and OUT.TXT of a folder; the time is the judging's alone.
Verified VerifyFolder(const VerifyGiven& g, checker::ParallelJudge& judge) {
  Verified v;
  const std::optional<kit::PuzzleText> puzzles = checker::LoadCheckedPuzzles(g.Dir, v.Result);
  if (!puzzles) return v;
  const auto started = Clock::now();
  v.Result = judge.CheckAnswers(*puzzles, g.Dir, Always);
  v.Seconds = std::chrono::duration<double>(Clock::now() - started).count();
  return v;
}

// The verdict on a file of answer lines against a collection, turned into the puzzle text the
// runner writes as IN.TXT for it.
Verified VerifyLines(const VerifyGiven& g, checker::ParallelJudge& judge) {
  Verified v;
  try {
    const CheckedSource checked = CheckSource(PuzzleSource{g.Puzzles, g.Puzzles, 0, 0});
    const kit::PuzzleText puzzles = CollectionText(checked);
    checker::AnswerLinesFile answers(g.Answers, g.Answers, checked.Count);
    const auto started = Clock::now();
    v.Result = judge.CheckAnswers(puzzles, answers, Always);
    v.Seconds = std::chrono::duration<double>(Clock::now() - started).count();
  } catch (const kit::FileError& e) {
    checker::SetCannotJudge(v.Result, e.what());
  } catch (const std::bad_alloc&) {
    checker::SetCannotJudge(v.Result, "Zu wenig Arbeitsspeicher, um " + g.Puzzles + " zu lesen.");
  }
  return v;
}

std::string KindName(checker::Verdict kind) {
  switch (kind) {
    case checker::Verdict::AllCorrect:
      return "correct";
    case checker::Verdict::Wrong:
      return "wrong";
    case checker::Verdict::Stopped:
      return "stopped";
    default:
      return "cannot_judge";
  }
}

std::string FormatJson(const VerifyGiven& g, const Verified& v, int threads, int status) {
  using Json = nlohmann::ordered_json;
  const checker::CheckResult& r = v.Result;
  const bool lines = !g.Puzzles.empty();
  Json json;
  json["puzzles"] = lines ? g.Puzzles : (std::filesystem::path(g.Dir) / kit::PuzzleFileName).string();
  json["answers"] = lines ? g.Answers : (std::filesystem::path(g.Dir) / kit::SolutionFileName).string();
  json["form"] = lines ? "lines" : "out_txt";
  json["state"] = KindName(r.Kind);
  json["verdict"] = report::json::Text(r.Message);
  json["number"] = r.Number;
  json["reason"] = report::json::Text(r.Reason);
  json["outcomes"] = {{"no_solution", r.Outcomes[0]}, {"one", r.Outcomes[1]},
                      {"several", r.Outcomes[2]}};
  json["check_seconds"] = v.Seconds;
  json["threads"] = threads;
  json["exit_status"] = status;
  return json.dump(2) + "\n";
}

// The options in German, bound to what was given.
void DescribeOptions(CLI::App& app, VerifyGiven& g) {
  Germanize(app);
  app.add_option("--dir", g.Dir, "Der Ordner mit IN.TXT und OUT.TXT (Vorgabe: der aktuelle)")
      ->type_name("ORDNER");
  app.add_option("--puzzles", g.Puzzles,
                 "Eine Sammlung, ein Rätsel je Zeile (wie bei run --puzzles); nur mit --answers")
      ->type_name("DATEI");
  app.add_option("--answers", g.Answers,
                 "Die Antwortzeilen eines Zeilenlösers zu dieser Sammlung, eine je Rätsel")
      ->type_name("DATEI");
  app.add_option("--check-threads", g.Threads,
                 "Threads, die prüfen, 1 bis 256 (Vorgabe: die Prozessoren, auf denen Messlauf "
                 "laufen darf; 1 prüft wie Check)")
      ->type_name("N");
  app.add_option("--json", g.Json, "Schreibt das Ergebnis zusätzlich als JSON in diese Datei")
      ->type_name("DATEI");
}

// Check's lines with the counts and the judging time; a verdict that could not be reached goes to
// standard error as Check's would. Returns the exit status.
int PrintVerdict(const Verified& v, int threads, const std::string& separator, std::ostream& out,
                 std::ostream& err) {
  const int status = checker::ExitStatus(v.Result.Kind);
  const checker::CheckResult& r = v.Result;
  if (status < 2) {
    out << checker::Announcement(r) << "Ergebnisse: " << r.Outcomes[0] << " ohne Lösung, "
        << r.Outcomes[1] << " eindeutig, " << r.Outcomes[2] << " mehrdeutig\n"
        << "Prüfzeit: " << report::PreciseSeconds(v.Seconds, separator) << " s, " << threads
        << (threads == 1 ? " Thread\n" : " Threads\n")
        << std::flush;
  } else {
    err << checker::Announcement(r) << std::flush;
  }
  return status;
}

}  // namespace

int Verify(int argc, const char* const argv[], std::ostream& out, std::ostream& err,
           const std::string& separator) {
  VerifyGiven g;
  CLI::App app{
      "Messlauf verify: prüft Antworten wie Check, auf mehreren Threads: IN.TXT und OUT.TXT eines "
      "Ordners, oder mit --puzzles und --answers die Antwortzeilen eines Zeilenlösers "
      "(ANZAHL:LÖSUNG oder RÄTSEL:ANZAHL:LÖSUNG je Rätsel) zu einer Sammlung. Status 0: alle "
      "Lösungen korrekt, 1: eine Antwort falsch, 2: eine Datei nicht lesbar.",
      "Messlauf verify"};
  DescribeOptions(app, g);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return 0;
  } catch (const CLI::ParseError& e) {
    err << "Messlauf verify: " << German(e) << "\nHilfe: Messlauf verify --help\n";
    return 2;
  }
  if (auto why = Refusal(app, g)) {
    err << "Messlauf verify: " << *why << "\nHilfe: Messlauf verify --help\n";
    return 2;
  }
  if (!g.Json.empty()) {  // before the judging, which may take a while
    if (auto why = report::CannotWrite(g.Json)) {
      err << "Messlauf verify: " << *why << "\n";
      return 2;
    }
  }
  const int threads = g.Threads ? *g.Threads : checker::UsableCpus();
  Verified v;
  {
    checker::ParallelJudge judge(threads);
    v = g.Puzzles.empty() ? VerifyFolder(g, judge) : VerifyLines(g, judge);
  }
  int status = PrintVerdict(v, threads, separator, out, err);
  if (!g.Json.empty()) {
    try {
      report::WriteTextFile(g.Json, FormatJson(g, v, threads, status), g.Json);
    } catch (const kit::FileError& e) {
      err << "Messlauf verify: " << e.what() << "\n";
      status = 2;
    }
  }
  return status;
}

}  // namespace runner
