#include "Schema.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

#include "FileError.h"

namespace store {
namespace {

// The first layout. What later ones add is in Upgrades; a new store gets this and every upgrade,
// so that it has the very layout an upgraded one has.
constexpr const char* FirstSchema = R"sql(
CREATE TABLE machines (
  id INTEGER PRIMARY KEY,
  machine_id TEXT NOT NULL,
  host TEXT NOT NULL,
  processor TEXT NOT NULL,
  logical_cores INTEGER NOT NULL,
  memory_bytes INTEGER NOT NULL,
  operating_system TEXT NOT NULL,
  kernel TEXT NOT NULL,
  UNIQUE (machine_id, host, processor, logical_cores, memory_bytes, operating_system, kernel)
);
CREATE TABLE runs (
  id INTEGER PRIMARY KEY,
  run_key TEXT NOT NULL UNIQUE,
  machine INTEGER NOT NULL REFERENCES machines (id),
  started_utc TEXT NOT NULL,
  kit_version TEXT NOT NULL,
  git_commit TEXT NOT NULL,
  git_changes INTEGER NOT NULL,
  compiler TEXT NOT NULL,
  build_type TEXT NOT NULL,
  load_1 REAL NOT NULL,
  load_5 REAL NOT NULL,
  load_15 REAL NOT NULL,
  folder TEXT NOT NULL,
  rounds INTEGER NOT NULL,
  warmup_rounds INTEGER NOT NULL,
  timeout_seconds REAL,
  pinned_cpu INTEGER,
  imported_from TEXT,
  stored_utc TEXT NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%SZ', 'now'))
);
CREATE INDEX runs_by_start ON runs (started_utc, id);
CREATE TABLE sets (
  run INTEGER NOT NULL REFERENCES runs (id),
  position INTEGER NOT NULL,
  name TEXT NOT NULL,
  collection TEXT NOT NULL,
  seed INTEGER NOT NULL,
  count INTEGER NOT NULL,
  in_bytes INTEGER NOT NULL,
  in_sha256 TEXT NOT NULL,
  PRIMARY KEY (run, position)
) WITHOUT ROWID;
CREATE TABLE solvers (
  run INTEGER NOT NULL REFERENCES runs (id),
  position INTEGER NOT NULL,
  name TEXT NOT NULL,
  program TEXT NOT NULL,
  program_sha256 TEXT NOT NULL,
  PRIMARY KEY (run, position)
) WITHOUT ROWID;
CREATE TABLE measurements (
  run INTEGER NOT NULL REFERENCES runs (id),
  position INTEGER NOT NULL,
  set_position INTEGER NOT NULL,
  solver_position INTEGER NOT NULL,
  round INTEGER NOT NULL,
  warmup INTEGER NOT NULL,
  startup INTEGER NOT NULL,
  timed INTEGER NOT NULL,
  verdict TEXT NOT NULL CHECK (verdict IN ('correct', 'wrong', 'failed')),
  ende_seconds REAL NOT NULL,
  monotonic_seconds REAL NOT NULL,
  guard_seconds REAL NOT NULL,
  user_seconds REAL NOT NULL,
  system_seconds REAL NOT NULL,
  max_rss_bytes INTEGER NOT NULL,
  out_bytes INTEGER NOT NULL,
  message TEXT NOT NULL,
  wrong_puzzle INTEGER NOT NULL,
  reason TEXT NOT NULL,
  no_solution INTEGER NOT NULL,
  one_solution INTEGER NOT NULL,
  several_solutions INTEGER NOT NULL,
  failure TEXT NOT NULL,
  PRIMARY KEY (run, position)
) WITHOUT ROWID;
)sql";

// What each later layout adds to the one before: Upgrades[i] takes a store from schema i + 1 to
// i + 2. Once released, a step stays as it is: stores out there were upgraded by it.
constexpr const char* Upgrades[] = {
    // Version 2: baselines and the comparisons a run reported.
    R"sql(
ALTER TABLE runs ADD COLUMN baseline_name TEXT;
ALTER TABLE runs ADD COLUMN noise_percent REAL;
CREATE INDEX runs_by_baseline ON runs (baseline_name);
CREATE TABLE comparisons (
  run INTEGER NOT NULL REFERENCES runs (id),
  set_position INTEGER NOT NULL,
  solver_position INTEGER NOT NULL,
  against TEXT NOT NULL CHECK (against IN ('baseline', 'fastest')),
  other_run INTEGER,
  other_solver INTEGER,
  ratio REAL NOT NULL,
  low REAL NOT NULL,
  high REAL NOT NULL,
  p REAL,
  count INTEGER NOT NULL,
  other_count INTEGER NOT NULL,
  verdict TEXT NOT NULL,
  PRIMARY KEY (run, set_position, solver_position, against)
) WITHOUT ROWID;
)sql",
    // Version 3: the threads that judged a run's answers and the time each judgement took, and
    // the count asked for where a collection held fewer; NULL in the rows stored before, which
    // did not keep them.
    R"sql(
ALTER TABLE runs ADD COLUMN check_threads INTEGER;
ALTER TABLE measurements ADD COLUMN check_seconds REAL;
ALTER TABLE sets ADD COLUMN requested_count INTEGER;
)sql",
    // Version 4: how a solver takes the puzzles, the words it ran with (a JSON array of strings),
    // the files named among them (a JSON array of {"path", "sha256"}) and the digest that tells
    // its versions apart. The rows stored before were programs run alone: kind 'program', NULL
    // for the rest (read as no words, no inputs and the program's digest).
    R"sql(
