// Messlauf: one complete benchmark run with a report (./kit run).
#include <QGuiApplication>
#include <QLocale>
#include <iostream>
#include <optional>
#include <string_view>

#include "BaselinePuzzles.h"
#include "BenchmarkRun.h"
#include "CsvReport.h"
#include "ExitStatus.h"
#include "ExportFiles.h"
#include "FileError.h"
#include "HistoryCommand.h"
#include "HistoryPlot.h"
#include "HtmlReport.h"
#include "Interruption.h"
#include "JsonReport.h"
#include "MachineContext.h"
#include "MarkdownReport.h"
#include "Options.h"
#include "Plot.h"
#include "Process.h"
#include "PngFile.h"
#include "PuzzleSource.h"
#include "ResultsStore.h"
#include "TextReport.h"
#include "VerifyCommand.h"
#include "WorkFolderLock.h"

namespace {

// The solver next to this program.
// A program of the kit installed beside Messlauf.
std::filesystem::path BesideMesslauf(const std::string& program) {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path(program) : self.parent_path() / program;
}

// Writes one export; false, with the message on standard error, when it cannot be written.
template <typename Write>
bool Export(const std::filesystem::path& path, Write write) {
  if (path.empty()) return true;
  try {
    write();
    return true;
  } catch (const kit::FileError& e) {
    std::cerr << "Messlauf: " << e.what() << "\n";
    return false;
  }
}

// Draws a picture on Qt's offscreen platform, so that no display is needed. Qt's notes about
// the desktop it does not use would only confuse the report's reader, so they are dropped.
template <typename Draw>
void WritePicture(const std::filesystem::path& path, char* program, Draw draw) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  int argc = 1;
  char* argv[] = {program, nullptr};
  const QGuiApplication application(argc, argv);
  report::WritePng(path, draw(), path.string());
}

// The report on standard output and every export the plan asks for; false when one of them
// could not be written. Times use the decimal separator of the user's number settings, taken
// the way Ende takes it.
bool WriteReports(const runner::Exports& e, const record::RunRecord& run,
                  const record::Summaries& summaries, int exitStatus, char* program) {
  const std::string separator = QLocale::system().decimalPoint().toStdString();
  std::cout << report::FormatReport(run, summaries, separator) << std::flush;
  bool written = Export(e.Json, [&] {
    report::WriteTextFile(e.Json, report::FormatJson(run, summaries, exitStatus), e.Json.string());
  });
  written &= Export(e.Markdown, [&] {
    report::WriteTextFile(e.Markdown, report::FormatMarkdown(run, summaries, separator),
                          e.Markdown.string());
  });
  written &= Export(e.Csv, [&] {
    report::WriteTextFile(e.Csv, report::FormatCsv(run, summaries), e.Csv.string());
  });
  written &= Export(e.Html, [&] {
    report::WriteTextFile(e.Html, report::FormatHtml(run, summaries, separator), e.Html.string());
  });
  written &= Export(e.Plot, [&] {
    WritePicture(e.Plot, program,
                 [&] { return report::DrawComparison(report::PlotOf(run, summaries, separator)); });
  });
  return written;
}

// Stores the finished run; false, with the message on standard error, when that fails.
bool Store(store::ResultsStore& results, const record::RunRecord& run) {
  try {
    const store::Stored stored = results.Add(run);
    std::cerr << "Messlauf: Gespeichert als Lauf " << stored.Number << " in "
              << results.Path().string() << "\n";
    return true;
  } catch (const kit::FileError& e) {
    std::cerr << "Messlauf: " << e.what() << "\n";
    return false;
  }
}

