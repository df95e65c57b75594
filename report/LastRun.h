// What the reports take from a solver's last runs. A solver that has not run at all (a record
// built by hand, or cut short) has neither: it shows as not yet judged.
#pragma once

#include <cstdint>

#include "RunRecord.h"

namespace report {

// The run whose verdict and answers stand for the solver: for a wrong solver the wrong run, else
// its last judged run on the whole set. A start-up run's one puzzle does not stand for the set
// (the summary's LastJudged may be one), unless it was the wrong one.
inline const record::Measurement* LastStanding(const record::SolverSummary& s) {
  if (s.Verdict == record::Verdict::Wrong) return s.LastJudged;
  return s.Ended.empty() ? nullptr : s.Ended.back();
}

// Check's verdict on that run.
inline const record::Judgement& LastCheck(const record::SolverSummary& s) {
  static const record::Judgement none;
  const record::Measurement* run = LastStanding(s);
  return run ? run->Check : none;
}

// The size of its OUT.TXT.
inline std::uintmax_t LastOutBytes(const record::SolverSummary& s) {
  const record::Measurement* run = LastStanding(s);
  return run ? run->OutBytes : 0;
}

// The round of its last run: the one that failed or was wrong.
inline int LastRound(const record::SolverSummary& s) {
  return s.Last ? s.Last->Round : 0;
}

}  // namespace report
