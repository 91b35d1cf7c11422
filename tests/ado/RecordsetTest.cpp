// The layer's own behaviour (dispatch, record set walking, AddNew/Update, closing) against a
// small in-memory provider written for this test; the real providers have their own tests.
#include <gtest/gtest.h>

#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "platform/ado/Provider.h"

namespace {

using namespace ado;

struct Table {
  std::vector<provider::FieldInfo> fields{{"id", adInteger}, {"name", adVarChar}};
  std::vector<std::vector<Variant>> rows;
  std::vector<std::vector<bool>> assignedLog;
  int closedSessions = 0;
  int fetches = 0;
};

Table table;

class MemoryCursor : public provider::Cursor {
 public:
  const std::vector<provider::FieldInfo>& fields() const override { return table.fields; }
  long recordCount() const override { return static_cast<long>(table.rows.size()); }
  bool fetch(std::vector<Variant>& row) override {
    ++table.fetches;
    if (next_ >= table.rows.size()) return false;
    row = table.rows[next_++];
    return true;
  }
  void insert(const std::vector<Variant>& values, const std::vector<bool>& assigned) override {
    table.rows.push_back(values);
    table.assignedLog.push_back(assigned);
  }

 private:
  std::size_t next_ = 0;
};

class MemorySession : public provider::Session {
 public:
  std::unique_ptr<provider::Cursor> execute(const std::string& text) override {
    if (text == "SELECT") return std::make_unique<MemoryCursor>();
    if (text == "FAIL") throw Error(1064, "You have an error in your SQL syntax");
    return nullptr;
  }
  std::unique_ptr<provider::Cursor> openSchema(SchemaEnum) override { return std::make_unique<MemoryCursor>(); }
  void close() override { ++table.closedSessions; }
};

class RecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table = Table{};
    table.rows = {{1, "one"}, {2, Variant()}};
    provider::registerProvider("memory.1", [](const provider::OpenRequest& r) {
      EXPECT_EQ(r.connectionString.value("Data Source"), "here");
      return std::make_unique<MemorySession>();
    });
    provider::registerDriver("Memory Driver", [](const provider::OpenRequest&) {
      return std::make_unique<MemorySession>();
    });
  }
};

TEST_F(RecordsetTest, WalksRowsFromFirstToEof) {
  Connection cn;
  cn.Open("Provider=memory.1;Data Source=here;");
  Recordset rs = cn.Execute("SELECT");
  ASSERT_EQ(rs.State(), adStateOpen);
  EXPECT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(rs.Fields().Count(), 2);
  EXPECT_EQ(rs.Fields()[1].Name(), "name");
  EXPECT_EQ(rs.Fields()["NAME"].Type(), adVarChar);
  EXPECT_EQ(rs.Fields()[0].Value(), Variant(1));
  rs.MoveNext();
  EXPECT_TRUE(rs.Fields()[1].Value().isNull());
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_THROW(rs.Fields()[0].Value(), Error);
  EXPECT_THROW(rs.MoveNext(), Error);
  EXPECT_THROW(rs.Fields()[2], Error);
  EXPECT_THROW(rs.Fields()["missing"], Error);
}

TEST_F(RecordsetTest, StatementsWithoutRowsGiveAClosedRecordset) {
  Connection cn;
  cn.Open("DRIVER={memory driver};SERVER=x;");
  EXPECT_EQ(cn.Execute("DROP").State(), adStateClosed);
  try {
    cn.Execute("FAIL");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 1064);
    EXPECT_EQ(e.Description(), "You have an error in your SQL syntax");
  }
}

