// The results store: every finished run, kept in one SQLite file with the machine, the kit's
// build, the solvers' and the sets' digests and every single run, so that runs of weeks and of
// several machines can be listed and compared later.
//
// A store is stamped with an application id and a schema version; a file without that stamp
// (unless it is empty), a damaged one, or one stamped by a newer kit is refused and never
// altered. A store of an earlier kit is read as it is and brought up to date by the first run
// stored into it. A run is written in one transaction: a failure leaves nothing of it behind. Two
// processes may write at once (write-ahead log and a busy timeout).
//
// Behind this face: Sql (statements, transactions, pragmas), Schema (tables, upgrades, the
// stamp), WriteRecord (a run and its key), ReadRecords (runs back) and Baselines.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "FileError.h"
#include "StoredRuns.h"

struct sqlite3;

namespace store {

// Where runs are stored unless --store says otherwise: $XDG_DATA_HOME/sudoku-messkit/
// results.sqlite, or ~/.local/share/… when that is unset. Throws kit::FileError when neither that
// nor HOME gives an absolute folder.
std::filesystem::path DefaultStorePath();

// What storing a run came to.
struct Stored {
  std::int64_t Number = 0;  // the run's number in the store
  bool Added = false;       // false: the same run was stored before, under Number
};

class ResultsStore {
 public:
  enum class Access { Write, Read };

  // Opens the store at `path`. For writing, a missing file (and its folder) is created; for
  // reading, a missing file throws. Throws kit::FileError, naming the file, for a file that is
  // not a store, a damaged one, one of a newer kit, or one that cannot be opened.
  ResultsStore(const std::filesystem::path& path, Access access);
  ~ResultsStore();
  ResultsStore(const ResultsStore&) = delete;
  ResultsStore& operator=(const ResultsStore&) = delete;

  const std::filesystem::path& Path() const { return StorePath; }

  // Stores a finished run in one transaction, which first brings a store of an earlier kit up to
  // date. A run is known by its machine, its moment, its folder, its sets, its solvers and its
  // times: the same run stored again (a report imported twice, or after the run itself) is not
  // added a second time. `importedFrom` names the report a run came from; empty for a run of this
  // machine. Throws kit::FileError when it fails, with nothing of the run left in the store (nor
  // of the upgrade).
  Stored Add(const record::RunRecord& run, const std::string& importedFrom = {});

  // Every stored run in the order they began, each with its number. Throws kit::FileError for
  // a store that cannot be read, or one that names a verdict or change this kit does not know.
  std::vector<record::StoredRun> Load() const;

  // The run a --baseline names: a stored run's number, or the latest run saved under that name.
  // Throws kit::FileError when there is none.
  std::int64_t FindRun(const std::string& reference) const;

  // What this run is compared with for --baseline REF: for each solver and set of `now`, the
  // same solver name on the same puzzles (the IN.TXT's digest) in the referenced run, or for
  // "latest" in the latest stored run on this machine that has it; only where that solver stayed
  // correct there, and for each other solver and set why not. Warnings when a run compared with
  // ran on another processor, kernel or compiler.
  record::Baseline FindBaseline(const std::string& reference, const record::RunRecord& now) const;

  // The generated set whose puzzles a run compared with --baseline REF takes: that of the
  // referenced run, or for "latest" that of the latest stored run on `machine` that had one;
  // with that run's number, the seed and the count. None when there is no such set. Throws
  // kit::FileError when the referenced run is not there.
  std::optional<record::PuzzlesFrom> FindBaselinePuzzles(
      const std::string& reference, const record::MachineContext& machine) const;

 private:
  std::filesystem::path StorePath;
  std::string Shown;  // the path as messages show it
  sqlite3* Database = nullptr;
  int Version = 0;  // the layout of the file: as opened, or as the first run stored made it
};

}  // namespace store
