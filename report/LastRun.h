// What the reports take from a solver's last runs. A solver that has not run at all (a record
// built by hand, or cut short) has neither: it shows as not yet judged.
#pragma once

#include <cstdint>

#include "RunRecord.h"

namespace report {

// Check's verdict on its last judged run: for a wrong solver the wrong run.
inline const record::Judgement& LastCheck(const record::SolverSummary& s) {
  static const record::Judgement none;
  return s.LastJudged ? s.LastJudged->Check : none;
}

// The size of the OUT.TXT that was judged last.
inline std::uintmax_t LastOutBytes(const record::SolverSummary& s) {
  return s.LastJudged ? s.LastJudged->OutBytes : 0;
}

// The round of its last run: the one that failed or was wrong.
inline int LastRound(const record::SolverSummary& s) {
  return s.Last ? s.Last->Round : 0;
}

}  // namespace report
