#include "HistoryCommand.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <ostream>

#include "CliGerman.h"
#include "ExportFiles.h"
#include "HtmlReport.h"
#include "JsonReport.h"
#include "ResultsStore.h"

namespace runner {
namespace {

// A JSON report of a run is a few megabytes at most; anything far larger is no report.
constexpr std::streamsize MaxReportBytes = 256 << 20;

struct HistoryGiven {
  std::string Store, Plot, Html;
  record::HistoryFilter Filter;
  bool Json = false;
  std::vector<std::string> Imports;
};

// The whole file, also from a pipe (`<(ssh host cat r.json)`); at most MaxReportBytes.
std::string ReadReport(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw kit::FileError("Die Datei " + path +
                         " kann nicht gelesen werden: " + kit::SystemErrorText(errno) + ".");
  }
  std::string text;
  char piece[65536];
  while (in.read(piece, sizeof piece) || in.gcount() > 0) {
    text.append(piece, static_cast<std::size_t>(in.gcount()));
    if (static_cast<std::streamsize>(text.size()) > MaxReportBytes) {
      throw kit::FileError("Die Datei " + path + " ist zu groß für einen Bericht von Messlauf.");
    }
  }
  return text;
}

// Every report is read and checked before the first is stored: a refused file stores nothing.
int Import(const HistoryGiven& g, const std::filesystem::path& path, std::ostream& out) {
  std::vector<record::RunRecord> runs;
  for (const std::string& file : g.Imports)
    runs.push_back(report::ReadJsonReport(ReadReport(file), file));
  store::ResultsStore results(path, store::ResultsStore::Access::Write);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const store::Stored stored =
        results.Add(runs[i], std::filesystem::absolute(g.Imports[i]).string());
    out << g.Imports[i] << ": "
        << (stored.Added ? "gespeichert als Lauf " : "schon gespeichert als Lauf ") << stored.Number
        << "\n";
  }
  return 0;
}

// The names of one kind in the order they first appear, parted by commas.
template <typename Name>
std::string Names(const std::vector<record::HistoryLine>& lines, Name name) {
  std::vector<std::string> names;
  for (const record::HistoryLine& line : lines) {
    if (std::find(names.begin(), names.end(), name(line)) == names.end()) {
      names.push_back(name(line));
    }
  }
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
  return text;
}

std::string NothingFits(const std::vector<record::HistoryLine>& all) {
  return "Keiner der gespeicherten Läufe passt zu den Filtern.\n"
         "Löser im Speicher: " +
         Names(all, [](const record::HistoryLine& l) { return l.Solver; }) +
         "\nSätze im Speicher: " + Names(all, [](const record::HistoryLine& l) { return l.Set; }) +
         "\nRechner im Speicher: " +
         Names(all, [](const record::HistoryLine& l) { return l.Machine; }) + "\n";
}

int List(const HistoryGiven& g, const std::filesystem::path& path, bool chosen, std::ostream& out,
         std::ostream& err, const std::string& separator, const HistoryPicture& picture) {
  for (const std::string& file : {g.Plot, g.Html}) {
    if (file.empty()) continue;
    if (auto why = report::CannotWrite(file)) throw kit::FileError(*why);
  }
  std::vector<record::HistoryLine> lines, all;
  std::error_code error;
  if (chosen || std::filesystem::exists(path, error)) {
    const store::ResultsStore results(path, store::ResultsStore::Access::Read);
    all = record::HistoryLinesOf(results.Load());
    for (const record::HistoryLine& line : all) {
      if (record::Takes(g.Filter, line)) lines.push_back(line);
    }
  } else {
    err << "Messlauf: Noch ist kein Lauf gespeichert (" << path.string() << " fehlt).\n";
  }
  if (lines.empty() && !all.empty()) {
    // Runs are stored, only none of them fits: say so, and what the store does hold.
    (g.Json ? err : out) << NothingFits(all);
    if (g.Json) out << report::FormatHistoryJson(lines);
  } else {
    out << (g.Json ? report::FormatHistoryJson(lines) : report::FormatHistory(lines, separator));
  }
  if (!g.Html.empty()) {
    report::WriteTextFile(g.Html, report::FormatHistoryHtml(lines, separator), g.Html);
  }
  if (!g.Plot.empty()) picture(lines, g.Plot);
  return 0;
}

}  // namespace

int History(int argc, const char* const argv[], std::ostream& out, std::ostream& err,
            const std::string& separator, const HistoryPicture& picture) {
  HistoryGiven g;
  CLI::App app{
      "Messlauf history: listet die gespeicherten Läufe, einen je Löser und Satz, in der "
      "Reihenfolge ihres Beginns.",
      "Messlauf history"};
  Germanize(app);
  app.add_option("--store", g.Store,
                 "Der Ergebnisspeicher (Vorgabe: $XDG_DATA_HOME/sudoku-messkit/results.sqlite)")
      ->type_name("DATEI");
  app.add_option("--solver", g.Filter.Solver, "Nur dieser Löser (sein Name)")->type_name("NAME");
  app.add_option("--set", g.Filter.Set, "Nur dieser Satz (sein Name)")->type_name("NAME");
  app.add_option("--machine", g.Filter.Machine,
                 "Nur dieser Rechner (Hostname oder Anfang seiner Kennung)")
      ->type_name("NAME");
  app.add_flag("--json", g.Json, "Gibt die Liste als JSON aus");
  app.add_option("--plot", g.Plot,
                 "Zeichnet den Median jedes Lösers über die Zeit in dieses PNG-Bild, je Satz ein "
                 "Feld")
      ->type_name("DATEI");
  app.add_option("--html", g.Html,
                 "Schreibt den Verlauf mit seinen Bildern als eine HTML-Seite in diese Datei")
      ->type_name("DATEI");
  CLI::App* import = app.add_subcommand(
      "import", "Speichert JSON-Berichte (--json) anderer Rechner oder Läufe im Ergebnisspeicher");
  Germanize(*import);
  import->group("Befehle");
  import->fallthrough();
  import->add_option("DATEI", g.Imports, "Ein JSON-Bericht von Messlauf")->required();
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out << (import->parsed() ? import->help() : app.help());
    return 0;
  } catch (const CLI::ParseError& e) {
    err << "Messlauf history: " << German(e) << "\nHilfe: Messlauf history --help\n";
    return 2;
  }
  if (import->parsed() &&
      (g.Json || !g.Plot.empty() || !g.Html.empty() || !g.Filter.Solver.empty() ||
       !g.Filter.Set.empty() || !g.Filter.Machine.empty())) {
    err << "Messlauf history: import nimmt nur --store und die Berichte.\n";
    return 2;
  }
  try {
    const bool chosen = !g.Store.empty();
    const std::filesystem::path path =
        chosen ? std::filesystem::path(g.Store) : store::DefaultStorePath();
    if (import->parsed()) return Import(g, path, out);
    return List(g, path, chosen, out, err, separator, picture);
  } catch (const kit::FileError& e) {
    err << "Messlauf history: " << e.what() << "\n";
  }
  return 2;
}

}  // namespace runner
