#include "CsvReport.h"

#include <sstream>

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

}  // namespace

std::string FormatCsv(const record::RunRecord& record, const record::Summaries& summaries) {
  std::ostringstream csv;
  csv << "set,solver,program,round,warmup,startup,monotonic_seconds,ende_seconds,user_seconds,"
         "system_seconds,max_rss_bytes,verdict,kind,command\r\n";
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
        csv << "," << record::VerdictName(run.Verdict) << how << "\r\n";
      }
    }
  }
  return csv.str();
}

}  // namespace report
