#include "Options.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "BuildSudokus.h"
#include "CliGerman.h"
#include "ExportFiles.h"
#include "FileError.h"
#include "FileNames.h"
#include "LibrarySolver.h"
#include "MachineContext.h"
#include "ParallelJudge.h"
#include "Process.h"
#include "ResultsStore.h"
#include "SolverCommand.h"

namespace runner {
namespace {

// The values as the command line gives them, before they are checked.
struct Given {
  std::string Folder = "run", Json, Markdown, Csv, Plot, Html, Store, SaveBaseline, Baseline;
  std::optional<double> Noise;
  std::optional<int> CheckThreads;
  std::vector<std::string> Solvers, LineSolvers, Libraries, Puzzles;
  // Which solver option each solver came from, in the order of the command line.
  std::vector<record::SolverKind> SolverOrder;
  std::optional<std::int32_t> Seed, Count;
  std::optional<double> Timeout;
  std::optional<int> Pin;
  int Repeat = 1, Warmup = 0;
  bool PrepareOnly = false, NoStore = false, FailOnRegression = false;
};

// The default noise threshold as the help shows it.
std::string NoiseDefault() {
  std::ostringstream text;
  text << record::Settings().NoisePercent;
  return text.str();
}

// What is measured: the puzzles, the folder and the solvers.
void DeclareWhat(CLI::App& app, Given& g) {
  app.add_option("--count", g.Count,
                 "Anzahl der SUDOKUs (Vorgabe: 500000; mit --puzzles alle der Datei, sonst die "
                 "ersten N jeder Sammlung)")
      ->type_name("N");
  app.add_option("--seed", g.Seed,
                 "Startzahl des Zufallsgenerators (Vorgabe: mit --baseline die der Basis, sonst "
                 "die Tageszeit in Sekunden)")
      ->type_name("N");
  app.add_option("--puzzles", g.Puzzles,
                 "Nimmt die Rätsel aus dieser Sammlung (ein Rätsel je Zeile, 81 Zeichen, . oder 0 "
                 "für leere Felder) statt sie zu erzeugen; als DATEI, NAME=DATEI oder ORDNER (jede "
                 "*.txt darin). Mehrfach angegeben: jede Sammlung ein Satz für sich, nacheinander")
      ->type_name("DATEI")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--dir", g.Folder,
                 "Arbeitsordner für IN.TXT, Start.txt und OUT.TXT (Vorgabe: run)")
      ->type_name("ORDNER");
  app.add_option("--solver", g.Solvers,
                 "Ein gemessenes Programm, als BEFEHL oder NAME=BEFEHL (Wörter wie in der Shell, "
                 "ohne Shell ausgeführt); es liest IN.TXT und schreibt OUT.TXT in seinem Ordner. "
                 "Mehrfach angegeben: alle im Vergleich, reihum (Vorgabe: Quadrin neben Messlauf)")
      ->type_name("BEFEHL")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--line-solver", g.LineSolvers,
                 "Ein gemessener Löser, der ein Rätsel je Zeile von der Standardeingabe liest (81 "
                 "Zeichen, . für leere Felder) und je Rätsel eine Zeile ANZAHL:LÖSUNG oder "
                 "RÄTSEL:ANZAHL:LÖSUNG ausgibt; als BEFEHL oder NAME=BEFEHL, mehrfach möglich")
      ->type_name("BEFEHL")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--library", g.Libraries,
                 "Eine gemessene Bibliothek, als [NAME=]DATEI:FUNKTION[:KONFIGURATION]: Gastgeber "
                 "ruft size_t FUNKTION(const char *puzzle, size_t limit, uint32_t configuration, "
                 "char *solution, size_t *guesses) in seinem eigenen Prozess für jedes Rätsel auf; "
                 "mehrfach möglich")
      ->type_name("BIBLIOTHEK")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

// How it is measured and judged.
void DeclareHow(CLI::App& app, Given& g) {
  app.add_option("--repeat", g.Repeat,
                 "Gemessene Runden, 1 bis 1000 (jeder Löser einmal je Runde; Vorgabe: 1)")
      ->type_name("N");
  app.add_option("--warmup", g.Warmup,
                 "Runden vorher, die nicht gemessen, aber geprüft werden, 0 bis 1000 (Vorgabe: 0)")
      ->type_name("N");
  app.add_option("--timeout", g.Timeout,
                 "Zeitgrenze je Lauf eines Lösers in Sekunden; wer sie überschreitet, wird beendet "
                 "und zählt als gescheitert")
      ->type_name("SEKUNDEN");
  app.add_option("--check-threads", g.CheckThreads,
                 "Threads, die jede OUT.TXT prüfen, 1 bis 256 (Vorgabe: die Prozessoren, auf "
                 "denen Messlauf laufen darf; 1 prüft wie Check)")
      ->type_name("N");
  app.add_option("--pin", g.Pin, "Lässt die Löser auf diesem logischen Prozessor laufen (0, 1, …)")
      ->type_name("PROZESSOR");
}

