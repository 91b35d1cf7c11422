// Opening a source, the tables rowset of a folder, and DROP TABLE.
#include "ProviderSupport.h"
#include "ValueLiteral.h"

namespace {

using namespace provider_test;
using testing_literals::insertStatement;
using testing_literals::literal;

void touch(const std::string& path, const std::string& bytes = "x") { std::ofstream(path, std::ios::binary) << bytes; }

void createTable(ado::Connection& db, const std::string& path) {
  db.Execute("CREATE TABLE '" + path + "'([a] M)", -1);
  db.Execute(insertStatement(path, {literal("row")}), -1);
}

// (TABLE_TYPE, TABLE_NAME) of every row, read by field name as the table list reads them.
std::vector<std::pair<std::string, std::string>> tables(ado::Connection& db) {
  ado::Recordset rs = db.OpenSchema(ado::adSchemaTables);
  std::vector<std::pair<std::string, std::string>> rows;
  const long count = rs.RecordCount();
  while (!rs.Eof()) {
    rows.emplace_back(rs.Fields()["TABLE_TYPE"].Value().toText(), rs.Fields()["TABLE_NAME"].Value().toText());
    rs.MoveNext();
  }
  EXPECT_EQ(count, static_cast<long>(rows.size()));
  return rows;
}

TEST(ProviderCatalogue, OpeningChecksTheSource) {
  TempFolder folder;
  foxpro::registerFoxProProvider();
  auto openWith = [](const std::string& source) {
    return errorNumber([&] {
      ado::Connection db;
      db.Open(connectionString(source), "", "", -1);
    });
  };
  EXPECT_EQ(openWith(folder.path().string()), 0);
  EXPECT_EQ(openWith(folder.path().string() + "/"), 0);
  EXPECT_EQ(openWith(folder / "missing"), 202);
  EXPECT_EQ(openWith(folder / "missing.dbc"), 1);
  EXPECT_EQ(openWith(""), 1);
  touch(folder / "file.txt");
  EXPECT_EQ(openWith(folder / "file.txt"), 202);
  touch(folder / "Sales.DBC");
  EXPECT_EQ(openWith(folder / "Sales.DBC"), 15);  // an empty file is no container: "Not a table."

  ado::Connection db;
  EXPECT_EQ(errorNumber([&] { db.Open("Provider=vfpoledb.1;Collating Sequence=general;", "", "", -1); }), 1);
}

TEST(ProviderCatalogue, AFolderListsItsTableFilesInAnyCase) {
  TempFolder folder;
  auto db = open(folder.path());
  EXPECT_TRUE(tables(*db).empty());

  createTable(*db, folder / "orders.dbf");
  createTable(*db, folder / "Customers.DBF");
  createTable(*db, folder / "order items.Dbf");
  touch(folder / "notes.txt");
  touch(folder / "orders.bak");
  touch(folder / ".dbf");
  touch(folder / "archive.dbf.old");
  fs::create_directory(folder / "folder.dbf");
  fs::create_directory(folder / "sub");
  touch(folder / "sub/inner.dbf");

  auto rows = tables(*db);
  std::vector<std::pair<std::string, std::string>> expected = {
      {"TABLE", "Customers"}, {"TABLE", "order items"}, {"TABLE", "orders"}};
  EXPECT_EQ(rows, expected);

  ado::Recordset rs = db->OpenSchema(ado::adSchemaTables);
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_EQ(rs.Fields()[2].Name(), "TABLE_NAME");
  EXPECT_EQ(rs.Fields()[3].Name(), "TABLE_TYPE");
  EXPECT_TRUE(rs.Fields()["TABLE_CATALOG"].Value().isNull());
}

TEST(ProviderCatalogue, DropRemovesTheTableWithItsMemoAndIndexWhateverTheirCase) {
  TempFolder folder;
  auto db = open(folder.path());
  createTable(*db, folder / "Orders.DBF");
  touch(folder / "ORDERS.cdx");      // its index, in another case
  createTable(*db, folder / "keep.dbf");
  touch(folder / "orders.txt");      // not a table file
  touch(folder / "orders2.dbf");

  db->Execute("DROP TABLE [orders]", -1);  // as the transfer sends it: lower-cased
  auto left = snapshot(folder.path());
  EXPECT_EQ(left.count("Orders.DBF"), 0u);
  EXPECT_EQ(left.count("Orders.FPT"), 0u);
  EXPECT_EQ(left.count("ORDERS.cdx"), 0u);
  EXPECT_EQ(left.count("keep.dbf"), 1u);
  EXPECT_EQ(left.count("keep.fpt"), 1u);
  EXPECT_EQ(left.count("orders.txt"), 1u);
  EXPECT_EQ(left.count("orders2.dbf"), 1u);

  std::string description;
  EXPECT_EQ(errorNumber([&] { db->Execute("DROP TABLE [orders]", -1); }, &description), 1);
  EXPECT_EQ(description, "File 'orders.dbf' does not exist.");
  EXPECT_EQ(errorNumber([&] { db->Execute("DROP TABLE [folder]", -1); }), 1);
  fs::create_directory(folder / "folder.dbf");
  EXPECT_EQ(errorNumber([&] { db->Execute("DROP TABLE [folder]", -1); }), 1);
  EXPECT_TRUE(fs::is_directory(folder / "folder.dbf"));

  db->Execute("DROP TABLE [" + (folder / "keep.dbf") + "]", -1);
  EXPECT_FALSE(fs::exists(folder / "keep.dbf"));
  EXPECT_FALSE(fs::exists(folder / "keep.fpt"));
}

TEST(ProviderCatalogue, DropOnlyTouchesTheTableNamedWhenAnotherDiffersInCase) {
  TempFolder folder;
  auto db = open(folder.path());
  createTable(*db, folder / "data.dbf");
  // A second table whose name differs only in case (possible on this file system).
  touch(folder / "DATA.DBF", std::string(1, '\x30'));
  db->Execute("DROP TABLE [data]", -1);
  EXPECT_FALSE(fs::exists(folder / "data.dbf"));
  EXPECT_FALSE(fs::exists(folder / "data.fpt"));
  EXPECT_TRUE(fs::exists(folder / "DATA.DBF"));
}

TEST(ProviderCatalogue, DropAndCreateOfATableThisConnectionIsWriting) {
  TempFolder folder;
  auto db = open(folder.path());
  const std::string path = folder / "live.DBF";
  createTable(*db, path);
  ado::Recordset reading = db->Execute("SELECT * FROM live", -1);
  db->Execute(insertStatement(path, {literal("second")}), -1);

  // The table is open for appending; dropping it closes it first and takes its files.
  db->Execute("DROP TABLE [live]", -1);
  EXPECT_FALSE(fs::exists(path));
  EXPECT_FALSE(fs::exists(folder / "live.FPT"));
  EXPECT_EQ(errorNumber([&] { db->Execute(insertStatement(path, {literal("x")}), -1); }), 1);

  // A record set opened before keeps the rows it counted.
  EXPECT_EQ(reading.RecordCount(), 1);
  EXPECT_EQ(reading.Fields()[0].Value().asText(), "row");

  // Created anew under the same name, the table is empty and takes rows again.
  createTable(*db, path);
  db->Execute("CREATE TABLE '" + path + "'([b] M,[c] M)", -1);  // replaces it, open writer and all
  db->Execute(insertStatement(path, {literal("1"), literal("2")}), -1);
  ado::Recordset rs = db->Execute("SELECT * FROM [live]", -1);
  EXPECT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.Fields().Count(), 2);
  EXPECT_EQ(rs.Fields()[1].Value().asText(), "2");
}