ALTER TABLE solvers ADD COLUMN kind TEXT NOT NULL DEFAULT 'program'
  CHECK (kind IN ('program', 'lines'));
ALTER TABLE solvers ADD COLUMN command TEXT;
ALTER TABLE solvers ADD COLUMN inputs TEXT;
ALTER TABLE solvers ADD COLUMN version_sha256 TEXT;
)sql",
    // Version 5: library solvers, and a library run's pass puzzle by puzzle. The kinds' check
    // admits 'library' only in a new table, into which the rows stored before are copied, their
    // library columns empty (none was a library). A measurement's puzzle figures are NULL where
    // the run had none; histogram_bins is how many bins it had (0: none kept), of which only those
    // not empty have a row.
    R"sql(
ALTER TABLE solvers RENAME TO solvers_4;
CREATE TABLE solvers (
  run INTEGER NOT NULL REFERENCES runs (id),
  position INTEGER NOT NULL,
  name TEXT NOT NULL,
  program TEXT NOT NULL,
  program_sha256 TEXT NOT NULL,
  kind TEXT NOT NULL DEFAULT 'program' CHECK (kind IN ('program', 'lines', 'library')),
  command TEXT,
  inputs TEXT,
  version_sha256 TEXT,
  library TEXT NOT NULL DEFAULT '',
  function TEXT NOT NULL DEFAULT '',
  configuration INTEGER NOT NULL DEFAULT 0,
  library_sha256 TEXT NOT NULL DEFAULT '',
  PRIMARY KEY (run, position)
) WITHOUT ROWID;
INSERT INTO solvers (run, position, name, program, program_sha256, kind, command, inputs,
                     version_sha256)
  SELECT run, position, name, program, program_sha256, kind, command, inputs, version_sha256
  FROM solvers_4;
DROP TABLE solvers_4;
ALTER TABLE measurements ADD COLUMN solutions_given INTEGER;
ALTER TABLE measurements ADD COLUMN guesses INTEGER;
ALTER TABLE measurements ADD COLUMN without_guess INTEGER;
ALTER TABLE measurements ADD COLUMN p50_us REAL;
ALTER TABLE measurements ADD COLUMN p90_us REAL;
ALTER TABLE measurements ADD COLUMN p99_us REAL;
ALTER TABLE measurements ADD COLUMN max_us REAL;
ALTER TABLE measurements ADD COLUMN histogram_bins INTEGER;
CREATE TABLE slow_puzzles (
  run INTEGER NOT NULL REFERENCES runs (id),
  measurement INTEGER NOT NULL,
  rank INTEGER NOT NULL,
  number INTEGER NOT NULL,
  line INTEGER,
  us REAL NOT NULL,
  guesses INTEGER,
  PRIMARY KEY (run, measurement, rank)
) WITHOUT ROWID;
CREATE TABLE puzzle_time_bins (
  run INTEGER NOT NULL REFERENCES runs (id),
  measurement INTEGER NOT NULL,
  bin INTEGER NOT NULL,
  count INTEGER NOT NULL,
  PRIMARY KEY (run, measurement, bin)
) WITHOUT ROWID;
)sql"};
static_assert(std::size(Upgrades) == SchemaVersion - 1);

