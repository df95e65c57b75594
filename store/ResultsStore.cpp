#include "ResultsStore.h"

#include <cstdlib>

#include "Baselines.h"
#include "FileNames.h"
#include "ReadRecords.h"
#include "Schema.h"
#include "Sql.h"
#include "WriteRecord.h"

namespace store {
namespace {

// Long enough for another run's transaction (milliseconds), short enough not to hang forever on
// a store someone keeps locked.
constexpr int BusyMilliseconds = 15000;

// Reading never changes the store; a name it does not know says so as well.
template <typename Read>
auto Reading(const std::string& shown, Read read) {
  try {
    return read();
  } catch (const UnknownName& e) {
    throw kit::FileError("Der Ergebnisspeicher " + shown + " lässt sich nicht lesen: " + e.what() +
                         ". Er bleibt unverändert.");
  } catch (const std::exception& e) {
    throw kit::FileError("Der Ergebnisspeicher " + shown + " lässt sich nicht lesen: " + e.what() +
                         ".");
  }
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

ResultsStore::ResultsStore(const std::filesystem::path& path, Access access)
    : StorePath(path), Shown(kit::ShownPath(path)) {
  const bool writable = access == Access::Write;
  std::error_code error;
  const bool exists = std::filesystem::exists(path, error);
  if (!exists && !writable) {
    throw kit::FileError("Den Ergebnisspeicher " + Shown + " gibt es nicht.");
  }
  if (exists) {
    if (auto why = DamagedHeader(path)) {
      throw kit::FileError("Die Datei " + Shown + " ist kein Ergebnisspeicher des Messkits: " +
                           *why + ". Sie bleibt unverändert.");
    }
  } else if (path.has_parent_path()) {
    std::filesystem::create_directories(path.parent_path(), error);
  }
  try {
    Database = OpenDatabase(path, writable, BusyMilliseconds);
  } catch (const std::exception& e) {
    throw kit::FileError("Der Ergebnisspeicher " + Shown + " lässt sich nicht öffnen: " + e.what() +
                         ".");
  }
  try {
    Version = OpenSchema(Database, Shown, writable);
  } catch (...) {
    CloseDatabase(Database);
    throw;
  }
}

ResultsStore::~ResultsStore() {
  CloseDatabase(Database);
}

Stored ResultsStore::Add(const record::RunRecord& run, const std::string& importedFrom) {
  if (run.Interruption) {  // its figures rest on fewer rounds than it was asked for
    throw kit::FileError("Ein abgebrochener Lauf wird nicht im Ergebnisspeicher " + Shown +
                         " gespeichert.");
  }
  const std::string key = RunKey(run);
  try {
    Transaction transaction(Database);
    try {
      Upgrade(Database);
    } catch (const std::exception& e) {
      throw kit::FileError("Der Ergebnisspeicher " + Shown +
                           " lässt sich nicht auf die neue Form bringen: " + e.what() + ".");
    }
    Stored stored;
    if (const std::optional<std::int64_t> known = RunWithKey(Database, key)) {
      stored.Number = *known;
    } else {
      stored.Number = WriteRecord(Database, run, key, importedFrom);
      stored.Added = true;
    }
    transaction.Commit();
    Version = SchemaVersion;
    return stored;
  } catch (const kit::FileError&) {
    throw;
  } catch (const std::exception& e) {
    throw kit::FileError("Der Lauf konnte nicht im Ergebnisspeicher " + Shown +
                         " gespeichert werden: " + e.what() +
                         ". Von ihm ist dort nichts geblieben.");
  }
}

std::vector<record::StoredRun> ResultsStore::Load() const {
  return Reading(Shown, [this] { return ReadRecords(Database, Version); });
}

std::int64_t ResultsStore::FindRun(const std::string& reference) const {
  const std::optional<std::int64_t> number =
      Reading(Shown, [&] { return RunNamed(Database, Version, reference); });
  if (number) return *number;
  const bool isNumber = reference.find_first_not_of("0123456789") == std::string::npos;
  throw kit::FileError("Im Ergebnisspeicher " + Shown + " gibt es " +
                       (isNumber && !reference.empty()
                            ? "keinen Lauf " + reference
                            : "keine Basis „" + reference + "“ (--save-baseline)") +
                       ".");
}

record::Baseline ResultsStore::FindBaseline(const std::string& reference,
                                            const record::RunRecord& now) const {
  std::optional<std::int64_t> run;
  if (reference != "latest") run = FindRun(reference);
  return Reading(Shown, [&] { return BaselineOf(Database, Version, reference, run, now); });
}

std::optional<record::PuzzlesFrom> ResultsStore::FindBaselinePuzzles(
    const std::string& reference, const record::MachineContext& machine) const {
  std::optional<std::int64_t> run;
  if (reference != "latest") run = FindRun(reference);
  return Reading(Shown, [&] { return GeneratedSetOf(Database, run, machine); });
}

}  // namespace store
