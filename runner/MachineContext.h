// Reading the machine a run takes place on, for the record's context.
#pragma once

#include "RunRecord.h"

namespace runner {

// Reads the machine now. Call it first, before anything runs, so that the load average is the
// machine's own and not the run's. What the system does not tell stays empty or zero.
record::MachineContext ReadMachineContext();

// What `--version` prints: "Messlauf 1.1, Commit 12f36e502897", with " mit Änderungen" when the
// checkout it was built from had changes.
std::string VersionLine();

}  // namespace runner
