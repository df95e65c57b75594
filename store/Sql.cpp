#include "Sql.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>

#include "FileError.h"

namespace store {

std::string InsertSql(const Table& table) {
  std::string names, values;
  for (const Column& column : table.Columns) {
    names += (names.empty() ? "" : ", ") + std::string(column.Name);
    values += (values.empty() ? ":" : ", :") + std::string(column.Name);
  }
  return "INSERT INTO " + std::string(table.Name) + " (" + names + ") VALUES (" + values + ")";
}

std::string SelectedColumns(const Table& table, int version) {
  std::string columns;
  for (const Column& column : table.Columns) {
    if (!columns.empty()) columns += ", ";
    if (column.Since > version) columns += "NULL AS ";
    columns += column.Name;
  }
  return columns;
}

std::string SameRow(const Table& table) {
  std::string row;
  for (const Column& column : table.Columns) {
    const std::string name(column.Name);
    row += (row.empty() ? "" : " AND ") + name + " = :" + name;
  }
  return row;
}

std::string Why(sqlite3* database, int status) {
  const int system = database ? sqlite3_system_errno(database) : 0;
  const std::string cause = system != 0 ? " (" + kit::SystemErrorText(system) + ")" : "";
  switch (status & 0xFF) {
    case SQLITE_CANTOPEN:
      return system != 0 ? kit::SystemErrorText(system) : "SQLite kann die Datei nicht öffnen";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return "ein anderer Prozess hält die Datei gesperrt";
    case SQLITE_READONLY:
      return "die Datei lässt sich nur lesen, nicht schreiben" + cause;
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return "dazu fehlt die Berechtigung" + cause;
    case SQLITE_FULL:
      return "der Datenträger ist voll";
    case SQLITE_IOERR:
      return "Lesen oder Schreiben ist gescheitert" + cause;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return "die Datei ist beschädigt";
    case SQLITE_NOMEM:
      return "der Arbeitsspeicher reicht nicht";
    default:  // a trigger's own message, or one the kit has no words of its own for
      return std::string("SQLite meldet „") +
             (database ? sqlite3_errmsg(database) : sqlite3_errstr(status)) + "“";
  }
}

sqlite3* OpenDatabase(const std::filesystem::path& path, bool writable, int busyMilliseconds) {
  const int flags = writable ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
  sqlite3* database = nullptr;
  const int opened = sqlite3_open_v2(path.c_str(), &database, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (opened != SQLITE_OK) {
    const std::string why = Why(database, opened);
    sqlite3_close(database);
    throw std::runtime_error(why);
  }
  sqlite3_extended_result_codes(database, 1);
  sqlite3_busy_timeout(database, busyMilliseconds);
  return database;
}

void CloseDatabase(sqlite3* database) {
  sqlite3_close(database);
}

Statement::Statement(sqlite3* database, const std::string& sql) : Database(database) {
  const int prepared = sqlite3_prepare_v2(database, sql.c_str(), -1, &Handle, nullptr);
  if (prepared != SQLITE_OK) throw std::runtime_error(Why(database, prepared));
  for (int i = 0; i < sqlite3_column_count(Handle); ++i) {
    Columns.emplace_back(sqlite3_column_name(Handle, i));
  }
  Bound.assign(static_cast<std::size_t>(sqlite3_bind_parameter_count(Handle)) + 1, false);
}

Statement::~Statement() {
  sqlite3_finalize(Handle);
}

int Statement::Parameter(std::string_view name) {
  const std::string named = ":" + std::string(name);
  const int at = sqlite3_bind_parameter_index(Handle, named.c_str());
  if (at == 0) throw std::logic_error("die Anweisung hat keinen Parameter " + named);
  Bound[static_cast<std::size_t>(at)] = true;
  return at;
}

Statement& Statement::Bind(std::string_view name, std::string_view text) {
  return Checked(sqlite3_bind_text(Handle, Parameter(name), text.data(),
                                   static_cast<int>(text.size()), SQLITE_TRANSIENT));
}

Statement& Statement::Bind(std::string_view name, double value) {
  return Checked(sqlite3_bind_double(Handle, Parameter(name), value));
}

Statement& Statement::BindInteger(std::string_view name, std::int64_t value) {
  return Checked(sqlite3_bind_int64(Handle, Parameter(name), value));
}

Statement& Statement::BindNull(std::string_view name) {
  return Checked(sqlite3_bind_null(Handle, Parameter(name)));
}

bool Statement::Step() {
  for (std::size_t at = 1; at < Bound.size(); ++at) {
    if (!Bound[at]) {
      throw std::logic_error(std::string("der Parameter ") +
                             sqlite3_bind_parameter_name(Handle, static_cast<int>(at)) +
                             " ist nicht gebunden");
    }
  }
  const int status = sqlite3_step(Handle);
  if (status == SQLITE_ROW) return true;
  if (status == SQLITE_DONE) return false;
  throw std::runtime_error(Why(Database, status));
}

void Statement::Run() {
  Step();
  Reset();
}

void Statement::Reset() {
  sqlite3_reset(Handle);
  sqlite3_clear_bindings(Handle);
  Bound.assign(Bound.size(), false);
}

// Columns are mostly read in the order they are selected: the one after the last is tried first.
int Statement::ColumnIndex(std::string_view name) const {
  for (std::size_t tried = 0; tried < Columns.size(); ++tried) {
    const std::size_t at = (Next + tried) % Columns.size();
    if (Columns[at] == name) {
      Next = at + 1;
      return static_cast<int>(at);
    }
  }
  throw std::logic_error("die Anweisung liest keine Spalte " + std::string(name));
}

std::int64_t Statement::Integer(std::string_view column) const {
  return sqlite3_column_int64(Handle, ColumnIndex(column));
}

double Statement::Real(std::string_view column) const {
  return sqlite3_column_double(Handle, ColumnIndex(column));
}

std::string Statement::Text(std::string_view column) const {
  const int at = ColumnIndex(column);
  const auto* text = sqlite3_column_text(Handle, at);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            static_cast<std::size_t>(sqlite3_column_bytes(Handle, at)))
              : std::string();
}

bool Statement::Null(std::string_view column) const {
  return sqlite3_column_type(Handle, ColumnIndex(column)) == SQLITE_NULL;
}

std::optional<std::int64_t> Statement::OptionalInteger(std::string_view column) const {
  if (Null(column)) return std::nullopt;
  return Integer(column);
}

std::optional<double> Statement::OptionalReal(std::string_view column) const {
  if (Null(column)) return std::nullopt;
  return Real(column);
}

Statement& Statement::Checked(int status) {
  if (status != SQLITE_OK) throw std::runtime_error(Why(Database, status));
  return *this;
}

void Execute(sqlite3* database, const std::string& sql) {
  char* error = nullptr;
  const int status = sqlite3_exec(database, sql.c_str(), nullptr, nullptr, &error);
  if (status != SQLITE_OK) {
    const std::string message = (status & 0xFF) == SQLITE_ERROR && error
                                    ? std::string("SQLite meldet „") + error + "“"
                                    : Why(database, status);
    sqlite3_free(error);
    throw std::runtime_error(message);
  }
}

std::int64_t LastInsertedRow(sqlite3* database) {
  return sqlite3_last_insert_rowid(database);
}

Transaction::Transaction(sqlite3* database) : Database(database) {
  Execute(database, "BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
  if (Open) sqlite3_exec(Database, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  Execute(Database, "COMMIT");
  Open = false;
}

std::int64_t IntegerPragma(sqlite3* database, std::string_view name) {
  Statement pragma(database, "PRAGMA " + std::string(name));
  return pragma.Step() ? pragma.Integer(name) : 0;
}

void SetPragma(sqlite3* database, std::string_view name, std::int64_t value) {
  Execute(database, "PRAGMA " + std::string(name) + " = " + std::to_string(value));
}

void UseWriteAheadLog(sqlite3* database) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    try {
      // The pragma answers with the mode in force, whether the switch succeeded or not.
      Statement mode(database, "PRAGMA journal_mode = WAL");
      if (mode.Step() && mode.Text("journal_mode") == "wal") return;
    } catch (const std::exception&) {
      // busy: try again
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace store
