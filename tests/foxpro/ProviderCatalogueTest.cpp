// Opening a source, the tables rowset of a folder, DROP TABLE, and the tables a connection
// keeps open. (Tables another connection has open: ContainerWriteTest.)
#include "ProviderSupport.h"
#include "ValueLiteral.h"

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

}  // namespace