// What is kept of it: the reports, the store, the comparisons with earlier runs, or with
// --prepare only IN.TXT.
void DeclareKept(CLI::App& app, Given& g) {
  app.add_option("--json", g.Json, "Schreibt den Bericht zusätzlich als JSON in diese Datei")
      ->type_name("DATEI");
  app.add_option("--markdown", g.Markdown,
                 "Schreibt den Vergleich als Markdown-Tabelle in diese Datei")
      ->type_name("DATEI");
  app.add_option("--csv", g.Csv, "Schreibt jeden Lauf als Zeile einer CSV-Datei in diese Datei")
      ->type_name("DATEI");
  app.add_option("--plot", g.Plot, "Zeichnet jeden gemessenen Lauf in dieses PNG-Bild")
      ->type_name("DATEI");
  app.add_option("--html", g.Html,
                 "Schreibt den Bericht mit seinen Bildern als eine HTML-Seite in diese Datei")
      ->type_name("DATEI");
  app.add_option("--store", g.Store,
                 "Speichert den Lauf in diesem Ergebnisspeicher (Vorgabe: "
                 "$XDG_DATA_HOME/sudoku-messkit/results.sqlite)")
      ->type_name("DATEI");
  app.add_flag("--no-store", g.NoStore, "Speichert den Lauf nicht");
  app.add_option("--save-baseline", g.SaveBaseline,
                 "Speichert den Lauf unter diesem Namen, als Basis für spätere Vergleiche")
      ->type_name("NAME");
  app.add_option("--baseline", g.Baseline,
                 "Vergleicht jeden Löser und Satz mit einem gespeicherten Lauf: latest (der letzte "
                 "dieses Rechners mit Löser und Satz), ein Name (--save-baseline) oder eine Nummer "
                 "aus history")
      ->type_name("BEZUG");
  app.add_option(
         "--noise", g.Noise,
         "Unterschiede unter so vielen Prozent gelten als Rauschen des Rechners (Vorgabe: " +
             NoiseDefault() + ")")
      ->type_name("PROZENT");
  app.add_flag("--fail-on-regression", g.FailOnRegression,
               "Endet mit Status 3, wenn ein Vergleich mit der Basis „langsamer“ ergibt");
  app.add_flag("--prepare", g.PrepareOnly,
               "Schreibt nur IN.TXT in den Arbeitsordner, für Start, Quadrin, Ende und Check von "
               "Hand");
}

void Declare(CLI::App& app, Given& g) {
  Germanize(app);
  DeclareWhat(app, g);
  DeclareHow(app, g);
  DeclareKept(app, g);
}

