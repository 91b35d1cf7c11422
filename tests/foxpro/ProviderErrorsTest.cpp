// Bad statements through the provider: each a clear error with FoxPro's number, every file left
// exactly as it was, and the connection still usable afterwards. (StatementTest has the full list
// of malformed statements, the engine's WriterTest the values a column refuses; these reach the
// provider's files.)
#include "ProviderSupport.h"
#include "ValueLiteral.h"

namespace {

using namespace provider_test;
using testing_literals::insertStatement;
using testing_literals::literal;

TEST(ProviderErrors, BadStatementsChangeNoFile) {
  TempFolder folder;
  auto db = open(folder.path());
  const std::string path = folder / "orders.DBF", fresh = folder / "new.DBF";
  db->Execute("CREATE TABLE '" + path + "'([id] M,[note] M)", -1);
  db->Execute(insertStatement(path, {literal("1"), literal("first")}), -1);
  std::string many = "CREATE TABLE '" + fresh + "'(";
  for (int i = 0; i < 256; ++i) many += "[f" + std::to_string(i) + "] M,";
  many.back() = ')';
  const std::pair<std::string, long> cases[] = {
      {"INSERT INTO [" + path + "] VALUES('2', 'unterminated)", 10},
      {"INSERT INTO [" + path + "] VALUES('2')", 1229},
      {"INSERT INTO [" + path + "] VALUES('2', 'b', 'c')", 1230},
      {"INSERT INTO [" + (folder / "none.DBF") + "] VALUES('2', 'b')", 1},
      // Text the code page cannot hold, in the second memo of a row whose first memo is fine.
      {insertStatement(path, {literal("ok"), literal("\xD0\x96")}), fox::err::CodePageCannotHold},
      {"CREATE TABLE '" + fresh + "'([] M)", fox::err::InvalidName},
      {"CREATE TABLE '" + fresh + "'([id] M,[] M)", fox::err::InvalidName},
      {"CREATE TABLE '" + fresh +
           "'([gr\xC3\xB6\xC3\x9F"
           "e] M)",
       fox::err::InvalidName},
      {"CREATE TABLE '" + (folder / "a?b.DBF") + "'([id] M)", fox::err::InvalidName},
      {"CREATE TABLE '" + (folder / "missing/new.DBF") + "'([id] M)", 202},
      // orders.txt would take orders.fpt, the memo of the table orders.DBF.
      {"CREATE TABLE '" + (folder / "orders.txt") + "'([id] M)", 202},
      {"CREATE TABLE '" + fresh + "'([a] C(300))", fox::err::InvalidStructure},
      {many, fox::err::InvalidStructure},
      // The same name as a table: the old table, its memo and its rows stay.
      {"CREATE TABLE '" + (folder / "ORDERS.dbf") + "'([id] M,[] M)", fox::err::InvalidName},
  };
  Snapshot before = snapshot(folder.path());
  const auto expectRefused = [&](const std::string& statement, long number) {
    SCOPED_TRACE(statement.substr(0, 200));
    std::string description;
    EXPECT_EQ(errorNumber([&] { db->Execute(statement, -1); }, &description), number) << description;
    EXPECT_FALSE(description.empty());
    EXPECT_EQ(changed(before, snapshot(folder.path())), "");
  };
  for (const auto& [statement, number] : cases) expectRefused(statement, number);
  // The connection carries on.
  db->Execute(insertStatement(path, {literal("2"), literal("second")}), -1);
  EXPECT_EQ(readBack(path).size(), 2u);

  // A table with an index the provider cannot keep takes no rows.
  db->Close();
  std::ofstream(folder / "orders.cdx") << "index";
  db = open(folder.path());
  before = snapshot(folder.path());
  expectRefused(insertStatement(path, {literal("3"), literal("x")}), 1001);
}

}  // namespace
