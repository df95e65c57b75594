#include "BaselinePuzzles.h"

#include <stdexcept>

namespace runner {

std::optional<record::PuzzlesFrom> TakeBaselinePuzzles(Plan& plan,
                                                       const store::ResultsStore& results,
                                                       const record::MachineContext& machine) {
  if (plan.Baseline.empty() || plan.SeedGiven || plan.Sources.size() != 1 ||
      !plan.Sources[0].Collection.empty()) {
    return std::nullopt;
  }
  std::optional<record::PuzzlesFrom> from = results.FindBaselinePuzzles(plan.Baseline, machine);
  if (!from) {
    if (plan.Baseline == "latest") return std::nullopt;
    const std::string run = "Lauf " + std::to_string(results.FindRun(plan.Baseline));
    const bool number = plan.Baseline.find_first_not_of("0123456789") == std::string::npos;
    throw std::runtime_error(
        (number ? "Die Basis, " + run + "," : "Die Basis „" + plan.Baseline + "“ (" + run + ")") +
        " hat keine erzeugten Rätsel, nur Sammlungen: ohne --seed bekäme dieser Lauf andere "
        "Rätsel als dort. Bitte --seed oder --puzzles angeben.");
  }
  PuzzleSource& source = plan.Sources[0];
  source.Seed = from->Seed;
  if (plan.CountGiven) {
    from->Count.reset();  // the count is this run's own
  } else {
    // The store's count is that of a set generated from an int32 count.
    source.Count = static_cast<std::int32_t>(*from->Count);
  }
  return from;
}

}  // namespace runner
