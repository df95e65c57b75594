// Messlauf: one complete benchmark run with a report (./kit run).
#include <unistd.h>

#include <CLI/CLI.hpp>
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
    for (const char* option : {"--solver", "--repeat", "--json"}) {
      if (app.count(option)) {
        return std::string(option) + " passt nicht zu --prepare: es läuft dann kein Löser.";
      }
    }
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
  runner::RunOptions options;
  std::string folder = "run", solver, json, puzzles;
  std::optional<std::int32_t> seed, count;
  bool prepareOnly = false;

  CLI::App app{
      "Messlauf: erzeugt IN.TXT wie Build (oder nimmt die Rätsel aus einer Sammlung), misst den "
      "Löser wie Start und Ende und prüft OUT.TXT wie Check.",
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
  app.add_option("--solver", solver,
                 "Das gemessene Programm: liest IN.TXT und schreibt OUT.TXT in seinem Ordner "
                 "(Vorgabe: Quadrin neben Messlauf)");
  app.add_option("--repeat", options.Repeat,
                 "So oft läuft der Löser; berichtet Minimum, Median, Maximum")
      ->check(CLI::Range(1, 1000));
  app.add_option("--json", json, "Schreibt den Bericht zusätzlich als JSON in diese Datei");
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
    std::cerr << "Messlauf: Mit --puzzles braucht --count eine Zahl ab 1.\nHilfe: Messlauf --help\n";
    return 2;
  }

  options.Source.Collection = puzzles;
  options.Source.Seed = seed ? *seed : TimeOfDaySeed();
  options.Source.Count = count ? *count : puzzles.empty() ? 500000 : 0;
  options.Folder = folder;
  options.Solver = solver.empty() ? DefaultSolver() : std::filesystem::absolute(solver);
  options.DecimalSeparator = UserDecimalSeparator();

  try {
    const runner::PreparedPuzzles prepared = runner::PreparePuzzles(options.Source, options.Folder);
    if (!prepared.Warning.empty()) std::cerr << "Messlauf: Warnung: " << prepared.Warning << "\n";
    if (prepareOnly) {
      std::cout << runner::FormatPrepared(options, prepared);
      return 0;
    }
    const runner::RunReport report = runner::PerformRun(options, prepared);
    std::cout << runner::FormatReport(report);
    if (!json.empty()) {
      std::ofstream out(json, std::ios::binary | std::ios::trunc);
      out << runner::FormatJson(report);
      if (!out.flush()) {
        std::cerr << "Messlauf: Der JSON-Bericht lässt sich nicht nach " << json << " schreiben.\n";
        return 2;
      }
    }
    switch (report.Check.Kind) {
      case checker::Verdict::AllCorrect:
        return 0;
      case checker::Verdict::Wrong:
        return 1;
      default:
        return 2;
    }
  } catch (const runner::RunFailed& e) {
    std::cerr << "Messlauf: " << e.what() << "\n";
  } catch (const kit::FileError& e) {
    std::cerr << "Messlauf: " << e.what() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "Messlauf: " << e.what() << "\n";
  }
  return 2;
}
