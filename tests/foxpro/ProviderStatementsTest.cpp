// The statements the transfer to FoxPro sends, exactly as it builds them, through the provider
// to the files — read back with the engine and with python3-dbfread; and bad statements, each a
// clear error with FoxPro's number, every file left exactly as it was, and the connection still
// usable afterwards. (StatementTest has the full list of malformed statements, the engine's
// WriterTest the values a column refuses; these reach the provider's files.)
#include "ProviderSupport.h"
#include "ValueLiteral.h"
#include "foxpro-engine/CodePage.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

using namespace provider_test;
using testing_literals::binaryLiteral;
using testing_literals::insertStatement;
using testing_literals::literal;

TEST(ProviderStatements, TheTransfersStatementsReachTheFileWhole) {
  std::string big;
  // Past a megabyte: built, parsed and stored the way large values are.
  for (int i = 0; big.size() < (1 << 20) + 1000; ++i) big += "piece " + std::to_string(i) + " can't + won't\r\n";
  const std::vector<std::string> values = {"first",
                                           "O'Brien",
                                           std::string(450, 'x'),
                                           std::string(200, 'y'),
                                           std::string(400, 'z'),
                                           "",
                                           "\r",
                                           "a\r\nb",
                                           "a'+b",
                                           "''",
                                           "line1\nline2\rline3\r\n",
                                           big,
                                           "caf\xC3\xA9 \xE2\x82\xAC \xC3\xBC",
                                           "\t tabs  "};
  TempFolder folder;
  auto db = open(folder.path());
  const std::string path = folder / "orders.DBF";
  db->Execute("CREATE TABLE '" + path + "'([id] M,[note] M)", -1);
  db->Execute("INSERT INTO [" + path + "] VALUES('1', 'first')", -1);  // the worked example, verbatim
  for (std::size_t i = 1; i < values.size(); ++i)
    db->Execute(insertStatement(path, {literal(std::to_string(i + 1)), literal(values[i])}), -1);
  db->Close();

  EXPECT_TRUE(fs::exists(folder / "orders.FPT"));
  auto table = fox::Table::open(path);
  EXPECT_EQ(table->fields()[0].name + table->fields()[0].type + table->fields()[1].name + table->fields()[1].type,
            "IDMNOTEM");
  auto rows = readBack(path);
  ASSERT_EQ(rows.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(text(rows[i][0]), std::to_string(i + 1));
    EXPECT_EQ(text(rows[i][1]), values[i]) << "value " << i;
  }
  EXPECT_TRUE(enginetest::readsTheSame(path, "dbfread"));
}

TEST(ProviderStatements, BinaryLiteralsArriveByteForByteAlsoInMemoColumns) {
  fox::Bytes every;  // every byte value, repeated past a megabyte, as large values are written
  for (int b = 0; b < (1 << 20) + 256; ++b) every.push_back(static_cast<std::uint8_t>(b));
  TempFolder folder;
  auto db = open(folder.path());
  const std::string path = folder / "images.DBF";
  db->Execute("CREATE TABLE '" + path + "'([name] M,[photo] BLOB,[raw] M)", -1);
  db->Execute(insertStatement(path, {literal("all bytes"), binaryLiteral(every), binaryLiteral(every)}), -1);
  db->Execute(insertStatement(path, {literal("split"), "0h0001+0h+0hFEFF", "0h"}), -1);
  db->Close();

  auto rows = readBack(path);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(std::get<fox::Bytes>(rows[0][1]), every);
  // A plain memo reads as text of the table's code page: converted back it is the bytes sent.
  std::string stored;
  ASSERT_TRUE(fox::codePage(1252)->fromUtf8(text(rows[0][2]), stored));
  EXPECT_EQ(stored, std::string(every.begin(), every.end()));
  EXPECT_EQ(std::get<fox::Bytes>(rows[1][1]), (fox::Bytes{0x00, 0x01, 0xFE, 0xFF}));
  EXPECT_EQ(text(rows[1][2]), "");
}

// New tables take the locale's Windows code page and refuse text it cannot hold; a dBase III
// table without a code page mark is read in the locale's code page too.
TEST(ProviderStatements, TablesTakeTheLocalesCodePage) {
  const char* old = std::getenv("LC_ALL");
  const std::string saved = old ? old : "", path = "miasta", lodz = "\xC5\x81\xC3\xB3\x64\xC5\xBA";
  setenv("LC_ALL", "pl_PL.UTF-8", 1);
  TempFolder folder;
  auto db = open(folder.path());
  old ? setenv("LC_ALL", saved.c_str(), 1) : unsetenv("LC_ALL");  // the connection keeps its code page
  db->Execute("CREATE TABLE '" + path + "'([nazwa] C(4))", -1);
  db->Execute(insertStatement(path, {literal(lodz)}), -1);
  std::string description;
  EXPECT_EQ(errorNumber([&] { db->Execute(insertStatement(path, {literal("\xD0\x96")}), -1); }, &description),
            fox::err::CodePageCannotHold);
  EXPECT_EQ(description,
            "Cannot store row 2 of table 'miasta.DBF'. Field nazwa: the character U+0416 '\xD0\x96' has no "
            "equivalent in code page 1250.");
  db->Close();
  EXPECT_EQ(fox::Table::open(folder / "miasta.DBF")->codePage(), 1250);
  EXPECT_EQ(text(readBack(folder / "miasta.DBF").at(0).at(0)), lodz);
  {
    std::fstream file(folder / "miasta.DBF", std::ios::in | std::ios::out | std::ios::binary);
    file.put('\x03');  // dBase III
    file.seekp(29);
    file.put('\0');  // no mark
  }
  for (auto [locale, reads] : {std::pair{"ru_RU.UTF-8",
                                         "\xD0\x88\xD1\x83"
                                         "d\xD1\x9F"},
                               {"pl_PL.UTF-8", lodz.c_str()}}) {
    setenv("LC_ALL", locale, 1);
    EXPECT_EQ(open(folder.path())->Execute("SELECT * FROM miasta", -1).Fields()[0].Value().asText(), reads) << locale;
  }
  old ? setenv("LC_ALL", saved.c_str(), 1) : unsetenv("LC_ALL");
}

TEST(ProviderErrors, BadStatementsChangeNoFile) {
  TempFolder folder;
  auto db = open(folder.path());
  const std::string path = folder / "orders.DBF", fresh = folder / "new.DBF";
  db->Execute("CREATE TABLE '" + path + "'([id] M,[note] M)", -1);
  db->Execute(insertStatement(path, {literal("1"), literal("first")}), -1);
  db->Execute("CREATE TABLE 'typed'([n] N(5,2),[c] C(3) NOT NULL)", -1);
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
      // Values the columns refuse keep the engine's number on their way through the provider.
      {"INSERT INTO [typed] VALUES('x', 'abc')", fox::err::DataTypeMismatch},
      {"INSERT INTO [typed] VALUES(1000, 'abc')", fox::err::NumericOverflow},
      {"INSERT INTO [typed] VALUES(1, .NULL.)", fox::err::NullNotAllowed},
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
