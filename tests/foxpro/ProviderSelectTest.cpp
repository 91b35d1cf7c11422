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

TEST(ProviderSelect, DeletedRecordsAreNeitherReturnedNorCounted) {
  TempFolder folder;
  {
    auto db = open(folder.path());
    db->Execute("CREATE TABLE 'rows'([n] I,[d] D,[t] T)", -1);
    for (int i = 1; i <= 6; ++i) db->Execute("INSERT INTO [rows] VALUES(" + std::to_string(i) + ", {}, {:})", -1);
  }
  {
    auto writer = fox::TableWriter::openForAppend(folder / "rows.DBF");
    for (std::uint32_t index : {0, 3, 5}) writer->setDeleted(index, true);
  }
  auto db = open(folder.path());
  ado::Recordset rs = db->Execute("SELECT * FROM rows", -1);
  EXPECT_EQ(rs.RecordCount(), 3);
  std::string seen;
  for (; !rs.Eof(); rs.MoveNext()) {
    seen += rs.Fields()[0].Value().toText() + " ";
    // FoxPro's empty date and date-time have no value in the layer.
    EXPECT_TRUE(rs.Fields()[1].Value().isNull() && rs.Fields()[2].Value().isNull());
  }
  EXPECT_EQ(seen, "2 3 5 ");
}

TEST(ProviderSelect, HeaderFieldNamesAreReadInTheTablesCodePage) {
  TempFolder folder;
  open(folder.path())->Execute("CREATE TABLE 'old'([ab] C(2))", -1);
  {
    std::fstream file(folder / "old.DBF", std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(29);
    file.put('\x03');  // Windows-1252
    file.seekp(32);
    file.put('\xC9');  // the name is now "\xC9B", as a dBASE program in that code page writes É
  }
  auto db = open(folder.path());
  EXPECT_EQ(db->Execute("SELECT * FROM old", -1).Fields()[0].Name(),
            "\xC3\x89"
            "b");
}

// A dBase III table without a code page mark is read in the locale's Windows code page, the one
// new tables get.
TEST(ProviderSelect, UnmarkedTablesAreReadInTheLocalesCodePage) {
  TempFolder folder;
  const char* old = std::getenv("LC_ALL");
  std::string saved = old ? old : "";
  setenv("LC_ALL", "en_US.UTF-8", 1);
  {
    auto db = open(folder.path());
    db->Execute("CREATE TABLE 'old'([name] C(3))", -1);
    db->Execute("INSERT INTO old VALUES('\xC3\x86\xC3\xA8\xC3\xA2')", -1);  // Æèâ: the bytes C6 E8 E2
  }
  {
    std::fstream file(folder / "old.DBF", std::ios::in | std::ios::out | std::ios::binary);
    file.put('\x03');  // dBase III
    file.seekp(29);
    file.put('\0');  // no mark
  }
  for (auto [locale, reads] : {std::pair{"ru_RU.UTF-8", "\xD0\x96\xD0\xB8\xD0\xB2"},
                               {"cs_CZ.UTF-8", "\xC4\x86\xC4\x8D\xC3\xA2"},
                               {"en_US.UTF-8", "\xC3\x86\xC3\xA8\xC3\xA2"}}) {
    setenv("LC_ALL", locale, 1);
    auto db = open(folder.path());
    EXPECT_EQ(db->Execute("SELECT * FROM old", -1).Fields()[0].Value().asText(), reads) << locale;
  }
  old ? setenv("LC_ALL", saved.c_str(), 1) : unsetenv("LC_ALL");
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
