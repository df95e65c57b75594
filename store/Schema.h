// The store's layout: its tables with the columns the kit writes and reads, the schema of a new
// store and the upgrades from each earlier one, and the checks that tell a store of the kit from
// any other file before anything is written to it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "Sql.h"

namespace store {

// The layout this kit writes; a store with a higher number comes from a newer kit. Version 2 added
// baselines and the comparisons a run reported, version 3 the judging threads and times, version 4
// the solvers' kind, command words, input files and version digest, version 5 the library
// solvers and a library run's times puzzle by puzzle.
inline constexpr int SchemaVersion = 5;

// "SMkt": tells the kit's stores from every other SQLite file.
inline constexpr int ApplicationId = 0x534D6B74;

// Each table's columns in the order they are stored. The writer binds and the reader reads every
// one of them by its name; a test holds them to the schema.
// clang-format off
inline constexpr Column MachineColumns[] = {
    {"machine_id"}, {"host"}, {"processor"}, {"logical_cores"}, {"memory_bytes"},
    {"operating_system"}, {"kernel"}};
inline constexpr Table Machines{"machines", 1, MachineColumns};  // and its id

inline constexpr Column RunColumns[] = {
    {"run_key"}, {"machine"}, {"started_utc"}, {"kit_version"}, {"git_commit"}, {"git_changes"},
    {"compiler"}, {"build_type"}, {"load_1"}, {"load_5"}, {"load_15"}, {"folder"}, {"rounds"},
    {"warmup_rounds"}, {"timeout_seconds"}, {"pinned_cpu"}, {"imported_from"},
    {"baseline_name", 2}, {"noise_percent", 2},
    {"check_threads", 3}};
inline constexpr Table Runs{"runs", 1, RunColumns};  // and its id, and stored_utc the store sets

inline constexpr Column SetColumns[] = {
    {"run"}, {"position"}, {"name"}, {"collection"}, {"seed"}, {"count"}, {"in_bytes"},
    {"in_sha256"}, {"requested_count", 3}};
inline constexpr Table Sets{"sets", 1, SetColumns};

inline constexpr Column SolverColumns[] = {
    {"run"}, {"position"}, {"name"}, {"program"}, {"program_sha256"},
    {"kind", 4}, {"command", 4}, {"inputs", 4}, {"version_sha256", 4},
    {"library", 5}, {"function", 5}, {"configuration", 5}, {"library_sha256", 5}};
inline constexpr Table Solvers{"solvers", 1, SolverColumns};

inline constexpr Column MeasurementColumns[] = {
    {"run"}, {"position"}, {"set_position"}, {"solver_position"}, {"round"}, {"warmup"},
    {"startup"}, {"timed"}, {"verdict"}, {"ende_seconds"}, {"monotonic_seconds"},
    {"guard_seconds"}, {"user_seconds"}, {"system_seconds"}, {"max_rss_bytes"}, {"out_bytes"},
    {"message"}, {"wrong_puzzle"}, {"reason"}, {"no_solution"}, {"one_solution"},
    {"several_solutions"}, {"failure"},
    {"check_seconds", 3},
    {"solutions_given", 5}, {"guesses", 5}, {"without_guess", 5}, {"p50_us", 5}, {"p90_us", 5},
    {"p99_us", 5}, {"max_us", 5}, {"histogram_bins", 5}};
inline constexpr Table Measurements{"measurements", 1, MeasurementColumns};

// A library run's slowest puzzles, by rank from the slowest, and the bins of its histogram that
// are not empty; `measurement` is the run's position in its own.
inline constexpr Column SlowPuzzleColumns[] = {
    {"run", 5}, {"measurement", 5}, {"rank", 5}, {"number", 5}, {"line", 5}, {"us", 5},
    {"guesses", 5}};
inline constexpr Table SlowPuzzles{"slow_puzzles", 5, SlowPuzzleColumns};

inline constexpr Column PuzzleBinColumns[] = {
    {"run", 5}, {"measurement", 5}, {"bin", 5}, {"count", 5}};
inline constexpr Table PuzzleBins{"puzzle_time_bins", 5, PuzzleBinColumns};

inline constexpr Column ComparisonColumns[] = {
    {"run", 2}, {"set_position", 2}, {"solver_position", 2}, {"against", 2}, {"other_run", 2},
    {"other_solver", 2}, {"ratio", 2}, {"low", 2}, {"high", 2}, {"p", 2}, {"count", 2},
    {"other_count", 2}, {"verdict", 2}};
inline constexpr Table Comparisons{"comparisons", 2, ComparisonColumns};
// clang-format on

// Why the file is no SQLite database or one cut short, judged from its header before SQLite sees
// it (SQLite would take a cut file until a query reaches its missing pages); nothing when it
// looks whole or is empty.
std::optional<std::string> DamagedHeader(const std::filesystem::path& path);

// Checks the stamp of the opened file and gives the layout it has. An empty file opened for
// writing gets the schema (and the write-ahead log); nothing is written before the file is known
// to be the kit's or empty. Throws kit::FileError, naming the file as `shown`, for a file that is
// not a store of the kit, has no valid version or comes from a newer kit, and for an empty one
// opened for reading.
int OpenSchema(sqlite3* database, const std::string& shown, bool writable);

// Brings the store up to SchemaVersion from the layout it has (read in the caller's transaction,
// which another writer may have upgraded meanwhile), in that transaction: a store is upgraded by
// the first run stored into it, one only read keeps its layout.
void Upgrade(sqlite3* database);

}  // namespace store