TEST_F(RecordsetTest, AddNewAndUpdateInsertOneRowWithTheAssignedFields) {
  Connection cn;
  cn.Open("Provider=memory.1;Data Source=here;");
  Recordset rs;
  rs.Open("SELECT", cn, adOpenKeyset, adLockOptimistic);
  EXPECT_THROW(rs.Fields()[0].SetValue(5), Error);  // not adding
  rs.AddNew();
  rs.Fields()[0].SetValue(5);
  EXPECT_EQ(rs.Fields()[0].Value(), Variant(5));
  rs.Update();
  ASSERT_EQ(table.rows.size(), 3u);
  EXPECT_EQ(table.rows[2][0], Variant(5));
  EXPECT_TRUE(table.rows[2][1].isNull());
  EXPECT_EQ(table.assignedLog[0], (std::vector<bool>{true, false}));
  rs.Close();
  EXPECT_EQ(rs.State(), adStateClosed);
  EXPECT_THROW(rs.Close(), Error);
}

TEST_F(RecordsetTest, RowsAreReadOnlyWhenTheCallerFirstNeedsThem) {
  Connection cn;
  cn.Open("Provider=memory.1;Data Source=here;");
  Recordset rs;
  rs.Open("SELECT", cn, adOpenKeyset, adLockOptimistic);
  EXPECT_EQ(rs.Fields().Count(), 2);
  rs.AddNew();
  rs.Fields()[0].SetValue(3);
  rs.Update();
  EXPECT_EQ(table.fetches, 0);  // only added to: nothing read
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_EQ(rs.Fields()[0].Value(), Variant(3));  // the new row is the current one
  rs.Close();

  Recordset read = cn.Execute("SELECT");
  EXPECT_EQ(table.fetches, 0);
  EXPECT_FALSE(read.Eof());
  EXPECT_EQ(table.fetches, 1);
  EXPECT_EQ(read.Fields()[0].Value(), Variant(1));
}

TEST_F(RecordsetTest, ClosingTheConnectionClosesItsRecordsetsAndTheirFields) {
  Recordset rs;
  {
    Connection cn;
    cn.Open("Provider=memory.1;Data Source=here;");
    rs = cn.OpenSchema(adSchemaTables);
    EXPECT_EQ(rs.State(), adStateOpen);
    // Fields taken from a record set nobody holds any more still reach it.
    Recordset::Field id = cn.Execute("SELECT").Fields()[0];
    Recordset::FieldList fields = cn.Execute("SELECT").Fields();
    EXPECT_EQ(id.Value(), Variant(1));
    EXPECT_EQ(fields[1].Value(), Variant("one"));
    cn.Close();
    EXPECT_EQ(cn.State(), adStateClosed);
    EXPECT_EQ(table.closedSessions, 1);
    EXPECT_THROW(cn.Execute("SELECT"), Error);
    EXPECT_THROW(id.Value(), Error);
    EXPECT_THROW(fields.Count(), Error);
  }
  EXPECT_EQ(rs.State(), adStateClosed);
  EXPECT_THROW(rs.RecordCount(), Error);
}

TEST_F(RecordsetTest, ARecordsetReopenedOnAnotherConnectionBelongsToThatOne) {
  Connection first, second;
  first.Open("Provider=memory.1;Data Source=here;");
  second.Open("Provider=memory.1;Data Source=here;");
  Recordset rs;  // one record set reused, as the copy into MySQL does for every row
  for (int i = 0; i < 3; ++i) {
    rs.Open("SELECT", first);
    rs.Close();
  }
  rs.Open("SELECT", second);
  first.Close();
  EXPECT_EQ(rs.State(), adStateOpen);
  EXPECT_EQ(rs.RecordCount(), 2);
  second.Close();
  EXPECT_EQ(rs.State(), adStateClosed);
}

TEST_F(RecordsetTest, UnknownDriversAndProvidersAreErrors) {
  Connection cn;
  try {
    cn.Open("DRIVER={No Such Driver};SERVER=x;");
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(e.Description().find("Data source name not found"), std::string::npos);
  }
  EXPECT_THROW(cn.Open("Provider=nothing.1;"), Error);
  EXPECT_THROW(cn.Open("SERVER=x;"), Error);
  EXPECT_EQ(cn.State(), adStateClosed);
  cn.Open("Provider=memory.1;Data Source=here;");
  EXPECT_THROW(cn.Open("Provider=memory.1;Data Source=here;"), Error);  // already open
}

}  // namespace
