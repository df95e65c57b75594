#include "ResultsStore.h"

#include <sqlite3.h>

#include <QCryptographicHash>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <thread>

namespace store {
namespace {

// "SMkt": tells the kit's stores from every other SQLite file.
constexpr int ApplicationId = 0x534D6B74;

// Long enough for another run's transaction (milliseconds), short enough not to hang forever on
// a store someone keeps locked.
constexpr int BusyMilliseconds = 15000;

constexpr const char* Schema = R"sql(
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
// i + 2. Version 2: baselines and the comparisons a run reported.
constexpr const char* Upgrades[] = {R"sql(
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
)sql"};
static_assert(std::size(Upgrades) == SchemaVersion - 1);

std::string Shown(const std::filesystem::path& path) {
  return path.string();
}

// One prepared statement: binds by position from 1, steps, reads columns from 0.
class Statement {
 public:
  Statement(sqlite3* database, const std::string& sql) : Statement(database, sql.c_str()) {}
  Statement(sqlite3* database, const char* sql) : Database(database) {
    if (sqlite3_prepare_v2(database, sql, -1, &Handle, nullptr) != SQLITE_OK) {
      throw std::runtime_error(sqlite3_errmsg(database));
    }
  }
  ~Statement() { sqlite3_finalize(Handle); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int at, const std::string& text) {
    return Checked(sqlite3_bind_text(Handle, at, text.data(), static_cast<int>(text.size()),
                                     SQLITE_TRANSIENT));
  }
  Statement& Bind(int at, const char* text) { return Bind(at, std::string(text)); }
  Statement& Bind(int at, double value) { return Checked(sqlite3_bind_double(Handle, at, value)); }
  Statement& Bind(int at, std::int64_t value) {
    return Checked(sqlite3_bind_int64(Handle, at, value));
  }
  Statement& Bind(int at, int value) { return Bind(at, static_cast<std::int64_t>(value)); }
  Statement& Bind(int at, bool value) { return Bind(at, static_cast<std::int64_t>(value)); }
  Statement& Bind(int at, std::uint64_t value) {
    return Bind(at, static_cast<std::int64_t>(value));
  }
  template <typename T>
  Statement& Bind(int at, const std::optional<T>& value) {
    if (value) return Bind(at, *value);
    return Checked(sqlite3_bind_null(Handle, at));
  }

  // True while there is a row to read.
  bool Step() {
    const int status = sqlite3_step(Handle);
    if (status == SQLITE_ROW) return true;
    if (status == SQLITE_DONE) return false;
    throw std::runtime_error(sqlite3_errmsg(Database));
  }
  void Run() {
    Step();
    sqlite3_reset(Handle);
    sqlite3_clear_bindings(Handle);
  }

  std::int64_t Integer(int column) const { return sqlite3_column_int64(Handle, column); }
  double Real(int column) const { return sqlite3_column_double(Handle, column); }
  bool Null(int column) const { return sqlite3_column_type(Handle, column) == SQLITE_NULL; }
  std::string Text(int column) const {
    const auto* text = sqlite3_column_text(Handle, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(sqlite3_column_bytes(Handle, column)))
                : std::string();
  }

 private:
  Statement& Checked(int status) {
    if (status != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(Database));
    return *this;
  }

