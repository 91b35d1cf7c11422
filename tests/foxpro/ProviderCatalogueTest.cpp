// Opening a source, the tables rowset of a folder, DROP TABLE, the tables a connection keeps
// open (tables another connection has open: ContainerWriteTest); and SELECT * over tables written
// by Visual FoxPro (the fixtures, read in place: nothing writes) and over tables the provider
// wrote. (Type codes and values of every fixture table: tests/tools/foxsql_fixtures.py.)
#include "ProviderSupport.h"
#include "ValueLiteral.h"
#include "foxpro-engine/TableWriter.h"

namespace {

using namespace provider_test;
using testing_literals::insertStatement;
using testing_literals::literal;

void touch(const std::string& path) { std::ofstream(path) << "x"; }

void createTable(ado::Connection& db, const std::string& path) {
  db.Execute("CREATE TABLE '" + path + "'([a] M)", -1);
  db.Execute(insertStatement(path, {literal("row")}), -1);
}

// "TYPE name" of every row, read by field name as the table list reads them.
std::string tables(ado::Connection& db) {
  ado::Recordset rs = db.OpenSchema(ado::adSchemaTables);
  std::string rows = std::to_string(rs.RecordCount()) + ":";
  for (; !rs.Eof(); rs.MoveNext())
    rows += " " + rs.Fields()["TABLE_TYPE"].Value().toText() + " " + rs.Fields()["TABLE_NAME"].Value().toText() + ";";
  return rows;
}

// A source opens when it is a folder or a container; a folder lists its table files in any case.
TEST(ProviderCatalogue, OpeningChecksTheSourceAndAFolderListsItsTableFilesInAnyCase) {
  TempFolder folder;
  touch(folder / "file.txt");
  const std::pair<std::string, long> sources[] = {{folder.path().string() + "/", 0},
                                                  {folder / "missing", 202},
                                                  {folder / "file.txt", 202},
                                                  {folder / "missing.dbc", 1},
                                                  {"", 1}};
  for (const auto& [source, number] : sources) EXPECT_EQ(errorNumber([&] { open(source); }), number) << source;
  auto db = open(folder.path());
  EXPECT_EQ(tables(*db), "0:");
  createTable(*db, folder / "orders.dbf");
  createTable(*db, folder / "Customers.DBF");
  createTable(*db, folder / "order items.Dbf");
  for (const char* other : {"orders.bak", ".dbf", "archive.dbf.old", "sub/inner.dbf"}) {
    fs::create_directories((folder.path() / other).parent_path());
    touch(folder / other);
  }
  fs::create_directory(folder / "folder.dbf");
  EXPECT_EQ(tables(*db), "3: TABLE Customers; TABLE order items; TABLE orders;");
}

TEST(ProviderCatalogue, DropRemovesTheTableWithItsMemoAndIndexAndNothingElse) {
  TempFolder folder;
  auto db = open(folder.path());
  createTable(*db, folder / "Orders.DBF");
  touch(folder / "ORDERS.cdx");  // its index, in another case
  touch(folder / "orders.CPG");  // its code page
  createTable(*db, folder / "data.dbf");
  for (const char* other : {"orders.txt", "orders2.dbf", "DATA.DBF"}) touch(folder / other);

  db->Execute("DROP TABLE [orders]", -1);  // as the transfer sends it: lower-cased
  db->Execute("DROP TABLE [data]", -1);    // DATA.DBF is another table on this file system
  std::string left;
  for (const auto& [name, bytes] : snapshot(folder.path())) left += name + " ";
  EXPECT_EQ(left, "DATA.DBF orders.txt orders2.dbf ");

  std::string description;
  EXPECT_EQ(errorNumber([&] { db->Execute("DROP TABLE [orders]", -1); }, &description), 1);
  EXPECT_EQ(description, "File 'orders.DBF' does not exist.");
  fs::create_directory(folder / "folder.dbf");
  EXPECT_EQ(errorNumber([&] { db->Execute("DROP TABLE [folder]", -1); }), 1);
  EXPECT_TRUE(fs::is_directory(folder / "folder.dbf"));
  db->Execute("DROP TABLE [" + (folder / "orders2.dbf") + "]", -1);
  EXPECT_FALSE(fs::exists(folder / "orders2.dbf"));

  // Only tables of this folder: not a table of another folder (a path there is refused, a name
  // is a name), not a file that is no .dbf (whose "memo" would be the .fpt of the table beside it).
  TempFolder other;
  createTable(*open(other.path()), other / "elsewhere.dbf");
  createTable(*db, folder / "notes.dbf");
  touch(folder / "notes.txt");
  fs::create_directory(folder / "sub");
  touch(folder / "sub/inner.dbf");
  auto before = snapshot(folder.path());
  for (const auto& [path, number] :
       std::vector<std::pair<std::string, int>>{{other / "elsewhere.dbf", 202},
                                                {"../" + other.path().filename().string() + "/elsewhere", 1},
                                                {folder / "notes.txt", 202},
                                                {folder / "sub/inner.dbf", 202}})
    EXPECT_EQ(errorNumber([&] { db->Execute("DROP TABLE [" + path + "]", -1); }), number) << path;
  EXPECT_EQ(changed(before, snapshot(folder.path())), "");
  EXPECT_EQ(snapshot(other.path()).size(), 2u);
}

TEST(ProviderCatalogue, ManyTablesInOneConnection) {
  // More tables than the connection keeps open at once: the least recently used are reopened.
  TempFolder folder;
  auto db = open(folder.path());
  auto path = [&](int t) { return folder / ("t" + std::to_string(t) + ".DBF"); };
  for (int t = 0; t < 40; ++t) createTable(*db, path(t));
  for (int round = 0; round < 3; ++round)
    for (int t = 0; t < 40; ++t) db->Execute(insertStatement(path(t), {literal(std::to_string(round))}), -1);
  db->Close();
  for (int t = 0; t < 40; ++t) EXPECT_EQ(readBack(path(t)).size(), 4u);
}

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