std::uint32_t BigEndian(const unsigned char* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

// The stamp of an opened file, read in one statement and so from one snapshot: another run may
// be creating the store at this moment.
struct Stamp {
  std::int64_t Application = 0, Version = 0, Objects = 0;
};

Stamp ReadStamp(sqlite3* database, const std::string& shown) {
  try {
    Statement stamp(database,
                    "SELECT (SELECT application_id FROM pragma_application_id) AS application, "
                    "(SELECT user_version FROM pragma_user_version) AS version, (SELECT count(*) "
                    "FROM sqlite_schema) AS objects");
    if (!stamp.Step()) return {};
    return {stamp.Integer("application"), stamp.Integer("version"), stamp.Integer("objects")};
  } catch (const std::exception& e) {
    throw kit::FileError("Die Datei " + shown + " ist kein Ergebnisspeicher des Messkits (" +
                         e.what() + "). Sie bleibt unverändert.");
  }
}

// Two runs may create the same new store at once: the second waits for the first's transaction
// and then finds the schema there.
void CreateSchema(sqlite3* database, const std::string& shown) {
  try {
    Transaction transaction(database);
    if (IntegerPragma(database, "user_version") == 0) {
      Execute(database, FirstSchema);
      for (const char* upgrade : Upgrades) Execute(database, upgrade);
      SetPragma(database, "application_id", ApplicationId);
      SetPragma(database, "user_version", SchemaVersion);
    }
    transaction.Commit();
  } catch (const std::exception& e) {
    throw kit::FileError("Der Ergebnisspeicher " + shown +
                         " lässt sich nicht anlegen: " + e.what() + ".");
  }
}

// A file with a stamp: the kit's, of a version this kit reads.
void CheckStamp(const Stamp& stamp, const std::string& shown) {
  if (stamp.Application != ApplicationId) {
    throw kit::FileError("Die Datei " + shown +
                         " ist eine SQLite-Datenbank, aber kein Ergebnisspeicher des Messkits. Sie "
                         "bleibt unverändert.");
  }
  if (stamp.Version > SchemaVersion) {
    throw kit::FileError("Der Ergebnisspeicher " + shown +
                         " stammt von einer neueren Version des Messkits (Schema " +
                         std::to_string(stamp.Version) + ", diese Version kennt Schema " +
                         std::to_string(SchemaVersion) + "). Er bleibt unverändert.");
  }
  if (stamp.Version < 1) {
    throw kit::FileError("Der Ergebnisspeicher " + shown + " trägt keine gültige Schema-Version (" +
                         std::to_string(stamp.Version) + "). Er bleibt unverändert.");
  }
}

}  // namespace

std::optional<std::string> DamagedHeader(const std::filesystem::path& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!std::filesystem::is_regular_file(status)) return "sie ist keine gewöhnliche Datei";
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size == 0) return std::nullopt;
  std::array<unsigned char, 100> header{};
  std::ifstream file(path, std::ios::binary);
  file.read(reinterpret_cast<char*>(header.data()), header.size());
  if (file.gcount() != static_cast<std::streamsize>(header.size()) ||
      std::memcmp(header.data(), "SQLite format 3", 16) != 0) {
    return "sie ist keine SQLite-Datenbank";
  }
  std::uintmax_t pageSize = (std::uintmax_t{header[16]} << 8) | header[17];
  if (pageSize == 1) pageSize = 65536;
  const std::uint32_t pages = BigEndian(&header[28]);
  const bool pagesKnown = BigEndian(&header[92]) == BigEndian(&header[24]) && pages > 0;
  if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 || size % pageSize != 0 ||
      (pagesKnown && size < pages * pageSize)) {
    return "sie ist beschädigt oder abgeschnitten";
  }
  return std::nullopt;
}

int OpenSchema(sqlite3* database, const std::string& shown, bool writable) {
  const Stamp stamp = ReadStamp(database, shown);
  if (stamp.Application == 0 && stamp.Version == 0 && stamp.Objects == 0) {
    if (!writable) {
      throw kit::FileError("Im Ergebnisspeicher " + shown + " ist nichts gespeichert.");
    }
    CreateSchema(database, shown);
    UseWriteAheadLog(database);
    return SchemaVersion;
  }
  CheckStamp(stamp, shown);
  if (writable) UseWriteAheadLog(database);
  return static_cast<int>(stamp.Version);
}

void Upgrade(sqlite3* database) {
  const std::int64_t version = IntegerPragma(database, "user_version");
  for (auto v = version; v < SchemaVersion; ++v) {
    Execute(database, Upgrades[v - 1]);
  }
  if (version < SchemaVersion) SetPragma(database, "user_version", SchemaVersion);
}

}  // namespace store
