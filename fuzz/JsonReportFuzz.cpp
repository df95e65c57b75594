// Any bytes as a JSON report of Messlauf, read as `history import` reads it. The reader must
// either refuse it with a German message (kit::FileError) or give a record that the summaries
// and the JSON writer take as it is, and whose JSON reads back to the same JSON: an accepted
// report that points past its sets or solvers, or that loses a field on the way, is a fault.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FileError.h"
#include "FuzzTarget.h"
#include "JsonReport.h"
#include "RunRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  record::RunRecord record;
  try {
    record = report::ReadJsonReport(text, "r.json");
  } catch (const kit::FileError& e) {
    Require(std::string(e.what()).find("r.json") != std::string::npos);
    return 0;
  }
  for (const record::Measurement& m : record.Measurements) {
    Require(m.Set < record.Sets.size() && m.Solver < record.Solvers.size());
  }
  const std::string written = report::FormatJson(record, record::Summarize(record), 0);
  const record::RunRecord again = report::ReadJsonReport(written, "r.json");
  Require(report::FormatJson(again, record::Summarize(again), 0) == written);
  return 0;
}