// A combination of options or a value that makes no sense, in German.
std::optional<std::string> Conflict(const CLI::App& app, const Given& g) {
  if (g.Repeat < 1 || g.Repeat > 1000) return "--repeat braucht eine Zahl von 1 bis 1000.";
  if (g.Warmup < 0 || g.Warmup > 1000) return "--warmup braucht eine Zahl von 0 bis 1000.";
  if (g.Timeout && !(*g.Timeout > 0)) return "--timeout braucht eine Zahl von Sekunden über 0.";
  if (app.count("--puzzles") && app.count("--seed")) {
    return "--seed passt nicht zu --puzzles: die Rätsel kommen dann aus der Datei, nicht vom "
           "Generator.";
  }
  if (!g.Puzzles.empty() && g.Count && *g.Count < 1) {
    return "Mit --puzzles braucht --count eine Zahl ab 1.";
  }
  if (g.Count && *g.Count < 1) return "--count braucht eine Zahl ab 1.";
  for (const char* option :
       {"--dir", "--json", "--markdown", "--csv", "--plot", "--html", "--store"}) {
    if (app.count(option) && app[option]->as<std::string>().empty()) {
      return std::string(option) + " braucht einen Namen, keinen leeren Text.";
    }
  }
  if (app.count("--store") && g.NoStore) return "--store passt nicht zu --no-store.";
  for (const char* option : {"--save-baseline", "--baseline"}) {
    if (app.count(option) && g.NoStore) {
      return std::string(option) + " passt nicht zu --no-store: es braucht den Ergebnisspeicher.";
    }
  }
  if (app.count("--save-baseline") &&
      (g.SaveBaseline.empty() || g.SaveBaseline == "latest" ||
       g.SaveBaseline.find_first_not_of("0123456789") == std::string::npos)) {
    return "--save-baseline braucht einen Namen, der weder „latest“ noch eine Zahl ist.";
  }
  if (app.count("--baseline") && g.Baseline.empty()) {
    return "--baseline braucht latest, einen Namen oder die Nummer eines Laufs.";
  }
  if (g.FailOnRegression && !app.count("--baseline")) {
    return "--fail-on-regression braucht --baseline: ohne Basis gibt es nichts zu vergleichen.";
  }
  if (g.FailOnRegression && g.Repeat < record::FewestBaselineRuns) {
    return "--fail-on-regression braucht --repeat " + std::to_string(record::FewestBaselineRuns) +
           " oder mehr: mit weniger Runden ist kein Vergleich entschieden, und ein Tor, das nichts "
           "verglichen hat, ist nicht bestanden.";
  }
  if (g.CheckThreads && (*g.CheckThreads < 1 || *g.CheckThreads > 256)) {
    return "--check-threads braucht eine Zahl von 1 bis 256.";
  }
  if (g.Noise && !(*g.Noise >= 0 && *g.Noise < 50)) {
    return "--noise braucht eine Zahl von Prozent von 0 bis unter 50.";
  }
  if (app.count("--prepare")) {
    for (const char* option :
         {"--solver", "--line-solver", "--library", "--repeat", "--warmup", "--timeout", "--pin",
          "--json", "--markdown", "--csv", "--plot", "--html", "--store", "--save-baseline",
          "--baseline", "--noise", "--fail-on-regression", "--check-threads"}) {
      if (app.count(option)) {
        return std::string(option) + " passt nicht zu --prepare: es läuft dann kein Löser.";
      }
    }
  }
  return std::nullopt;
}

// "NAME=PATH" or a plain path; a "=" after a "/" belongs to the path.
std::pair<std::string, std::string> NamedArgument(const std::string& argument) {
  const std::size_t equals = argument.find('=');
  if (equals == std::string::npos || argument.find('/') < equals) return {"", argument};
  return {argument.substr(0, equals), argument.substr(equals + 1)};
}

// Why a solver's program cannot be started, as a German sentence; nothing when it can.
std::optional<std::string> CannotStart(const record::Solver& solver) {
  std::error_code error;
  const auto status = std::filesystem::status(solver.Program, error);
  const std::string who = "Der Löser " + solver.Name + " (" + solver.Program.string() + ")";
  if (!std::filesystem::exists(status)) {
    return who + " lässt sich nicht starten: die Datei gibt es nicht.";
  }
  if (!std::filesystem::is_regular_file(status) || ::access(solver.Program.c_str(), X_OK) != 0) {
    return who + " lässt sich nicht starten: die Datei ist kein ausführbares Programm.";
  }
  return std::nullopt;
}

// A library solver as --library names it: its file made absolute from the caller's folder (so
// that the loader looks nowhere else), run by `host`; or why it is refused.
std::variant<record::Solver, std::string> TakeLibrary(const std::string& argument,
                                                      const Surroundings& around,
                                                      const std::filesystem::path& host) {
  auto parsed = ParseLibrary(argument);
  if (auto* why = std::get_if<std::string>(&parsed)) return *why;
  const LibraryNaming& naming = std::get<LibraryNaming>(parsed);
  record::Solver solver;
  solver.Name = naming.Name;
  solver.Kind = record::SolverKind::Library;
  solver.Program = host;
  solver.Command = {host.string()};
  solver.Library = (around.CallerFolder / naming.File).lexically_normal();
  solver.Function = naming.Function;
  solver.Configuration = naming.Configuration;
  return solver;
}

