// Quadrin's batch run: every puzzle of IN.TXT, in file order, is solved, followed by the fixed
// per-puzzle load, and answered with one block in OUT.TXT.
#pragma once

#include <filesystem>
#include <ostream>

namespace quadrin {

// 100,000 double-precision divisions whose only purpose is the time they take.
void BusyLoad();

// Runs the batch in `folder` and returns the process exit status: 0 after a complete run,
// 1 when IN.TXT is missing or damaged or OUT.TXT cannot be written. Errors go to `errors` as one
// German message; OUT.TXT is then left as it was before the run. `withBusyLoad` is false only
// where the search alone is measured.
int RunBatch(const std::filesystem::path& folder, std::ostream& errors, bool withBusyLoad = true);

}  // namespace quadrin
