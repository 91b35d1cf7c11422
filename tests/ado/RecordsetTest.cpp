// The layer's own behaviour (dispatch, record set walking, AddNew/Update, closing) against a
// small in-memory provider written for this test; the real providers have their own tests.
#include <gtest/gtest.h>

#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "platform/ado/Provider.h"

namespace {

using namespace ado;

// The provider's one table, and what the layer asked of it.
struct Table {
  std::vector<provider::FieldInfo> fields{{"id", adInteger}, {"name", adVarChar}};
  std::vector<std::vector<Variant>> rows{{1, "one"}, {2, Variant()}};
  std::vector<bool> assigned;  // of the last insert
  int closedSessions = 0, fetches = 0;
} table;

// "SELECT id" gives the first column only; any other text gives both.
class MemoryCursor : public provider::Cursor {
 public:
  explicit MemoryCursor(const std::string& text)
      : fields_(table.fields.begin(), table.fields.begin() + (text == "SELECT id" ? 1 : 2)) {}
  const std::vector<provider::FieldInfo>& fields() const override { return fields_; }
  long recordCount() const override { return static_cast<long>(table.rows.size()); }
  bool fetch(std::vector<Variant>& row) override {
    ++table.fetches;
    if (next_ >= table.rows.size()) return false;
    row = table.rows[next_++];
    row.resize(fields_.size());
    return true;
  }
  void insert(const std::vector<Variant>& values, const std::vector<bool>& assigned) override {
    table.rows.push_back(values);
    table.assigned = assigned;
  }

 private:
  std::vector<provider::FieldInfo> fields_;
  std::size_t next_ = 0;
};

class MemorySession : public provider::Session {
 public:
  std::unique_ptr<provider::Cursor> execute(const std::string& text) override {
    return std::make_unique<MemoryCursor>(text);
  }
  std::unique_ptr<provider::Cursor> openSchema(SchemaEnum, const std::vector<Variant>&) override {
    return std::make_unique<MemoryCursor>("");
  }
  void close() override { ++table.closedSessions; }
};

constexpr const char* kMemory = "Provider=memory.1;Data Source=here;";

class RecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table = Table{};
    provider::registerProvider("memory.1", [](const provider::OpenRequest& r) {
      EXPECT_EQ(r.connectionString.value("Data Source"), "here");
      return std::make_unique<MemorySession>();
    });
    cn.Open(kMemory);
  }
  Connection cn;
};

TEST_F(RecordsetTest, WalksRowsFromFirstToEofReadingThemOnlyWhenNeeded) {
  Recordset rs = cn.Execute("SELECT");
  ASSERT_EQ(rs.State(), adStateOpen);
  EXPECT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(table.fetches, 0);
  EXPECT_FALSE(rs.Eof());
  EXPECT_EQ(table.fetches, 1);
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

// A record set only added to is never read, so a provider may leave its query unsent.
TEST_F(RecordsetTest, AddNewAndUpdateInsertTheAssignedFieldsWithoutReadingRows) {
  Recordset rs;
  rs.Open("SELECT", cn, adOpenKeyset, adLockOptimistic);
  EXPECT_THROW(rs.Fields()[0].SetValue(5), Error);  // not adding
  rs.AddNew();
  rs.Fields()[0].SetValue(5);
  EXPECT_EQ(rs.Fields()[0].Value(), Variant(5));
  rs.Update();
  EXPECT_EQ(table.fetches, 0);
  ASSERT_EQ(table.rows.size(), 3u);
  EXPECT_EQ(table.rows[2][0], Variant(5));
  EXPECT_TRUE(table.rows[2][1].isNull());
  EXPECT_EQ(table.assigned, (std::vector<bool>{true, false}));
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_EQ(rs.Fields()[0].Value(), Variant(5));  // the new row is the current one
  rs.Close();
  EXPECT_EQ(rs.State(), adStateClosed);
  EXPECT_THROW(rs.Close(), Error);
}

// Closing a connection closes its record sets and their fields, even fields taken from a record
// set nobody holds any more, and a record set that outlives the connection; one record set reused
// on two connections, as the copy into MySQL reuses one for every row, belongs to the last one.
TEST_F(RecordsetTest, ClosingTheConnectionClosesItsRecordsetsAndTheirFields) {
  Recordset rs, reused;
  {
    Connection other;
    other.Open(kMemory);
    rs = other.OpenSchema(adSchemaTables);
    Recordset::Field id = other.Execute("SELECT").Fields()[0];
    Recordset::FieldList fields = other.Execute("SELECT").Fields();
    EXPECT_EQ(id.Value(), Variant(1));
    EXPECT_EQ(fields[1].Value(), Variant("one"));
    reused.Open("SELECT", other);
    Recordset::Field name = reused.Fields()[1];
    for (Connection* on : {&other, &cn}) {
      reused.Close();
      reused.Open("SELECT id", *on);
    }
    other.Close();
    EXPECT_EQ(other.State(), adStateClosed);
    EXPECT_EQ(table.closedSessions, 1);
    EXPECT_THROW(other.Execute("SELECT"), Error);
    EXPECT_THROW(id.Value(), Error);
    EXPECT_THROW(fields.Count(), Error);
    EXPECT_EQ(reused.RecordCount(), 2);
    EXPECT_THROW(name.Name(), Error);  // a field of the earlier layout, not of this one
    EXPECT_THROW(name.Value(), Error);
    reused.AddNew();
    EXPECT_THROW(name.SetValue(1), Error);
  }
  EXPECT_EQ(rs.State(), adStateClosed);
  EXPECT_THROW(rs.RecordCount(), Error);
  cn.Close();
  EXPECT_EQ(reused.State(), adStateClosed);
}

TEST_F(RecordsetTest, UnknownDriversAndProvidersAreErrors) {
  Connection fresh;
  for (const char* unknown : {"DRIVER={No Such Driver};SERVER=x;", "SERVER=x;", "Provider=nothing.1;"}) {
    try {
      fresh.Open(unknown);
      ADD_FAILURE() << unknown;
    } catch (const Error& e) {
      EXPECT_EQ(e.Description().find("Data source name not found") != std::string::npos, unknown[0] != 'P');
    }
  }
  EXPECT_EQ(fresh.State(), adStateClosed);
  EXPECT_THROW(cn.Open(kMemory), Error);  // already open
}

}  // namespace