// The solvers in the order of the command line, with their names, programs and file words made
// absolute; or why one is refused.
std::optional<std::string> TakeSolvers(const Given& g, const std::filesystem::path& defaultSolver,
                                       Plan& plan) {
  // The host of every library, installed beside the default solver.
  const std::filesystem::path host =
      std::filesystem::absolute(defaultSolver).parent_path() / "Gastgeber";
  const char* home = std::getenv("PATH");
  const Surroundings around{std::filesystem::current_path(), home ? home : ""};
  std::size_t programs = 0, lines = 0, libraries = 0;
  std::vector<record::Solver> solvers;
  for (const record::SolverKind kind : g.SolverOrder) {
    if (kind == record::SolverKind::Library) {
      auto taken = TakeLibrary(g.Libraries[libraries++], around, host);
      if (auto* why = std::get_if<std::string>(&taken)) return *why;
      solvers.push_back(std::get<record::Solver>(std::move(taken)));
      continue;
    }
    const bool isLines = kind == record::SolverKind::Lines;
    const std::string& argument = isLines ? g.LineSolvers[lines++] : g.Solvers[programs++];
    auto taken = TakeSolver(argument, kind, around, isLines ? "--line-solver" : "--solver");
    if (auto* why = std::get_if<std::string>(&taken)) return *why;
    solvers.push_back(std::get<record::Solver>(std::move(taken)));
  }
  if (solvers.empty()) {
    record::Solver quadrin;
    quadrin.Name = defaultSolver.filename().string();
    quadrin.Program = std::filesystem::absolute(defaultSolver);
    quadrin.Command = {quadrin.Program.string()};
    solvers.push_back(std::move(quadrin));
  }
  std::vector<std::pair<std::string, std::string>> named;
  for (const record::Solver& solver : solvers) named.emplace_back(solver.Name, "");
  const auto unique = UniqueNames(named);
  for (std::size_t i = 0; i < solvers.size(); ++i) solvers[i].Name = unique[i].first;
  plan.Solvers = std::move(solvers);
  if (plan.PrepareOnly) return std::nullopt;
  for (const record::Solver& solver : plan.Solvers) {
    if (auto why = CannotStart(solver)) return why;
    if (solver.Kind != record::SolverKind::Library) continue;
    const LibraryNaming naming{solver.Name, solver.Library.string(), solver.Function,
                               solver.Configuration};
    if (auto why = ProbeLibrary(solver.Program, naming)) return why;
  }
  return std::nullopt;
}

// The collections of every --puzzles: a file, NAME=FILE, or a folder whose *.txt files are taken
// in name order; each a set of its own. Why one cannot be taken, or nothing.
std::optional<std::string> TakeSets(const Given& g, Plan& plan) {
  std::vector<std::pair<std::string, std::string>> named;
  for (const std::string& argument : g.Puzzles) {
    auto [name, path] = NamedArgument(argument);
    if (path.empty()) return "Zu --puzzles " + argument + " fehlt der Pfad der Sammlung.";
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
      if (::access(path.c_str(), R_OK) != 0) {
        return "Die Datei " + path + " kann nicht gelesen werden: " + kit::SystemErrorText(errno) +
               ".";
      }
      named.emplace_back(name.empty() ? std::filesystem::path(path).stem().string() : name, path);
      continue;
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
      if (entry.path().extension() == ".txt" && entry.is_regular_file()) {
        files.push_back(entry.path());
      }
    }
    if (files.empty()) return "Im Ordner " + path + " liegt keine Sammlung (*.txt).";
    std::sort(files.begin(), files.end());
    for (const auto& file : files) named.emplace_back(file.stem().string(), file.string());
  }
  const std::int32_t count = g.Count ? *g.Count : 0;
  for (const auto& [name, path] : UniqueNames(named)) {
    plan.Sources.push_back({name, path, 0, count});
  }
  return std::nullopt;
}

// Whether two paths name one file, also where one is relative or goes through a link.
bool SamePlace(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  return std::filesystem::weakly_canonical(std::filesystem::absolute(a), error) ==
         std::filesystem::weakly_canonical(std::filesystem::absolute(b), error);
}

// Why the collection cannot be read, or an export file cannot be written, or the CPU cannot be
// used; nothing when all is well.
std::optional<std::string> CheckPlaces(const Given& g, const Plan& plan) {
  const std::pair<const char*, std::filesystem::path> written[] = {
      {"--json", plan.Exports.Json}, {"--markdown", plan.Exports.Markdown},
      {"--csv", plan.Exports.Csv},   {"--plot", plan.Exports.Plot},
      {"--html", plan.Exports.Html}, {"--store", g.Store}};
  for (std::size_t i = 0; i < std::size(written); ++i) {
    const auto& [option, path] = written[i];
    if (path.empty()) continue;
    // An explicit store's folder is not made for it: a mistyped path must not grow folders.
    if (auto why = report::CannotWrite(path)) return why;
    for (std::size_t j = 0; j < i; ++j) {
      if (!written[j].second.empty() && SamePlace(written[j].second, path)) {
        return std::string(written[j].first) + " und " + option + " nennen dieselbe Datei " +
               kit::ShownPath(path) + "; die eine schriebe die andere über.";
      }
    }
  }
  if (g.Pin) {
    if (auto why = CannotPin(*g.Pin)) return "--pin " + std::to_string(*g.Pin) + ": " + *why;
  }
  return std::nullopt;
}

