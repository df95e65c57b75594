// Messlauf: one complete benchmark run with a report (./kit run).
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <QGuiApplication>
#include <QLocale>
#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>
#include <iostream>
#include <optional>

#include "BenchmarkRun.h"
#include "FileError.h"
#include "JsonReport.h"
#include "Plot.h"
#include "TableReports.h"
#include "TextReport.h"

namespace {

// The seed Build proposes: the local time of day in seconds, rounded.
std::int32_t TimeOfDaySeed() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const double fraction =
      std::chrono::duration<double>(now.time_since_epoch()).count() - static_cast<double>(seconds);
  return static_cast<std::int32_t>(
      std::lround(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + fraction));
}

// The decimal separator of the user's number settings, taken the way Ende takes it.
std::string UserDecimalSeparator() {
  return QLocale::system().decimalPoint().toStdString();
}

// The solver next to this program.
std::filesystem::path DefaultSolver() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path("Quadrin") : self.parent_path() / "Quadrin";
}

// CLI11 explains in English; the kit speaks German.
std::string German(const CLI::ParseError& e) {
  const std::string what = e.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&e))
    return "Unbekannte Angabe: " + what.substr(what.find(':') + 1);
  if (dynamic_cast<const CLI::ConversionError*>(&e) ||
      dynamic_cast<const CLI::ValidationError*>(&e)) {
    return "Ungültiger Wert: " + what;
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) return "Es fehlt ein Wert: " + what;
  return what;
}

// A combination of options that makes no sense, in German.
std::optional<std::string> Conflict(const CLI::App& app) {
  if (app.count("--puzzles") && app.count("--seed")) {
    return "--seed passt nicht zu --puzzles: die Rätsel kommen dann aus der Datei, nicht vom "
           "Generator.";
  }
  if (app.count("--prepare")) {
    for (const char* option : {"--solver", "--repeat", "--warmup", "--timeout", "--pin", "--json",
                               "--markdown", "--csv", "--plot"}) {
      if (app.count(option)) {
        return std::string(option) + " passt nicht zu --prepare: es läuft dann kein Löser.";
      }
    }
  }
  return std::nullopt;
}

// "NAME=PATH" or a plain path; a "=" after a "/" belongs to the path.
std::pair<std::string, std::string> SolverArgument(const std::string& argument) {
  const std::size_t equals = argument.find('=');
  if (equals == std::string::npos || argument.find('/') < equals) return {"", argument};
  return {argument.substr(0, equals), argument.substr(equals + 1)};
}

bool WriteFile(const std::string& path, const std::string& text, const char* what) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (out.flush()) return true;
  std::cerr << "Messlauf: " << what << " lässt sich nicht nach " << path << " schreiben.\n";
  return false;
}

