#include "CsvReport.h"

#include <sstream>

#include "LibraryFigures.h"
#include "Numbers.h"
#include "SolverWords.h"

namespace report {
namespace {

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string Field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// A library's judged pass: its µs per puzzle in the host's process and puzzles per second,
// whether it gave solutions, its guesses and its calls' percentiles; empty fields for every other
// run.
std::string PassFields(const record::Measurement& run, const record::PuzzleSet& set) {
  if (!run.Puzzles) return ",,,,,,,,,";
  const record::PuzzleTimes& pass = *run.Puzzles;
  const auto field = [](const std::optional<double>& value, int decimals) {
    return value ? Decimal(*value, decimals, ".") : std::string();
  };
  const bool timed = run.Timed && run.MonotonicSeconds > 0 && set.Count > 0;
  const double count = static_cast<double>(set.Count);
  return "," + (timed ? Decimal(run.MonotonicSeconds * 1e6 / count, 3, ".") : "") + "," +
         (timed ? Decimal(count / run.MonotonicSeconds, 1, ".") : "") + "," +
         (pass.SolutionsGiven ? "true" : "false") + "," +
         field(GuessesPerPuzzle(pass, set.Count), 3) + "," +
         field(ShareWithoutGuess(pass, set.Count), 4) + "," + Decimal(pass.P50, 3, ".") + "," +
         Decimal(pass.P90, 3, ".") + "," + Decimal(pass.P99, 3, ".") + "," +
         Decimal(pass.Max, 3, ".");
}

}  // namespace

std::string FormatCsv(const record::RunRecord& record, const record::Summaries& summaries) {
  std::ostringstream csv;
  // A run without a library keeps the columns it always had; with one, its pass's figures follow.
  const bool libraries = HasLibrary(record);
  csv << "set,solver,program,round,warmup,startup,monotonic_seconds,ende_seconds,user_seconds,"
         "system_seconds,max_rss_bytes,verdict,kind,command"
      << (libraries ? ",us_per_puzzle,puzzles_per_second,solutions_given,guesses_per_puzzle,"
                      "without_guess_share,p50_us,p90_us,p99_us,max_us"
                    : "")
      << "\r\n";
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    const std::string where = Field(record.Sets[set].Name) + ",";
    for (std::size_t i = 0; i < record.Solvers.size(); ++i) {
      const record::Solver& solver = record.Solvers[i];
      const std::string who = Field(solver.Name) + "," + Field(ReportPath(solver.Program)) + ",";
      // What it ran as a shell reads it back; empty when only the program is known.
      const std::string how = std::string(",") + record::SolverKindName(solver.Kind) + "," +
                              (solver.Command.empty() ? "" : Field(SolverCommand(solver)));
      for (const record::Measurement& run : record.Measurements) {
        if (run.Set != set || run.Solver != i) continue;
        csv << where << who << run.Round << "," << (run.Warmup ? "true" : "false") << ","
            << (run.Startup ? "true" : "false") << ",";
        if (run.Timed) {  // a run that never ended has no times
          csv << Decimal(run.MonotonicSeconds, 6, ".") << "," << Decimal(run.EndeSeconds, 3, ".")
              << "," << Decimal(run.UserSeconds, 6, ".") << ","
              << Decimal(run.SystemSeconds, 6, ".") << "," << run.MaxRssBytes;
        } else {
          csv << ",,,,";
        }
        csv << "," << record::VerdictName(run.Verdict) << how
            << (libraries ? PassFields(run, record.Sets[set]) : "") << "\r\n";
      }
    }
  }
  return csv.str();
}

}  // namespace report