Plan MakePlan(const Given& g) {
  Plan plan;
  plan.Settings.Folder = g.Folder;
  plan.Settings.Repeat = g.Repeat;
  plan.Settings.Warmup = g.Warmup;
  plan.Settings.TimeoutSeconds = g.Timeout;
  plan.Settings.PinnedCpu = g.Pin;
  if (g.Puzzles.empty()) {
    plan.Sources.push_back(
        {"Build", {}, g.Seed ? *g.Seed : generator::ProposedSeed(), g.Count ? *g.Count : 500000});
  }
  plan.Exports = {g.Json, g.Markdown, g.Csv, g.Plot, g.Html};
  plan.PrepareOnly = g.PrepareOnly;
  if (!g.Store.empty()) plan.Store = std::filesystem::absolute(g.Store);
  plan.Settings.SaveBaseline = g.SaveBaseline;
  plan.Settings.FailOnRegression = g.FailOnRegression;
  if (g.Noise) plan.Settings.NoisePercent = *g.Noise;
  plan.Settings.CheckThreads = g.CheckThreads ? *g.CheckThreads : checker::UsableCpus();
  plan.Baseline = g.Baseline;
  plan.SeedGiven = g.Seed.has_value();
  plan.CountGiven = g.Count.has_value();
  return plan;
}

ParsedOptions Refused(const std::string& why, bool withHint) {
  ParsedOptions refused;
  refused.ExitStatus = 2;
  refused.Error = "Messlauf: " + why + "\n" + (withHint ? "Hilfe: Messlauf --help\n" : "");
  return refused;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> UniqueNames(
    const std::vector<std::pair<std::string, std::string>>& named) {
  std::vector<std::pair<std::string, std::string>> unique;
  auto taken = [&unique](const std::string& name) {
    return std::any_of(unique.begin(), unique.end(),
                       [&name](const auto& u) { return u.first == name; });
  };
  for (const auto& [name, path] : named) {
    std::string candidate = name;
    for (int n = 2; taken(candidate); ++n) candidate = name + " (" + std::to_string(n) + ")";
    unique.emplace_back(candidate, path);
  }
  return unique;
}

ParsedOptions ParseOptions(int argc, const char* const argv[],
                           const std::filesystem::path& defaultSolver) {
  Given given;
  CLI::App app{
      "Messlauf: erzeugt IN.TXT wie Build (oder nimmt die Rätsel aus einer Sammlung), misst einen "
      "oder mehrere Löser wie Start und Ende und prüft jede OUT.TXT wie Check.",
      "Messlauf"};
  Declare(app, given);
  app.set_version_flag("--version", VersionLine(),
                       "Zeigt Version und Commit des Messkits und endet");
  app.footer(
      "Gespeicherte Läufe: Messlauf history --help\nAntworten prüfen: Messlauf verify --help");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    ParsedOptions help;
    help.Output = app.help();
    return help;
  } catch (const CLI::CallForVersion&) {
    ParsedOptions version;
    version.Output = VersionLine() + "\n";
    return version;
  } catch (const CLI::ParseError& e) {
    return Refused(German(e), true);
  }
  for (const CLI::Option* option : app.parse_order()) {
    if (option->get_name() == "--solver") given.SolverOrder.push_back(record::SolverKind::Program);
    if (option->get_name() == "--line-solver") {
      given.SolverOrder.push_back(record::SolverKind::Lines);
    }
    if (option->get_name() == "--library") given.SolverOrder.push_back(record::SolverKind::Library);
  }
  if (const auto conflict = Conflict(app, given)) return Refused(*conflict, true);
  Plan plan = MakePlan(given);
  if (const auto why = TakeSolvers(given, defaultSolver, plan)) return Refused(*why, false);
  if (const auto why = TakeSets(given, plan)) return Refused(*why, false);
  if (plan.PrepareOnly && plan.Sources.size() > 1) {
    return Refused("--prepare schreibt ein IN.TXT: es braucht genau eine Sammlung.", true);
  }
  if (const auto why = CheckPlaces(given, plan)) return Refused(*why, false);
  if (!plan.Store && !given.NoStore && !plan.PrepareOnly) {
    try {
      plan.Store = store::DefaultStorePath();
    } catch (const kit::FileError& e) {
      return Refused(e.what(), false);
    }
  }
  ParsedOptions parsed;
  parsed.Plan = std::move(plan);
  return parsed;
}

}  // namespace runner
