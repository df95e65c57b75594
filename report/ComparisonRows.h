// The comparisons of a run as rows of texts: each solver on each set against the fastest of the
// set in the same rounds, and against its baseline. The text report and the Markdown lay them
// out each in their own way.
#pragma once

#include <string>
#include <vector>

#include "RunRecord.h"
#include "Tone.h"

namespace report {

struct ComparisonRow {
  std::string Solver, Set;
  std::string Against;   // "flink (gleiche Runden)", "Lauf 12 „v1“"
  std::string Ratio;     // the ratio of the medians, now ÷ other: "1,302"
  std::string Interval;  // its 95 % bootstrap interval: "1,281–1,330"
  std::string P;         // "p = 0,0079", or "–" without a test
  std::string Verdict;   // "langsamer", "schneller", "kein messbarer Unterschied", …
  report::Tone Tone = report::Tone::None;  // of the verdict
};

// Against the fastest first, set by set, then against the baseline; a solver on a set that found
// nothing there to compare with has why as its verdict ("Löser nicht in der Basis", "kein
// früherer Lauf", …) and no figures.
std::vector<ComparisonRow> ComparisonRowsOf(const record::RunRecord& record,
                                            const record::Summaries& summaries,
                                            const std::string& decimalSeparator);

}  // namespace report