// Opens the results store, checks every set's puzzles, then locks the work folder, runs every
// solver on every set, reports and stores the run; the exit status.
int Perform(runner::Plan plan, const record::MachineContext& context, char* program) {
  std::optional<store::ResultsStore> results;  // a store that cannot take the run refuses it now
  if (plan.Store) results.emplace(*plan.Store, store::ResultsStore::Access::Write);
  if (results && !plan.Baseline.empty() && plan.Baseline != "latest") {
    results->FindRun(plan.Baseline);  // a baseline that is not there refuses the run now
  }
  std::optional<record::PuzzlesFrom> puzzlesFrom;  // before any puzzle is made
  if (results) puzzlesFrom = runner::TakeBaselinePuzzles(plan, *results, context);
  std::vector<runner::CheckedSource> sources;
  for (const runner::PuzzleSource& source : plan.Sources) {
    sources.push_back(runner::CheckSource(source));  // a bad line refuses the run, nothing written
    if (!sources.back().Warning.empty()) {
      std::cerr << "Messlauf: Warnung: " << sources.back().Warning << "\n";
    }
  }
  const runner::WorkFolderLock lock(plan.Settings.Folder);  // held to the end of the run
  if (plan.PrepareOnly) {
    const runner::PreparedPuzzles prepared =
        runner::PreparePuzzles(sources.front(), plan.Settings.Folder);
    std::cout << report::FormatPrepared(plan.Settings, prepared.Set);
    return 0;
  }
  record::RunRecord run = runner::PerformRun(plan, sources, context);
  if (results && !plan.Baseline.empty()) {
    run.Baseline = results->FindBaseline(plan.Baseline, run);
    run.Baseline->PuzzlesFrom = puzzlesFrom;
  }
  const record::Summaries summaries = record::Summarize(run);
  for (const record::Measurement& r : run.Measurements) {  // for logs and scripts as well
    if (r.Verdict == record::Verdict::Failed) std::cerr << "Messlauf: " << r.Failure << "\n";
  }
  const runner::RunEnd end = runner::DecideExit(run, summaries);
  for (const std::string& cell : end.Undecided) {
    std::cerr << "Messlauf: --fail-on-regression: " << cell
              << "; ein Tor, das nichts verglichen hat, ist nicht bestanden.\n";
  }
  // The reports come first: a store that fails while writing still leaves them.
  bool written = WriteReports(plan.Exports, run, summaries, end.Status, program);
  if (run.Interruption) {
    std::cerr << "\nMesslauf: " << runner::Interrupted(run.Interruption->Signal).what()
              << " Der Bericht hält die ganzen Runden; gespeichert wird der Lauf nicht.\n";
    return end.Status;
  }
  if (results) written &= Store(*results, run);
  return written ? end.Status : 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc > 1 && std::string_view(argv[1]) == "history") {
    const std::string separator = QLocale::system().decimalPoint().toStdString();
    return runner::History(
        argc - 1, argv + 1, std::cout, std::cerr, separator,
        [&](const std::vector<record::HistoryLine>& lines, const std::filesystem::path& path) {
          WritePicture(path, argv[0], [&] { return report::DrawHistory(lines, separator); });
        });
  }
  if (argc > 1 && std::string_view(argv[1]) == "verify") {
    const std::string separator = QLocale::system().decimalPoint().toStdString();
    return runner::Verify(argc - 1, argv + 1, std::cout, std::cerr, separator);
  }
  // First of all, so that the load average is the machine's own and not the run's.
  const record::MachineContext context = runner::ReadMachineContext();
  const runner::ParsedOptions parsed = runner::ParseOptions(argc, argv, BesideMesslauf("Quadrin"));
  std::cout << parsed.Output;
  std::cerr << parsed.Error;
  if (!parsed.Plan) return parsed.ExitStatus;
  runner::TakeOverInterruptions();
  try {
    // Before any puzzle is held: the launcher's image is what every solver starts from.
    if (!parsed.Plan->PrepareOnly) runner::StartLauncher(BesideMesslauf("Anlasser"));
    return Perform(*parsed.Plan, context, argv[0]);
  } catch (const runner::Interrupted& e) {
    std::cerr << "\nMesslauf: " << e.what() << "\n";
    return 128 + e.Signal;  // as a shell reports a program ended by that signal
  } catch (const std::exception& e) {
    std::cerr << "Messlauf: " << e.what() << "\n";
  }
  return 2;
}
