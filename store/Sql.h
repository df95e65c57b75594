// The small SQL layer under the results store: tables described by their columns, a prepared
// statement that binds parameters and reads columns by name, a write transaction and pragmas.
// Every failure is a std::runtime_error with SQLite's message; the store turns it into a
// kit::FileError that names the file.
#pragma once

#include <concepts>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

// A column the kit writes and reads, with the schema version that added it.
struct Column {
  std::string_view Name;
  int Since = 1;
};

// A table: its name, the schema version that added it, and the columns the kit writes into it in
// the order they are stored (those the store fills itself, such as a row's id, are not among
// them).
struct Table {
  std::string_view Name;
  int Since = 1;
  std::span<const Column> Columns;
};

// "INSERT INTO t (a, b) VALUES (:a, :b)": every column of the table, each bound by its name.
std::string InsertSql(const Table& table);

// "a, b, NULL AS c": every column of the table for a select, each read by its name; a column
// newer than `version` as NULL, so that a store of an earlier layout reads as it is.
std::string SelectedColumns(const Table& table, int version);

// "a = :a AND b = :b": a row with every column as bound.
std::string SameRow(const Table& table);

// What SQLite's result `status` means, in German for the kit's messages; a trigger's message, or
// one without words of the kit's own, quoted as SQLite gave it.
std::string Why(sqlite3* database, int status);

// Opens the SQLite file for reading and writing (created when missing) or for reading only, with
// extended result codes and a busy timeout of `busyMilliseconds`.
sqlite3* OpenDatabase(const std::filesystem::path& path, bool writable, int busyMilliseconds);
void CloseDatabase(sqlite3* database);

// One prepared statement. Its parameters are named (":name") and bound by that name without the
// colon; it does not step while one of them is unbound. Columns are read by their names.
class Statement {
 public:
  Statement(sqlite3* database, const std::string& sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(std::string_view name, std::string_view text);
  Statement& Bind(std::string_view name, double value);
  template <std::integral T>
  Statement& Bind(std::string_view name, T value) {
    if constexpr (std::unsigned_integral<T> && sizeof(T) >= sizeof(std::int64_t)) {
      if (value > static_cast<T>(std::numeric_limits<std::int64_t>::max())) {
        throw std::range_error("die Zahl " + std::to_string(value) + " ist zu groß für SQLite");
      }
    }
    return BindInteger(name, static_cast<std::int64_t>(value));
  }
  // None: NULL.
  template <typename T>
  Statement& Bind(std::string_view name, const std::optional<T>& value) {
    return value ? Bind(name, *value) : BindNull(name);
  }

  // Steps once: true while there is a row to read.
  bool Step();
  // Steps a statement that gives no rows, then makes it ready for the next bindings.
  void Run();
  // Makes it ready to step again from the start, with new bindings.
  void Reset();

  // The current row's value in `column`, which the statement must select.
  std::int64_t Integer(std::string_view column) const;
  double Real(std::string_view column) const;
  std::string Text(std::string_view column) const;  // NULL: empty
  bool Null(std::string_view column) const;
  std::optional<std::int64_t> OptionalInteger(std::string_view column) const;
  std::optional<double> OptionalReal(std::string_view column) const;

 private:
  Statement& BindInteger(std::string_view name, std::int64_t value);
  Statement& BindNull(std::string_view name);
  int Parameter(std::string_view name);  // its index, marked as bound
  int ColumnIndex(std::string_view name) const;
  Statement& Checked(int status);

  sqlite3* Database;
  sqlite3_stmt* Handle = nullptr;
  std::vector<std::string> Columns;  // the names of what it selects, in order
  std::vector<bool> Bound;           // per parameter, from index 1
  mutable std::size_t Next = 0;      // where the next column read is looked for first
};

// Runs SQL that gives no rows, several statements at once.
void Execute(sqlite3* database, const std::string& sql);

// The number of the row the last insert added.
std::int64_t LastInsertedRow(sqlite3* database);

// One write transaction, begun at once: another writer is waited for (busy timeout) before it
// begins. Everything in it is kept by Commit, or nothing: leaving it otherwise rolls it back.
class Transaction {
 public:
  explicit Transaction(sqlite3* database);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void Commit();

 private:
  sqlite3* Database;
  bool Open = true;
};

// The integer a pragma answers with ("user_version"); 0 when it gives none.
std::int64_t IntegerPragma(sqlite3* database, std::string_view name);

// Sets an integer pragma ("user_version", "application_id").
void SetPragma(sqlite3* database, std::string_view name, std::int64_t value);

// Switches the store to the write-ahead log, so that readers never wait for a writer. Switching
// needs the file to itself, which SQLite does not wait for: while another connection holds it,
// it is tried again a little later, and given up after two seconds (the store then keeps its
// journal mode, in which writers wait for each other as well).
void UseWriteAheadLog(sqlite3* database);

}  // namespace store
