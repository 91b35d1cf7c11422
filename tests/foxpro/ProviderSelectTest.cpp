// SELECT * through the provider over tables written by Visual FoxPro (the fixtures, read in
// place: nothing writes) and over tables the provider wrote. Type codes and values of every
// fixture table are checked by tests/tools/foxsql_fixtures.py.
#include "ProviderSupport.h"
#include "foxpro-engine/TableWriter.h"

namespace {

using namespace provider_test;

const fs::path kFixtures = TAVREL_FIXTURES_DIR;

TEST(ProviderSelect, NullsReadAsNullAndTheNameFormsAllFindTheTable) {
  auto db = open(kFixtures / "northwind");
  for (const char* statement : {"SELECT * FROM \"customers\"", "SELECT * FROM [Customers]", "select * from CUSTOMERS",
                                "SELECT * FROM 'customers.dbf'"})
    EXPECT_EQ(db->Execute(statement, -1).RecordCount(), 91) << statement;
  ado::Recordset rs = db->Execute("SELECT * FROM \"customers\"", -1);
  std::map<std::string, int> nulls;
  long walked = 0;
  for (; !rs.Eof(); rs.MoveNext(), ++walked)
    for (const char* field : {"region", "fax", "postalcode", "city"})
      if (rs.Fields()[field].Value().isNull()) ++nulls[field];
  EXPECT_EQ(walked, 91);
  // As the fixture's manifest counts them from the raw _NullFlags.
  EXPECT_EQ(nulls, (std::map<std::string, int>{{"region", 60}, {"fax", 22}, {"postalcode", 1}}));
}

// Records marked deleted are neither returned nor counted; a header's field names are in the
// table's code page (old dBASE programs wrote national letters there).
TEST(ProviderSelect, DeletedRecordsAndFieldNamesInTheTablesCodePage) {
  TempFolder folder;
  auto writer = fox::TableWriter::create(folder / "old.dbf", {{"AB", 'I'}}, {.codePage = 1252, .backlink = {}});
  for (std::int32_t i = 1; i <= 4; ++i) writer->append({i});
  for (std::uint32_t index : {0u, 3u}) writer->setDeleted(index, true);
  writer->close();
  {
    std::fstream file(folder / "old.dbf", std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(32);
    file.put('\xC9');  // the name is now "\xC9B", as a dBASE program in Windows-1252 writes ÉB
  }
  auto db = open(folder.path());
  ado::Recordset rs = db->Execute("SELECT * FROM old", -1);
  std::string seen = rs.Fields()[0].Name() + " " + std::to_string(rs.RecordCount()) + ":";
  for (; !rs.Eof(); rs.MoveNext()) seen += " " + rs.Fields()[0].Value().toText();
  EXPECT_EQ(seen, std::string("\xC3\x89") + "b 2: 2 3");
}

TEST(ProviderSelect, TablesThatCannotBeReadGiveClearErrors) {
  TempFolder folder;
  fs::copy_file(kFixtures / "dbffile/vfp9_30_memo.dbf", folder / "memo.dbf");  // its memo file left behind
  std::ofstream(folder / "broken.dbf", std::ios::binary) << std::string(40, '\x30');
  std::ofstream(folder / "empty.dbf", std::ios::binary);
  auto db = open(folder.path());
  std::string description;
  EXPECT_EQ(errorNumber([&] { db->Execute("SELECT * FROM memo", -1); }, &description), 41);
  EXPECT_NE(description.find("memo.fpt"), std::string::npos) << description;
  EXPECT_NE(errorNumber([&] { db->Execute("SELECT * FROM broken", -1); }), 0);
  EXPECT_NE(errorNumber([&] { db->Execute("SELECT * FROM empty", -1); }), 0);
  EXPECT_EQ(errorNumber([&] { db->Execute("SELECT * FROM nothere", -1); }, &description), 1);
  EXPECT_EQ(description, "File 'nothere.DBF' does not exist.");

  // A row that cannot be read is the layer's error when the walk reaches it.
  db->Execute("CREATE TABLE 'cut'([m] M)", -1);
  db->Execute("INSERT INTO [cut] VALUES('first')", -1);
  db->Execute("INSERT INTO [cut] VALUES('" + std::string(500, 'x') + "')", -1);
  db->Close();
  fs::resize_file(folder / "cut.FPT", 600);  // the second memo's blocks are gone
  db = open(folder.path());
  ado::Recordset rs = db->Execute("SELECT * FROM cut", -1);
  EXPECT_EQ(rs.Fields()[0].Value().toText(), "first");
  EXPECT_EQ(errorNumber([&] { rs.MoveNext(); }), 41);
}

}  // namespace
