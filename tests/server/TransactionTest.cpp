#include "server/Transaction.h"

#include <gtest/gtest.h>

#include "server/Database.h"
#include "server/TestDatabase.h"

namespace kiv::server {
namespace {

std::int64_t total(Database& db) {
  auto sum = db.prepare("SELECT COALESCE(SUM(x), 0) FROM t");
  return sum.step() ? sum.integer(0) : -1;
}

TEST(Transaction, ANestedOneUndoesOnlyItsOwnRowsAndLivesOrDiesWithTheOuterOne) {
  test::TempDir dir;
  std::string error;
  const auto db = Database::open(test::testDatabase(dir, "t.db"), &error);
  ASSERT_TRUE(db) << error;
  ASSERT_TRUE(db->exec("CREATE TABLE t(x INTEGER)"));
  {
    Transaction outer(*db);
    ASSERT_TRUE(db->exec("INSERT INTO t VALUES(1)"));
    {
      // A group message that could not be queued for every member: none of
      // its rows may stay, though the answer around it is kept.
      Transaction failed(*db);
      ASSERT_TRUE(db->exec("INSERT INTO t VALUES(10)"));
    }
    {
      Transaction done(*db);
      ASSERT_TRUE(db->exec("INSERT INTO t VALUES(100)"));
      ASSERT_TRUE(done.commit());
    }
    ASSERT_TRUE(outer.commit());
  }
  EXPECT_EQ(total(*db), 101);
  {
    Transaction outer(*db);
    Transaction inner(*db);
    ASSERT_TRUE(db->exec("INSERT INTO t VALUES(1000)"));
    ASSERT_TRUE(inner.commit());
  }
  EXPECT_EQ(total(*db), 101) << "the outer one was not committed";
  EXPECT_FALSE(db->inTransaction());
}

}  // namespace
}  // namespace kiv::server