// Draws the picture on Qt's offscreen platform, so that no display is needed. Qt's notes about
// the desktop it does not use (a missing XDG_RUNTIME_DIR and the like) would only confuse the
// report's reader, so they are dropped.
bool WritePlot(const runner::RunReport& report, const std::string& path, char* program) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  int argc = 1;
  char* argv[] = {program, nullptr};
  const QGuiApplication application(argc, argv);
  if (runner::DrawComparison(runner::PlotOf(report)).save(QString::fromStdString(path), "PNG")) {
    return true;
  }
  std::cerr << "Messlauf: Das Bild lässt sich nicht nach " << path << " schreiben.\n";
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  // First of all, so that the load average is the machine's own and not the run's.
  const runner::MachineContext context = runner::ReadMachineContext();
  runner::RunOptions options;
  std::string folder = "run", json, markdown, csv, plot, puzzles;
  std::vector<std::string> solvers;
  std::optional<std::int32_t> seed, count;
  std::optional<double> timeout;
  std::optional<int> pin;
  bool prepareOnly = false;

  CLI::App app{
      "Messlauf: erzeugt IN.TXT wie Build (oder nimmt die Rätsel aus einer Sammlung), misst einen "
      "oder mehrere Löser wie Start und Ende und prüft jede OUT.TXT wie Check.",
      "Messlauf"};
  app.option_defaults()->always_capture_default();
  app.add_option("--count", count,
                 "Anzahl der SUDOKUs (Vorgabe: 500000; mit --puzzles alle der Datei)");
  app.add_option("--seed", seed,
                 "Startzahl des Zufallsgenerators (Vorgabe: die Tageszeit in Sekunden)");
  app.add_option("--puzzles", puzzles,
                 "Nimmt die Rätsel aus dieser Sammlung (ein Rätsel je Zeile, 81 Zeichen, . oder 0 "
                 "für leere Felder) statt sie zu erzeugen");
  app.add_option("--dir", folder, "Arbeitsordner für IN.TXT, Start.txt und OUT.TXT");
  app.add_option("--solver", solvers,
                 "Ein gemessenes Programm, als PFAD oder NAME=PFAD; es liest IN.TXT und schreibt "
                 "OUT.TXT in seinem Ordner. Mehrfach angegeben: alle im Vergleich, reihum "
                 "(Vorgabe: Quadrin neben Messlauf)")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--repeat", options.Repeat, "Gemessene Runden (jeder Löser einmal je Runde)")
      ->check(CLI::Range(1, 1000));
  app.add_option("--warmup", options.Warmup,
                 "Runden vorher, die nicht gemessen, aber geprüft werden")
      ->check(CLI::Range(0, 1000));
  app.add_option("--timeout", timeout,
                 "Zeitgrenze je Lauf eines Lösers in Sekunden; wer sie überschreitet, wird beendet "
                 "und zählt als gescheitert")
      ->check(CLI::PositiveNumber);
  app.add_option("--pin", pin, "Lässt die Löser auf diesem logischen Prozessor laufen (0, 1, …)");
  app.add_option("--json", json, "Schreibt den Bericht zusätzlich als JSON in diese Datei");
  app.add_option("--markdown", markdown,
                 "Schreibt den Vergleich als Markdown-Tabelle in diese Datei");
  app.add_option("--csv", csv, "Schreibt jeden Lauf als Zeile einer CSV-Datei in diese Datei");
  app.add_option("--plot", plot, "Zeichnet jeden gemessenen Lauf in dieses PNG-Bild");
  app.add_flag("--prepare", prepareOnly,
               "Schreibt nur IN.TXT in den Arbeitsordner, für Start, Quadrin, Ende und Check von "
               "Hand");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "Messlauf: " << German(e) << "\nHilfe: Messlauf --help\n";
    return 2;
  }
  if (const auto conflict = Conflict(app)) {
    std::cerr << "Messlauf: " << *conflict << "\nHilfe: Messlauf --help\n";
    return 2;
  }
  if (!puzzles.empty() && count && *count < 1) {
    std::cerr
        << "Messlauf: Mit --puzzles braucht --count eine Zahl ab 1.\nHilfe: Messlauf --help\n";
    return 2;
  }

  std::vector<std::pair<std::string, std::string>> named;
  for (const std::string& argument : solvers) {
    auto [name, path] = SolverArgument(argument);
    if (path.empty()) {
      std::cerr << "Messlauf: Zu --solver " << argument << " fehlt der Pfad des Programms.\n";
      return 2;
    }
    named.emplace_back(name, std::filesystem::absolute(path).string());
  }
  if (named.empty()) named.emplace_back("", DefaultSolver().string());

  options.Source.Collection = puzzles;
  options.Source.Seed = seed ? *seed : TimeOfDaySeed();
  options.Source.Count = count ? *count : puzzles.empty() ? 500000 : 0;
  options.Folder = folder;
  options.Solvers = runner::NameSolvers(named);
  options.DecimalSeparator = UserDecimalSeparator();
  options.Limits.TimeoutSeconds = timeout;
  options.Limits.PinnedCpu = pin;
  if (pin) {
    if (const auto why = runner::CannotPin(*pin)) {
      std::cerr << "Messlauf: --pin " << *pin << ": " << *why << "\n";
      return 2;
    }
  }
  runner::TakeOverInterruptions();

  try {
    std::optional<runner::WorkFolderLock> lock;  // held to the end of the run
    const runner::PreparedPuzzles prepared =
        runner::PreparePuzzles(options.Source, options.Folder, lock);
    if (!prepared.Warning.empty()) std::cerr << "Messlauf: Warnung: " << prepared.Warning << "\n";
    if (prepareOnly) {
      std::cout << runner::FormatPrepared(options, prepared);
      return 0;
    }
    const runner::RunReport report = runner::PerformRun(options, prepared, context);
    std::cout << runner::FormatReport(report) << std::flush;
    for (const runner::SolverReport& solver : report.Solvers) {  // for logs and scripts as well
      if (solver.State == runner::SolverState::Failed)
        std::cerr << "Messlauf: " << solver.Failure << "\n";
    }
    bool written = true;
    if (!json.empty()) written &= WriteFile(json, runner::FormatJson(report), "Der JSON-Bericht");
    if (!markdown.empty()) {
      written &= WriteFile(markdown, runner::FormatMarkdown(report), "Die Markdown-Tabelle");
    }
    if (!csv.empty()) written &= WriteFile(csv, runner::FormatCsv(report), "Die CSV-Datei");
    if (!plot.empty()) written &= WritePlot(report, plot, argv[0]);
    return written ? runner::ExitStatus(report) : 2;
  } catch (const runner::Interrupted& e) {
    std::cerr << "\nMesslauf: " << e.what() << "\n";
    return 128 + e.Signal;  // as a shell reports a program ended by that signal
  } catch (const kit::FileError& e) {
    std::cerr << "Messlauf: " << e.what() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "Messlauf: " << e.what() << "\n";
  }
  return 2;
}