TEST(ProviderCatalogue, TablesStayOpenForTheConnectionUntilClose) {
  TempFolder folder;
  auto first = open(folder.path());
  const std::string path = folder / "shared.DBF";
  createTable(*first, path);
  auto second = open(folder.path());
  // The first connection still holds the table for appending.
  EXPECT_EQ(errorNumber([&] { second->Execute(insertStatement(path, {literal("other")}), -1); }), 3);
  first->Close();
  second->Execute(insertStatement(path, {literal("other")}), -1);
  second->Close();
  EXPECT_EQ(readBack(path).size(), 2u);
}

TEST(ProviderCatalogue, ManyTablesInOneConnection) {
  TempFolder folder;
  auto db = open(folder.path());
  const int tableCount = 40;
  for (int t = 0; t < tableCount; ++t) createTable(*db, folder / ("t" + std::to_string(t) + ".DBF"));
  for (int round = 0; round < 3; ++round)
    for (int t = 0; t < tableCount; ++t)
      db->Execute(insertStatement(folder / ("t" + std::to_string(t) + ".DBF"), {literal(std::to_string(round))}), -1);
  db->Close();
  for (int t = 0; t < tableCount; ++t) EXPECT_EQ(readBack(folder / ("t" + std::to_string(t) + ".DBF")).size(), 4u);
}

}  // namespace
