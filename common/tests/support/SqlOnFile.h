// SQL on a database file behind a program's back, as another program would run it: each value
// of each row followed by "|", an error as "ERROR: …". Tests that include it link SQLite.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <string>

namespace kit::testing {

inline std::string Sql(const std::filesystem::path& path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_busy_timeout(db, 10000);
  std::string result;
  char* error = nullptr;
  sqlite3_exec(
      db, sql.c_str(),
      [](void* out, int columns, char** values, char**) {
        for (int i = 0; i < columns; ++i) {
          *static_cast<std::string*>(out) += (values[i] ? values[i] : "NULL") + std::string("|");
        }
        return 0;
      },
      &result, &error);
  if (error) result += std::string("ERROR: ") + error;
  sqlite3_free(error);
  sqlite3_close(db);
  return result;
}

}  // namespace kit::testing
