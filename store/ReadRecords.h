// Reading stored runs back into records: every column by its name, in the layout the store has
// (what an earlier layout did not keep comes back as not known), every name checked against the
// kit's.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

#include "StoredRuns.h"

struct sqlite3;

namespace store {

// A name in the store this kit does not know, e.g. a verdict a newer kit wrote into a store of
// the same layout: the message names the table and the value.
class UnknownName : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Every stored run in the order they began, or only the run `number`, from a store of layout
// `version`. Throws UnknownName, and std::runtime_error for rows that do not fit together.
std::vector<record::StoredRun> ReadRecords(sqlite3* database, int version,
                                           std::optional<std::int64_t> number = std::nullopt);

}  // namespace store
