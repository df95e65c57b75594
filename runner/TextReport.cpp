#include "TextReport.h"

#include <sstream>

#include "ElapsedTime.h"
#include "Statistics.h"

namespace runner {
namespace {

std::string Seconds(double value, const std::string& separator) {
  std::string text = timing::FormatElapsed(value, separator);
  return text.substr(0, text.size() - std::string(" Sek.").size());
}

// The lines that say where the puzzles are and where they came from.
void Source(std::ostringstream& text, const RunOptions& o, const PreparedPuzzles& puzzles) {
  text << "Ordner:      " << ReportPath(o.Folder) << "\n"
       << "Anzahl:      " << puzzles.Count << "\n";
  if (o.Source.Collection.empty()) {
    text << "Startzahl:   " << o.Source.Seed << "\n";
  } else {
    text << "Rätsel aus:  " << ReportPath(o.Source.Collection) << "\n";
  }
}

}  // namespace

std::string ReportPath(const std::filesystem::path& path) {
  std::error_code error;
  const auto absolute = std::filesystem::weakly_canonical(std::filesystem::absolute(path), error);
  const auto here = std::filesystem::current_path(error);
  const auto relative = absolute.lexically_relative(here);
  if (!error && !relative.empty() && *relative.begin() != "..") return relative.string();
  return absolute.string();
}

std::string FormatReport(const RunReport& report) {
  const RunOptions& o = report.Options;
  const std::string& sep = o.DecimalSeparator;
  const auto& outcomes = report.Check.Outcomes;
  std::ostringstream text;
  Source(text, o, report.Puzzles);
  text << "Löser:       " << ReportPath(o.Solver) << "\n"
       << "IN.TXT:      " << report.Puzzles.Bytes << " Bytes\n"
       << "OUT.TXT:     " << report.OutBytes << " Bytes\n"
       << "Ergebnisse:  " << outcomes[0] << " ohne Lösung, " << outcomes[1] << " eindeutig, "
       << outcomes[2] << " mehrdeutig\n";
  if (report.Runs.size() == 1) {
    text << "Laufzeit:    " << report.Runs[0].EndeText << " (monoton gemessen "
         << Seconds(report.Runs[0].MonotonicSeconds, sep) << " s)\n";
  } else {
    std::vector<double> ende, monotonic;
    for (const SolverRun& run : report.Runs) {
      ende.push_back(run.EndeSeconds);
      monotonic.push_back(run.MonotonicSeconds);
    }
    const Spread e = SpreadOf(ende), m = SpreadOf(monotonic);
    text << "Laufzeit:    Minimum " << Seconds(e.Minimum, sep) << ", Median "
         << Seconds(e.Median, sep) << ", Maximum " << Seconds(e.Maximum, sep) << " Sek. ("
         << report.Runs.size() << " Läufe)\n"
         << "   monoton:  Minimum " << Seconds(m.Minimum, sep) << ", Median "
         << Seconds(m.Median, sep) << ", Maximum " << Seconds(m.Maximum, sep) << " s\n";
  }
  text << "Prüfung:     " << report.Check.Message << "\n";
  if (!report.Check.Reason.empty()) text << "Grund:       " << report.Check.Reason << "\n";
  return text.str();
}

std::string FormatPrepared(const RunOptions& options, const PreparedPuzzles& puzzles) {
  std::ostringstream text;
  Source(text, options, puzzles);
  text << "IN.TXT:      " << puzzles.Bytes << " Bytes, bereit für Start, Quadrin, Ende und Check\n";
  return text.str();
}

}  // namespace runner
