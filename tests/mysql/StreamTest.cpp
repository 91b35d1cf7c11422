// Static record sets read as the server sends them: the count is exact before the first row and
// stays that of the snapshot while another connection changes the table; anything else done on
// the same connection meanwhile works as on a stored result.
#include <chrono>
#include <thread>

#include "ScratchDatabase.h"

namespace {

class MySqlStream : public mysqltest::ScratchDatabaseTest {};

TEST_F(MySqlStream, CountsInTheSnapshotAndLetsOtherWorkInterleave) {
  ado::Connection setup;
  open(setup);
  setup.Execute("CREATE TABLE s (id INT PRIMARY KEY, v VARCHAR(10))");
  setup.Execute("CREATE TABLE m (id INT) ENGINE=MyISAM");
  setup.Execute("INSERT INTO s VALUES (1,'a'),(2,'b'),(3,'c'),(4,'d')");
  setup.Execute("INSERT INTO m VALUES (1),(2)");

  ado::Connection cn;
  cn.SetCursorLocation(ado::adUseClient);
  open(cn);
  ado::Recordset rs;
  rs.Open("SELECT * FROM `s`", cn, ado::adOpenStatic, ado::adLockOptimistic);
  EXPECT_EQ(rs.RecordCount(), 4);
  // Another connection changes the table after the count: the read shows the snapshot.
  setup.Execute("INSERT INTO s VALUES (5,'e')");
  setup.Execute("DELETE FROM s WHERE id = 1");
  EXPECT_EQ(rs.Fields()["id"].Value(), ado::Variant(1));
  rs.MoveNext();
  // A statement and a second record set on the same connection while rows are still to come.
  EXPECT_EQ(scalar(cn, "SELECT COUNT(*) FROM s"), "4");
  ado::Recordset other;
  other.Open("SELECT * FROM m", cn, ado::adOpenStatic, ado::adLockReadOnly);
  EXPECT_EQ(other.RecordCount(), 2);
  // A row added through the first record set (it becomes the current row), then the rest.
  std::vector<std::string> ids = {rs.Fields()["id"].Value().toText()};
  rs.AddNew();
  rs.Fields()["id"].SetValue(9);
  rs.Update();
  for (rs.MoveNext(); !rs.Eof(); rs.MoveNext()) ids.push_back(rs.Fields()["id"].Value().toText());
  EXPECT_EQ(ids, (std::vector<std::string>{"2", "3", "4"}));
  for (int walked = 0; !other.Eof(); other.MoveNext()) EXPECT_EQ(other.Fields()[0].Value(), ado::Variant(++walked));
  EXPECT_EQ(rs.RecordCount(), 5);
  EXPECT_EQ(scalar(setup, "SELECT GROUP_CONCAT(id ORDER BY id) FROM s"), "2,3,4,5,9");

  // Closed early, and a transaction of the caller's own: the connection stays usable and the
  // caller's transaction is left to the caller.
  rs.Close();
  rs.Open("SELECT * FROM `s`", cn, ado::adOpenStatic, ado::adLockReadOnly);
  rs.Close();
  cn.Execute("START TRANSACTION");
  cn.Execute("INSERT INTO s VALUES (10, 'x')");
  rs.Open("SELECT * FROM `s`", cn, ado::adOpenStatic, ado::adLockReadOnly);
  EXPECT_EQ(rs.RecordCount(), 6);
  rs.Close();
  cn.Execute("ROLLBACK");
  EXPECT_EQ(scalar(setup, "SELECT COUNT(*) FROM s"), "5");
}

// A reader that pauses longer than the server's net_write_timeout still gets every row.
TEST_F(MySqlStream, AReaderThatPausesKeepsItsRows) {
  ado::Connection setup;
  open(setup);
  setup.Execute("CREATE TABLE wide (id INT PRIMARY KEY, v VARCHAR(200))");
  setup.Execute("INSERT INTO wide SELECT seq, REPEAT('x', 200) FROM seq_1_to_200000");
  const std::string timeout = scalar(setup, "SELECT @@GLOBAL.net_write_timeout");
  setup.Execute("SET GLOBAL net_write_timeout = 1");
  struct Restore {
    ado::Connection& cn;
    std::string value;
    ~Restore() { cn.Execute("SET GLOBAL net_write_timeout = " + value); }
  } restore{setup, timeout};
  ado::Connection cn;
  open(cn);
  ado::Recordset rs;
  rs.Open("SELECT * FROM wide", cn, ado::adOpenStatic, ado::adLockReadOnly);
  ASSERT_EQ(rs.RecordCount(), 200000);
  long rows = 0;
  for (; !rs.Eof(); rs.MoveNext())
    if (++rows == 2) std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_EQ(rows, 200000);
}

}  // namespace
