// The store's SQL layer on a database in memory: the statements a column list makes, binding and
// reading by name, and a transaction left without commit.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include "Sql.h"

namespace store {
namespace {

constexpr Column PairColumns[] = {{"a"}, {"b"}, {"c", 2}};
constexpr Table Pairs{"pairs", 1, PairColumns};

// A table `pairs` (a, b, c) in a database of its own.
class Memory {
 public:
  Memory() : Database(OpenDatabase(":memory:", true, 100)) {
    Execute(Database, "CREATE TABLE pairs (a INTEGER NOT NULL, b TEXT, c REAL)");
  }
  ~Memory() { CloseDatabase(Database); }
  Memory(const Memory&) = delete;
  Memory& operator=(const Memory&) = delete;

  std::int64_t Rows() const {
    Statement count(Database, "SELECT count(*) AS n FROM pairs");
    return count.Step() ? count.Integer("n") : -1;
  }

  sqlite3* const Database;
};

TEST(Sql, AColumnListMakesTheInsertTheSelectAndTheMatch) {
  EXPECT_EQ(InsertSql(Pairs), "INSERT INTO pairs (a, b, c) VALUES (:a, :b, :c)");
  EXPECT_EQ(SelectedColumns(Pairs, 2), "a, b, c");
  EXPECT_EQ(SelectedColumns(Pairs, 1), "a, b, NULL AS c");  // c came with version 2
  EXPECT_EQ(SameRow(Pairs), "a = :a AND b = :b AND c = :c");
}

TEST(Sql, BindsAndReadsByNameAndStepsOnlyWithEveryParameterBound) {
  Memory m;
  Statement insert(m.Database, InsertSql(Pairs));
  insert.Bind("c", 0.5).Bind("a", 7).Bind("b", "sieben").Run();
  insert.Bind("a", std::uint64_t{8}).Bind("b", std::optional<std::string>()).Bind("c", 1.5);
  insert.Run();
  // A forgotten column is not stored as NULL: the statement refuses to step.
  insert.Bind("a", 9).Bind("c", 2.5);
  EXPECT_THROW(insert.Run(), std::logic_error);
  insert.Reset();
  EXPECT_THROW(insert.Bind("d", 1), std::logic_error);
  EXPECT_THROW(insert.Bind("a", std::uint64_t{1} << 63), std::range_error);
  EXPECT_EQ(m.Rows(), 2);

  Statement select(m.Database, "SELECT " + SelectedColumns(Pairs, 1) + " FROM pairs ORDER BY a");
  ASSERT_TRUE(select.Step());
  EXPECT_EQ(select.Text("b"), "sieben");  // out of the selected order
  EXPECT_EQ(select.Integer("a"), 7);
  EXPECT_TRUE(select.Null("c"));  // not in version 1
  EXPECT_EQ(select.OptionalReal("c"), std::nullopt);
  EXPECT_THROW(select.Integer("d"), std::logic_error);
  ASSERT_TRUE(select.Step());
  EXPECT_EQ(select.OptionalInteger("a"), 8);
  EXPECT_EQ(select.Text("b"), "");
  EXPECT_FALSE(select.Step());
}

TEST(Sql, ATransactionKeepsAllOrNothing) {
  Memory m;
  {
    Transaction left(m.Database);
    Execute(m.Database, "INSERT INTO pairs (a) VALUES (1)");
  }
  EXPECT_EQ(m.Rows(), 0);
  {
    Transaction kept(m.Database);
    Execute(m.Database, "INSERT INTO pairs (a) VALUES (1); INSERT INTO pairs (a) VALUES (2)");
    kept.Commit();
  }
  EXPECT_EQ(m.Rows(), 2);
  EXPECT_THROW(Execute(m.Database, "INSERT INTO pairs (a) VALUES (NULL)"), std::runtime_error);
  SetPragma(m.Database, "user_version", 42);
  EXPECT_EQ(IntegerPragma(m.Database, "user_version"), 42);
}

// What SQLite says reaches the user in German: the system's reason for a file it cannot open,
// and a trigger's own words quoted as they are.
TEST(Sql, ItsFailuresAreWordedInGerman) {
  try {
    CloseDatabase(OpenDatabase("/no-such-folder/s.sqlite", true, 100));
    ADD_FAILURE() << "opened";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).find("unable"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("nicht vorhanden"), std::string::npos) << e.what();
  }
  Memory m;
  Execute(m.Database,
          "CREATE TRIGGER refuse BEFORE INSERT ON pairs BEGIN SELECT RAISE(ABORT, 'nein'); END");
  try {
    Execute(m.Database, "INSERT INTO pairs (a) VALUES (1)");
    ADD_FAILURE() << "inserted";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "SQLite meldet „nein“");
  }
  EXPECT_EQ(Why(nullptr, SQLITE_FULL), "der Datenträger ist voll");
}

}  // namespace
}  // namespace store
