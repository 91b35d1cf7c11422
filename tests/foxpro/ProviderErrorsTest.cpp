// Bad statements through the provider: each a clear error with FoxPro's number, every file left
// exactly as it was, and the connection still usable afterwards.
#include "ProviderSupport.h"
#include "ValueLiteral.h"

namespace {

using namespace provider_test;
using testing_literals::insertStatement;
using testing_literals::literal;

class ProviderErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    db = open(folder.path());
    path = folder / "orders.DBF";
    db->Execute("CREATE TABLE '" + path + "'([id] M,[note] M)", -1);
    db->Execute(insertStatement(path, {literal("1"), literal("first")}), -1);
    db->Execute("CREATE TABLE 'typed'([n] N(5,2),[i] I,[d] D,[c] C(3) NOT NULL,[l] L)", -1);
    db->Execute("INSERT INTO [typed] VALUES(1.5, 2, {^2024-01-02}, 'abc', .T.)", -1);
    before = snapshot(folder.path());
  }

  // Runs the statement, expects error `number`, and checks that no file changed.
  void expectRefused(const std::string& statement, long number) {
    SCOPED_TRACE(statement.substr(0, 200));
    std::string description;
    EXPECT_EQ(errorNumber([&] { db->Execute(statement, -1); }, &description), number) << description;
    EXPECT_FALSE(description.empty());
    EXPECT_EQ(changed(before, snapshot(folder.path())), "");
  }

  TempFolder folder;
  std::unique_ptr<ado::Connection> db;
  std::string path;
  Snapshot before;
};

TEST_F(ProviderErrors, MalformedStatementsChangeNothing) {
  // (StatementTest has the full list of malformed statements; these reach the provider's files.)
  expectRefused("INSERT INTO [" + path + "] VALUES('2', 'unterminated)", 10);
  expectRefused("INSERT INTO [" + path + "] VALUES('2')", 1229);
  expectRefused("INSERT INTO [" + path + "] VALUES('2', 'b', 'c')", 1230);
  expectRefused("INSERT INTO [" + (folder / "none.DBF") + "] VALUES('2', 'b')", 1);
  // The connection carries on.
  db->Execute(insertStatement(path, {literal("2"), literal("second")}), -1);
  EXPECT_EQ(readBack(path).size(), 2u);
}

TEST_F(ProviderErrors, ValuesTheColumnsRefuseAppendNothing) {
  expectRefused("INSERT INTO [typed] VALUES('x', 2, {^2024-01-02}, 'abc', .T.)", 9);
  expectRefused("INSERT INTO [typed] VALUES(1000, 2, {^2024-01-02}, 'abc', .T.)", 39);
  expectRefused("INSERT INTO [typed] VALUES(1, 2, {^2024-01-02}, .NULL., .T.)", 1581);
  expectRefused("INSERT INTO [typed] VALUES(1, 2, {^2024-02-30}, 'abc', .T.)", 2034);
  expectRefused("INSERT INTO [typed] VALUES(1, 2, {02/03/2024}, 'abc', .T.)", 2033);
  expectRefused("INSERT INTO [typed] VALUES(1, 2147483648, {^2024-01-02}, 'abc', .T.)", 39);
  // Text the code page cannot hold, in the second memo of a row whose first memo is fine.
  expectRefused(insertStatement(path, {literal("ok"), literal("\xD0\x96")}), fox::err::CodePageCannotHold);
}

TEST_F(ProviderErrors, NamesFoxProRejectsAndTheEmptyColumnName) {
  expectRefused("CREATE TABLE '" + (folder / "new.DBF") + "'([] M)", fox::err::InvalidName);
  expectRefused("CREATE TABLE '" + (folder / "new.DBF") + "'([id] M,[] M)", fox::err::InvalidName);
  expectRefused("CREATE TABLE '" + (folder / "new.DBF") +
                    "'([gr\xC3\xB6\xC3\x9F"
                    "e] M)",
                fox::err::InvalidName);
  expectRefused("CREATE TABLE '" + (folder / "a?b.DBF") + "'([id] M)", fox::err::InvalidName);
  expectRefused("CREATE TABLE '" + (folder / "missing/new.DBF") + "'([id] M)", 202);
  // orders.txt would take orders.fpt, the memo of the table orders.DBF.
  expectRefused("CREATE TABLE '" + (folder / "orders.txt") + "'([id] M)", 202);
  expectRefused("CREATE TABLE '" + (folder / "new.DBF") + "'([a] C(300))", fox::err::InvalidStructure);
  // The same name as a table: the old table, its memo and its rows stay.
  expectRefused("CREATE TABLE '" + (folder / "ORDERS.dbf") + "'([id] M,[] M)", fox::err::InvalidName);
  std::string many = "CREATE TABLE '" + (folder / "new.DBF") + "'(";
  for (int i = 0; i < 256; ++i) many += "[f" + std::to_string(i) + "] M,";
  many.back() = ')';
  expectRefused(many, fox::err::InvalidStructure);
}

TEST_F(ProviderErrors, IndexedTablesTakeNoRowsWithoutTheirIndex) {
  db->Close();
  std::ofstream(folder / "orders.cdx") << "index";
  db = open(folder.path());
  before = snapshot(folder.path());
  expectRefused(insertStatement(path, {literal("2"), literal("x")}), 1001);
}

}  // namespace