  sqlite3* Database;
  sqlite3_stmt* Handle = nullptr;
};

void Execute(sqlite3* database, const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(database, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : sqlite3_errmsg(database);
    sqlite3_free(error);
    throw std::runtime_error(message);
  }
}

// Runs `work` in one write transaction: all of it is kept, or nothing. Another writer is waited
// for (busy timeout) before it begins.
template <typename Work>
auto InTransaction(sqlite3* database, Work work) {
  Execute(database, "BEGIN IMMEDIATE");
  try {
    auto result = work();
    Execute(database, "COMMIT");
    return result;
  } catch (...) {
    sqlite3_exec(database, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

std::int64_t Pragma(sqlite3* database, const char* sql) {
  Statement pragma(database, sql);
  return pragma.Step() ? pragma.Integer(0) : 0;
}

std::uint32_t BigEndian(const unsigned char* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

// Why the file is no SQLite database or one cut short, judged from its header before SQLite sees
// it (SQLite would take a cut file until a query reaches its missing pages); nothing when it
// looks whole or is empty.
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

std::string Hex(const QByteArray& bytes) {
  return bytes.toHex().toStdString();
}

std::int64_t MachineRow(sqlite3* database, const record::MachineContext& c) {
  Statement insert(database,
                   "INSERT INTO machines (machine_id, host, processor, logical_cores, "
                   "memory_bytes, operating_system, kernel) VALUES (?, ?, ?, ?, ?, ?, ?) "
                   "ON CONFLICT DO NOTHING");
  Statement select(database,
                   "SELECT id FROM machines WHERE machine_id = ? AND host = ? AND processor = ? "
                   "AND logical_cores = ? AND memory_bytes = ? AND operating_system = ? AND "
                   "kernel = ?");
  for (Statement* s : {&insert, &select}) {
    s->Bind(1, c.MachineId).Bind(2, c.Host).Bind(3, c.Processor).Bind(4, c.LogicalCores);
    s->Bind(5, c.MemoryBytes).Bind(6, c.OperatingSystem).Bind(7, c.Kernel);
  }
  insert.Run();
  if (!select.Step()) throw std::runtime_error("der Rechner fehlt nach dem Eintragen");
  return select.Integer(0);
}

void InsertRun(sqlite3* database, std::int64_t number, std::size_t position, const record::Measurement& r) {
  static constexpr const char* sql =
      "INSERT INTO measurements VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
      "?, ?, ?, ?)";
  Statement insert(database, sql);
  insert.Bind(1, number).Bind(2, static_cast<std::int64_t>(position));
  insert.Bind(3, static_cast<std::int64_t>(r.Set)).Bind(4, static_cast<std::int64_t>(r.Solver));
  insert.Bind(5, r.Round).Bind(6, r.Warmup).Bind(7, r.Startup).Bind(8, r.Timed);
  insert.Bind(9, record::VerdictName(r.Verdict)).Bind(10, r.EndeSeconds);
  insert.Bind(11, r.MonotonicSeconds).Bind(12, r.GuardSeconds).Bind(13, r.UserSeconds);
  insert.Bind(14, r.SystemSeconds).Bind(15, r.MaxRssBytes).Bind(16, std::uint64_t{r.OutBytes});
  insert.Bind(17, r.Check.Message).Bind(18, r.Check.Number).Bind(19, r.Check.Reason);
  insert.Bind(20, r.Check.Outcomes[0]).Bind(21, r.Check.Outcomes[1]);
  insert.Bind(22, r.Check.Outcomes[2]).Bind(23, r.Failure);
  insert.Run();
}

// What the run's report said when comparing: each solver against the fastest of its set and
// against its baseline.
void InsertComparisons(sqlite3* database, std::int64_t number, const record::RunRecord& run) {
  const record::Summaries summaries = record::Summarize(run);
  Statement insert(database,
                   "INSERT INTO comparisons VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  const auto add = [&](std::size_t set, std::size_t solver, const char* against,
                       std::optional<std::int64_t> otherRun,
                       std::optional<std::int64_t> otherSolver, const record::Comparison& c) {
    insert.Bind(1, number).Bind(2, static_cast<std::int64_t>(set));
    insert.Bind(3, static_cast<std::int64_t>(solver)).Bind(4, against).Bind(5, otherRun);
    insert.Bind(6, otherSolver).Bind(7, c.Ratio.Ratio).Bind(8, c.Ratio.Low);
    insert.Bind(9, c.Ratio.High).Bind(10, c.P).Bind(11, c.Count).Bind(12, c.OtherCount);
    insert.Bind(13, record::ChangeName(c.Change)).Run();
  };
  for (std::size_t set = 0; set < summaries.Sets.size(); ++set) {
    const record::SetSummary& summary = summaries.Sets[set];
    for (std::size_t solver = 0; solver < summary.Solvers.size(); ++solver) {
      const record::SolverSummary& s = summary.Solvers[solver];
      if (s.AgainstFastest) {
        add(set, solver, "fastest", std::nullopt, static_cast<std::int64_t>(*summary.Fastest),
            *s.AgainstFastest);
      }
      if (s.AgainstBaseline) {
        add(set, solver, "baseline", s.Baseline->Run, std::nullopt, *s.AgainstBaseline);
      }
    }
  }
}

std::int64_t InsertRecord(sqlite3* database, const record::RunRecord& run, const std::string& key,
                          const std::string& importedFrom) {
  const record::MachineContext& c = run.Context;
  const std::int64_t machine = MachineRow(database, c);
  Statement insert(
      database,
      "INSERT INTO runs (run_key, machine, started_utc, kit_version, git_commit, "
      "git_changes, compiler, build_type, load_1, load_5, load_15, folder, rounds, "
      "warmup_rounds, timeout_seconds, pinned_cpu, imported_from, baseline_name, "
      "noise_percent) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  insert.Bind(1, key).Bind(2, machine).Bind(3, c.StartedUtc).Bind(4, c.KitVersion);
  insert.Bind(5, c.GitCommit).Bind(6, c.GitChanges).Bind(7, c.Compiler).Bind(8, c.BuildType);
  insert.Bind(9, c.LoadAverage[0]).Bind(10, c.LoadAverage[1]).Bind(11, c.LoadAverage[2]);
  const record::Settings& o = run.Settings;
  insert.Bind(12, o.Folder.string()).Bind(13, o.Repeat).Bind(14, o.Warmup);
  insert.Bind(15, o.TimeoutSeconds).Bind(16, o.PinnedCpu);
  insert.Bind(17, importedFrom.empty() ? std::optional<std::string>() : importedFrom);
  insert.Bind(18, o.SaveBaseline.empty() ? std::optional<std::string>() : o.SaveBaseline);
  insert.Bind(19, o.NoisePercent);
  insert.Run();
  const std::int64_t number = sqlite3_last_insert_rowid(database);
  Statement set(database, "INSERT INTO sets VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
  for (std::size_t i = 0; i < run.Sets.size(); ++i) {
    const record::PuzzleSet& s = run.Sets[i];
    set.Bind(1, number).Bind(2, static_cast<std::int64_t>(i)).Bind(3, s.Name);
    set.Bind(4, s.Collection.string()).Bind(5, s.Seed).Bind(6, s.Count);
    set.Bind(7, std::uint64_t{s.InBytes}).Bind(8, s.InSha256).Run();
  }
  Statement solver(database, "INSERT INTO solvers VALUES (?, ?, ?, ?, ?)");
  for (std::size_t i = 0; i < run.Solvers.size(); ++i) {
    const record::Solver& s = run.Solvers[i];
    solver.Bind(1, number).Bind(2, static_cast<std::int64_t>(i)).Bind(3, s.Name);
    solver.Bind(4, s.Program.string()).Bind(5, s.ProgramSha256).Run();
  }
  for (std::size_t i = 0; i < run.Measurements.size(); ++i) InsertRun(database, number, i, run.Measurements[i]);
  InsertComparisons(database, number, run);
  return number;
}

record::Change ChangeOf(const std::string& name) {
  for (auto change :
       {record::Change::Slower, record::Change::Faster, record::Change::NoDifference}) {
    if (name == record::ChangeName(change)) return change;
  }
  return record::Change::TooFewRounds;
}

record::Verdict VerdictOf(const std::string& name) {
  if (name == "wrong") return record::Verdict::Wrong;
  if (name == "failed") return record::Verdict::Failed;
  return record::Verdict::Correct;
}

}  // namespace

std::filesystem::path DefaultStorePath() {
  const auto absolute = [](const char* value) {
    return value && *value && std::filesystem::path(value).is_absolute();
  };
  // A relative XDG_DATA_HOME is to be ignored, as if it were unset.
  const char* data = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  std::filesystem::path folder;
  if (absolute(data)) {
    folder = data;
  } else if (absolute(home)) {
    folder = std::filesystem::path(home) / ".local" / "share";
  } else {
    throw kit::FileError(
        "Es gibt keinen Ort für den Ergebnisspeicher: weder XDG_DATA_HOME noch HOME nennt einen "
        "absoluten Ordner. Bitte --store DATEI oder --no-store angeben.");
  }
  return folder / "sudoku-messkit" / "results.sqlite";
}

std::string RunKey(const record::RunRecord& run) {
  const record::MachineContext& c = run.Context;
  std::string text = c.MachineId + '\n' + c.Host + '\n' + c.StartedUtc + '\n' +
                     run.Settings.Folder.string() + '\n';
  for (const record::PuzzleSet& s : run.Sets) {
    text += s.Name + '\t' + s.InSha256 + '\t' + std::to_string(s.Count) + '\n';
  }
  for (const record::Solver& s : run.Solvers) text += s.Name + '\t' + s.ProgramSha256 + '\n';
  // Times to the microsecond, as a JSON report keeps them.
  for (const record::Measurement& r : run.Measurements) {
    text += std::to_string(r.Set) + ' ' + std::to_string(r.Solver) + ' ' + std::to_string(r.Round) +
            ' ' + record::VerdictName(r.Verdict) + ' ' +
            (r.Timed ? std::to_string(record::Microseconds(r.MonotonicSeconds)) : "-") + '\n';
  }
  return Hex(QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Sha256));
}

ResultsStore::ResultsStore(const std::filesystem::path& path, Access access) : StorePath(path) {
  const bool writable = access == Access::Write;
  std::error_code error;
  const bool exists = std::filesystem::exists(path, error);
  const std::string shown = Shown(path);
  if (!exists && !writable) {
    throw kit::FileError("Den Ergebnisspeicher " + shown + " gibt es nicht.");
  }
  if (exists) {
    if (auto why = DamagedHeader(path)) {
      throw kit::FileError("Die Datei " + shown + " ist kein Ergebnisspeicher des Messkits: " +
                           *why + ". Sie bleibt unverändert.");
    }
  } else if (path.has_parent_path()) {
    std::filesystem::create_directories(path.parent_path(), error);
  }
  const int flags = writable ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
  if (sqlite3_open_v2(path.c_str(), &Database, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    const std::string why = Database ? sqlite3_errmsg(Database) : "kein Speicher";
    sqlite3_close(Database);
    throw kit::FileError("Der Ergebnisspeicher " + shown + " lässt sich nicht öffnen: " + why +
                         ".");
  }
  sqlite3_extended_result_codes(Database, 1);
  sqlite3_busy_timeout(Database, BusyMilliseconds);
  try {
    Check(writable);
  } catch (...) {
    sqlite3_close(Database);
    throw;
  }
}

ResultsStore::~ResultsStore() {
  sqlite3_close(Database);
}

// Reads the stamp; a new, empty store gets the schema, an older one would be brought up to date
// here. Nothing is written before the file is known to be the kit's (or empty).
void ResultsStore::Check(bool writable) {
  const std::string shown = Shown(StorePath);
  std::int64_t application = 0, version = 0, objects = 0;
  try {
    // One statement, so one snapshot: another run may be creating the store at this moment.
    Statement stamp(Database,
                    "SELECT (SELECT application_id FROM pragma_application_id), (SELECT "
                    "user_version FROM pragma_user_version), (SELECT count(*) FROM sqlite_schema)");
    if (stamp.Step()) {
      application = stamp.Integer(0);
      version = stamp.Integer(1);
      objects = stamp.Integer(2);
    }
  } catch (const std::exception& e) {
    throw kit::FileError("Die Datei " + shown + " ist kein Ergebnisspeicher des Messkits (" +
                         e.what() + "). Sie bleibt unverändert.");
  }
  if (application == 0 && version == 0 && objects == 0) {
    if (!writable)
      throw kit::FileError("Im Ergebnisspeicher " + shown + " ist nichts gespeichert.");
    CreateSchema();
    UseWriteAheadLog();
    Version = SchemaVersion;
    return;
  }
  if (application != ApplicationId) {
    throw kit::FileError("Die Datei " + shown +
                         " ist eine SQLite-Datenbank, aber kein Ergebnisspeicher des Messkits. Sie "
                         "bleibt unverändert.");
  }
  if (version > SchemaVersion) {
    throw kit::FileError("Der Ergebnisspeicher " + shown +
                         " stammt von einer neueren Version des Messkits (Schema " +
                         std::to_string(version) + ", diese Version kennt Schema " +
                         std::to_string(SchemaVersion) + "). Er bleibt unverändert.");
  }
  if (version < 1) {
    throw kit::FileError("Der Ergebnisspeicher " + shown + " trägt keine gültige Schema-Version (" +
                         std::to_string(version) + "). Er bleibt unverändert.");
  }
  Version = static_cast<int>(version);
  if (!writable) return;
  UseWriteAheadLog();
  if (version < SchemaVersion) Upgrade();
}

// Brings a store of an older kit up to this layout, in one transaction; a store only read keeps
// its layout (Load reads what it has).
void ResultsStore::Upgrade() {
  try {
    InTransaction(Database, [this] {
      for (auto v = Pragma(Database, "PRAGMA user_version"); v < SchemaVersion; ++v) {
        Execute(Database, Upgrades[v - 1]);
      }
      Execute(Database, ("PRAGMA user_version = " + std::to_string(SchemaVersion)).c_str());
      return true;
    });
  } catch (const std::exception& e) {
    throw kit::FileError("Der Ergebnisspeicher " + Shown(StorePath) +
                         " lässt sich nicht auf die neue Form bringen: " + e.what() + ".");
  }
  Version = SchemaVersion;
}

// Readers then never wait for a writer. Switching needs the file to itself, which SQLite does
// not wait for; while another run holds it, the switch is tried again a little later. A store
// left in the older journal mode still works: writers wait for each other there as well.
void ResultsStore::UseWriteAheadLog() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    try {
      // The pragma answers with the mode in force, whether the switch succeeded or not.
      Statement mode(Database, "PRAGMA journal_mode = WAL");
      if (mode.Step() && mode.Text(0) == "wal") return;
    } catch (const std::exception&) {
      // busy: try again
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Two runs may create the same new store at once: the second waits for the first's transaction
// and then finds the schema there.
void ResultsStore::CreateSchema() {
  const std::string shown = Shown(StorePath);
  try {
    InTransaction(Database, [this] {
      if (Pragma(Database, "PRAGMA user_version") == 0) {
        Execute(Database, Schema);
        for (const char* upgrade : Upgrades) Execute(Database, upgrade);
        Execute(Database, ("PRAGMA application_id = " + std::to_string(ApplicationId)).c_str());
        Execute(Database, ("PRAGMA user_version = " + std::to_string(SchemaVersion)).c_str());
      }
      return true;
    });
  } catch (const std::exception& e) {
    throw kit::FileError("Der Ergebnisspeicher " + shown +
                         " lässt sich nicht anlegen: " + e.what() + ".");
  }
}

Stored ResultsStore::Add(const record::RunRecord& run, const std::string& importedFrom) {
  const std::string key = RunKey(run);
  try {
    return InTransaction(Database, [&] {
      Statement known(Database, "SELECT id FROM runs WHERE run_key = ?");
      known.Bind(1, key);
      Stored stored;
      if (known.Step()) {
        stored.Number = known.Integer(0);
      } else {
        stored.Number = InsertRecord(Database, run, key, importedFrom);
        stored.Added = true;
      }
      return stored;
    });
  } catch (const std::exception& e) {
    throw kit::FileError("Der Lauf konnte nicht im Ergebnisspeicher " + Shown(StorePath) +
                         " gespeichert werden: " + e.what() +
                         ". Von ihm ist dort nichts geblieben.");
  }
}

std::int64_t ResultsStore::FindRun(const std::string& reference) const {
  const bool number =
      !reference.empty() && reference.find_first_not_of("0123456789") == std::string::npos;
  try {
    Statement select(Database, number ? "SELECT id FROM runs WHERE id = ?"
                                      : (Version >= 2 ? "SELECT id FROM runs WHERE baseline_name "
                                                        "= ? ORDER BY started_utc DESC, id DESC"
                                                      : "SELECT id FROM runs WHERE 0 AND ?"));
    if (number) {
      select.Bind(1, static_cast<std::int64_t>(std::stoll(reference)));
    } else {
      select.Bind(1, reference);
    }
    if (select.Step()) return select.Integer(0);
  } catch (const std::out_of_range&) {
    // a number beyond any run's: none
  } catch (const std::runtime_error& e) {
    throw kit::FileError("Der Ergebnisspeicher " + Shown(StorePath) +
                         " lässt sich nicht lesen: " + e.what() + ".");
  }
  throw kit::FileError(
      "Im Ergebnisspeicher " + Shown(StorePath) + " gibt es " +
      (number ? "keinen Lauf " + reference : "keine Basis „" + reference + "“ (--save-baseline)") +
      ".");
}

record::Baseline ResultsStore::FindBaseline(const std::string& reference,
                                            const record::RunRecord& now) const {
  record::Baseline baseline;
  baseline.Reference = reference;
  std::optional<std::int64_t> fixed;
  if (reference != "latest") fixed = FindRun(reference);
  std::map<std::int64_t, record::StoredRun> runs;  // each stored run read once
  Statement latest(Database,
                   "SELECT r.id FROM runs r JOIN machines m ON m.id = r.machine JOIN sets s ON "
                   "s.run = r.id JOIN solvers v ON v.run = r.id WHERE m.machine_id = ? AND "
                   "m.host = ? AND s.in_sha256 = ? AND v.name = ? ORDER BY r.started_utc DESC, "
                   "r.id DESC LIMIT 1");
  for (std::size_t set = 0; set < now.Sets.size(); ++set) {
    const std::string& hash = now.Sets[set].InSha256;
    if (hash.empty()) continue;  // no way to know the same puzzles
    for (std::size_t solver = 0; solver < now.Solvers.size(); ++solver) {
      std::int64_t number = 0;
      if (fixed) {
        number = *fixed;
      } else {
        latest.Bind(1, now.Context.MachineId).Bind(2, now.Context.Host).Bind(3, hash);
        latest.Bind(4, now.Solvers[solver].Name);
        const bool found = latest.Step();
        if (found) number = latest.Integer(0);
        latest.Run();
        if (!found) continue;
      }
      if (!runs.contains(number)) runs.emplace(number, LoadRuns(number).at(0));
      const record::RunRecord& stored = runs.at(number).Record;
      const auto storedSet = std::find_if(stored.Sets.begin(), stored.Sets.end(),
                                          [&hash](const auto& s) { return s.InSha256 == hash; });
      const auto storedSolver =
          std::find_if(stored.Solvers.begin(), stored.Solvers.end(),
                       [&](const auto& s) { return s.Name == now.Solvers[solver].Name; });
      if (storedSet == stored.Sets.end() || storedSolver == stored.Solvers.end()) continue;
      const record::Summaries summaries =
          record::Summarize(stored, record::Detail::WithoutComparisons);
      const record::SolverSummary& then =
          summaries.Sets[static_cast<std::size_t>(storedSet - stored.Sets.begin())]
              .Solvers[static_cast<std::size_t>(storedSolver - stored.Solvers.begin())];
      if (then.Verdict != record::Verdict::Correct || then.MonotonicTimes.empty()) continue;
      baseline.Cells.push_back(
          {set, solver, number, stored.Settings.SaveBaseline, then.MonotonicTimes});
    }
  }
  const record::MachineContext& c = now.Context;
  for (const auto& [number, run] : runs) {
    const record::MachineContext& then = run.Record.Context;
    const auto differs = [&](const char* what, const std::string& was, const std::string& is) {
      if (was == is) return;
      baseline.Warnings.push_back("Lauf " + std::to_string(number) + " lief mit " + what + " „" +
                                  was + "“, dieser mit „" + is + "“.");
    };
    differs("dem Prozessor", then.Processor, c.Processor);
    differs("dem Kernel", then.Kernel, c.Kernel);
    differs("dem Compiler", then.Compiler, c.Compiler);
  }
  return baseline;
}

std::vector<record::StoredRun> ResultsStore::Load() const {
  return LoadRuns(std::nullopt);
}

std::vector<record::StoredRun> ResultsStore::LoadRuns(std::optional<std::int64_t> number) const {
  const std::string where = number ? "WHERE r.id = ?" : "";
  std::vector<record::StoredRun> runs;
  std::map<std::int64_t, std::size_t> index;  // run number -> place in runs
  try {
    Statement select(
        Database,
        "SELECT r.id, m.machine_id, m.host, m.processor, m.logical_cores, "
        "m.memory_bytes, m.operating_system, m.kernel, r.started_utc, r.kit_version, "
        "r.git_commit, r.git_changes, r.compiler, r.build_type, r.load_1, r.load_5, "
        "r.load_15, r.folder, r.rounds, r.warmup_rounds, r.timeout_seconds, "
        "r.pinned_cpu, " +
            std::string(Version >= 2 ? "r.baseline_name, r.noise_percent" : "NULL, NULL") +
            " FROM runs r JOIN machines m ON m.id = r.machine " + where +
            " ORDER BY r.started_utc, r.id");
    if (number) select.Bind(1, *number);
    while (select.Step()) {
      record::StoredRun stored;
      stored.Number = select.Integer(0);
      record::MachineContext& c = stored.Record.Context;
      c.MachineId = select.Text(1);
      c.Host = select.Text(2);
      c.Processor = select.Text(3);
      c.LogicalCores = static_cast<int>(select.Integer(4));
      c.MemoryBytes = static_cast<std::uint64_t>(select.Integer(5));
      c.OperatingSystem = select.Text(6);
      c.Kernel = select.Text(7);
      c.StartedUtc = select.Text(8);
      c.KitVersion = select.Text(9);
      c.GitCommit = select.Text(10);
      c.GitChanges = select.Integer(11) != 0;
      c.Compiler = select.Text(12);
      c.BuildType = select.Text(13);
      c.LoadAverage = {select.Real(14), select.Real(15), select.Real(16)};
      record::Settings& o = stored.Record.Settings;
      o.Folder = select.Text(17);
      o.Repeat = static_cast<int>(select.Integer(18));
      o.Warmup = static_cast<int>(select.Integer(19));
      if (!select.Null(20)) o.TimeoutSeconds = select.Real(20);
      if (!select.Null(21)) o.PinnedCpu = static_cast<int>(select.Integer(21));
      o.SaveBaseline = select.Text(22);
      if (!select.Null(23)) o.NoisePercent = select.Real(23);
      index[stored.Number] = runs.size();
      runs.push_back(std::move(stored));
    }
    // Rows come in key order, so each run's sets, solvers and runs come in their own order.
    const std::string onlyRun = number ? " WHERE run = ?" : "";
    Statement sets(Database, ("SELECT * FROM sets" + onlyRun + " ORDER BY run, position").c_str());
    if (number) sets.Bind(1, *number);
    while (sets.Step()) {
      record::RunRecord& r = runs.at(index.at(sets.Integer(0))).Record;
      r.Sets.push_back({sets.Text(2), sets.Text(3), static_cast<std::int32_t>(sets.Integer(4)),
                        sets.Integer(5), static_cast<std::uintmax_t>(sets.Integer(6)),
                        sets.Text(7)});
    }
    Statement solvers(Database,
                      ("SELECT * FROM solvers" + onlyRun + " ORDER BY run, position").c_str());
    if (number) solvers.Bind(1, *number);
    while (solvers.Step()) {
      record::RunRecord& r = runs.at(index.at(solvers.Integer(0))).Record;
      r.Solvers.push_back({solvers.Text(2), solvers.Text(3), solvers.Text(4)});
    }
    Statement measurements(
        Database, ("SELECT * FROM measurements" + onlyRun + " ORDER BY run, position").c_str());
    if (number) measurements.Bind(1, *number);
    while (measurements.Step()) {
      const Statement& m = measurements;
      record::RunRecord& r = runs.at(index.at(m.Integer(0))).Record;
      record::Measurement run;
      run.Set = static_cast<std::size_t>(m.Integer(2));
      run.Solver = static_cast<std::size_t>(m.Integer(3));
      if (run.Set >= r.Sets.size() || run.Solver >= r.Solvers.size()) {
        throw std::runtime_error("ein Lauf nennt einen Satz oder Löser, den es nicht gibt");
      }
      run.Round = static_cast<int>(m.Integer(4));
      run.Warmup = m.Integer(5) != 0;
      run.Startup = m.Integer(6) != 0;
      run.Timed = m.Integer(7) != 0;
      run.Verdict = VerdictOf(m.Text(8));
      run.EndeSeconds = m.Real(9);
      run.MonotonicSeconds = m.Real(10);
      run.GuardSeconds = m.Real(11);
      run.UserSeconds = m.Real(12);
      run.SystemSeconds = m.Real(13);
      run.MaxRssBytes = m.Integer(14);
      run.OutBytes = static_cast<std::uintmax_t>(m.Integer(15));
      run.Check.Message = m.Text(16);
      run.Check.Number = static_cast<std::int32_t>(m.Integer(17));
      run.Check.Reason = m.Text(18);
      run.Check.Outcomes = {m.Integer(19), m.Integer(20), m.Integer(21)};
      run.Failure = m.Text(22);
      r.Measurements.push_back(std::move(run));
    }
    if (Version >= 2) {
      Statement comparisons(Database, "SELECT * FROM comparisons" + onlyRun +
                                          " ORDER BY run, set_position, solver_position, against");
      if (number) comparisons.Bind(1, *number);
      while (comparisons.Step()) {
        const Statement& c = comparisons;
        record::StoredComparison stored;
        stored.Set = static_cast<std::size_t>(c.Integer(1));
        stored.Solver = static_cast<std::size_t>(c.Integer(2));
        stored.AgainstBaseline = c.Text(3) == "baseline";
        stored.Other = stored.AgainstBaseline ? c.Integer(4) : c.Integer(5);
        stored.Result.Ratio = {c.Real(6), c.Real(7), c.Real(8)};
        if (!c.Null(9)) stored.Result.P = c.Real(9);
        stored.Result.Count = static_cast<int>(c.Integer(10));
        stored.Result.OtherCount = static_cast<int>(c.Integer(11));
        stored.Result.Change = ChangeOf(c.Text(12));
        runs.at(index.at(c.Integer(0))).Comparisons.push_back(stored);
      }
    }
  } catch (const std::exception& e) {
    throw kit::FileError("Der Ergebnisspeicher " + Shown(StorePath) +
                         " lässt sich nicht lesen: " + e.what() + ".");
  }
  return runs;
}

}  // namespace store
