// Writing a run into the store: its machine (one row for every run on it), its own row, its sets,
// solvers and measurements, and the comparisons its report made; and the key a run is known by,
// so that the same run is not stored twice.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "RunRecord.h"

struct sqlite3;

namespace store {

// The key a run is known by in the store (SHA-256 in hex): its machine, moment, folder, sets,
// solvers and every measurement's verdict and time to the microsecond. The same for a run and for
// its JSON report read back.
std::string RunKey(const record::RunRecord& run);

// The number of the stored run with that key, if there is one.
std::optional<std::int64_t> RunWithKey(sqlite3* database, const std::string& key);

// Writes the run under `key` in the caller's transaction and gives its number. `importedFrom`
// names the report it came from, empty for a run of this machine. Throws std::runtime_error.
std::int64_t WriteRecord(sqlite3* database, const record::RunRecord& run, const std::string& key,
                         const std::string& importedFrom);

}  // namespace store
