// The dialect's parser and literal evaluation, without files: what each statement means, and
// which FoxPro error a malformed one gets.
#include <gtest/gtest.h>

#include "ValueLiteral.h"
#include "foxpro-engine/CodePage.h"
#include "foxpro-engine/Error.h"
#include "platform/foxpro/sql/Statement.h"
#include "platform/foxpro/sql/Values.h"

namespace {

using namespace foxpro::sql;
using testing_literals::literal;

std::vector<fox::Value> values(const std::string& statement, int codePage = 1252) {
  Statement parsed = parse(statement);
  const auto& insert = std::get<Insert>(parsed);
  std::vector<fox::Value> out;
  evaluate(insert, [&](unsigned char b, std::string& s) { fox::codePage(codePage)->toUtf8(std::string_view(reinterpret_cast<char*>(&b), 1), s); }, out);
  return out;
}

fox::Value value(const std::string& literalText) { return values("INSERT INTO [t] VALUES(" + literalText + ")").at(0); }

std::string text(const std::string& literalText) { return std::get<std::string>(value(literalText)); }

int errorOf(const std::string& statement) {
  try {
    Statement parsed = parse(statement);
    if (auto* insert = std::get_if<Insert>(&parsed)) {
      std::vector<fox::Value> out;
      evaluate(*insert, [](unsigned char, std::string&) {}, out);
    }
  } catch (const fox::Error& e) {
    return e.number();
  }
  return 0;
}

TEST(Statement, WorkedExampleOfTheTransfer) {
  auto create = std::get<CreateTable>(parse("CREATE TABLE '/tmp/data/orders.DBF'([id] M,[note] M)"));
  EXPECT_EQ(create.table, "/tmp/data/orders.DBF");
  EXPECT_FALSE(create.free);
  ASSERT_EQ(create.columns.size(), 2u);
  EXPECT_EQ(create.columns[0].name, "id");
  EXPECT_EQ(create.columns[0].type, 'M');
  EXPECT_EQ(create.columns[1].name, "note");
  EXPECT_FALSE(create.columns[1].nullable);

  auto parsed = parse("INSERT INTO [/tmp/data/orders.DBF] VALUES('1', 'first')");
  EXPECT_EQ(std::get<Insert>(parsed).table, "/tmp/data/orders.DBF");
  auto row = values("INSERT INTO [/tmp/data/orders.DBF] VALUES('1', 'first')");
  ASSERT_EQ(row.size(), 2u);
  EXPECT_EQ(std::get<std::string>(row[0]), "1");
  EXPECT_EQ(std::get<std::string>(row[1]), "first");

  auto binary = std::get<CreateTable>(parse("CREATE TABLE 'x.DBF'([photo] BLOB,[name] M)"));
  EXPECT_EQ(binary.columns[0].type, 'W');
  EXPECT_EQ(std::get<DropTable>(parse("DROP TABLE [customers]")).table, "customers");
  EXPECT_EQ(std::get<Select>(parse("SELECT * FROM \"order items\"")).table, "order items");
}

TEST(Statement, TextLiteralsArriveUnchanged) {
  EXPECT_EQ(text("'O''Brien'"), "O'Brien");
  EXPECT_EQ(text("'a''+b'"), "a'+b");
  EXPECT_EQ(text("''"), "");
  EXPECT_EQ(text("\"say \"\"hi\"\"\""), "say \"hi\"");
  EXPECT_EQ(text("'ab'+CHR(13)+''+CHR(10)+'cd'"), "ab\r\ncd");
  EXPECT_EQ(text("CHR(0)+'x'"), std::string("\0x", 2));
  EXPECT_EQ(text("('a'+('b'+'c'))"), "abc");
  EXPECT_EQ(text("'caf\xC3\xA9'"), "caf\xC3\xA9");  // UTF-8 passes through
  EXPECT_EQ(text("CHR(233)"), "\xC3\xA9");            // é in 1252
  EXPECT_EQ(std::get<std::string>(values("INSERT INTO t VALUES(CHR(233))", 1251).at(0)), "\xD0\xB9");  // й in 1251

  // Built exactly as the transfer builds them, and read back whole.
  for (std::size_t length : {0, 1, 199, 200, 201, 400, 450, 5000}) {
    std::string original;
    for (std::size_t i = 0; i < length; ++i) original += static_cast<char>('a' + i % 26);
    if (length > 3) original[length / 2] = '\'';
    EXPECT_EQ(text(literal(original)), original) << length;
  }
  EXPECT_EQ(literal(std::string(200, 'x')), "'" + std::string(200, 'x') + "'+''");
  EXPECT_EQ(literal("O'Brien"), "'O''Brien'");
}

TEST(Statement, HundredsOfPiecesWithLineBreaksAndQuotes) {
  std::string original;
  for (int i = 0; original.size() < 300 * 200; ++i) {
    original += "line " + std::to_string(i) + " it's \"quoted\" + 'joined'";
    original += (i % 3 == 0) ? "\r\n" : (i % 3 == 1 ? "\n" : "\r");
  }
  original += "\xC5\xBC\xC3\xB3\xC5\x82w";  // non-ASCII across the last pieces
  std::string statement = testing_literals::insertStatement("/tmp/big.DBF", {literal(original), literal("b")});
  auto row = values(statement);
  ASSERT_EQ(row.size(), 2u);
  EXPECT_EQ(std::get<std::string>(row[0]), original);
  EXPECT_EQ(std::get<std::string>(row[1]), "b");
}

TEST(Statement, OtherLiterals) {
  EXPECT_EQ(std::get<fox::Number>(value("42")).text, "42");
  EXPECT_EQ(std::get<fox::Number>(value("-12.50")).text, "-12.50");
  EXPECT_EQ(std::get<fox::Number>(value("+.5")).text, "0.5");
  EXPECT_EQ(std::get<fox::Number>(value("007")).text, "7");
  EXPECT_EQ(std::get<fox::Number>(value("1.5e3")).text, "1500");
  EXPECT_EQ(std::get<fox::Number>(value("125E-4")).text, "0.0125");
  EXPECT_EQ(std::get<fox::Number>(value("-0.00")).text, "0.00");
  EXPECT_EQ(std::get<bool>(value(".T.")), true);
  EXPECT_EQ(std::get<bool>(value(".f.")), false);
  EXPECT_TRUE(fox::isNull(value(".NULL.")));
  EXPECT_TRUE(fox::isNull(value("'a'+.NULL.")));
  EXPECT_EQ(std::get<fox::Date>(value("{^2024-05-17}")), (fox::Date{2024, 5, 17}));
  EXPECT_EQ(std::get<fox::Date>(value("{^2024-02-29}")), (fox::Date{2024, 2, 29}));
  EXPECT_TRUE(std::get<fox::Date>(value("{}")).empty());
  EXPECT_TRUE(std::get<fox::Date>(value("{  /  /    }")).empty());
  EXPECT_TRUE(std::get<fox::DateTime>(value("{:}")).empty());
  EXPECT_EQ(std::get<fox::DateTime>(value("{^2024-05-17 13:45:30}")), (fox::DateTime{{2024, 5, 17}, 13, 45, 30}));
  EXPECT_EQ(std::get<fox::DateTime>(value("{^2024-05-17 12:05 AM}")), (fox::DateTime{{2024, 5, 17}, 0, 5, 0}));
  EXPECT_EQ(std::get<fox::DateTime>(value("{^2024-05-17T01:02:03PM}")), (fox::DateTime{{2024, 5, 17}, 13, 2, 3}));
  EXPECT_EQ(std::get<fox::Bytes>(value("0h00FF7f")), (fox::Bytes{0x00, 0xFF, 0x7F}));
  EXPECT_EQ(std::get<fox::Bytes>(value("0h")), fox::Bytes{});
  EXPECT_EQ(std::get<fox::Bytes>(value("0h0102+0h03")), (fox::Bytes{1, 2, 3}));
  EXPECT_EQ(std::get<fox::Bytes>(value(testing_literals::binaryLiteral({0, 13, 10, 39, 255}))),
            (fox::Bytes{0, 13, 10, 39, 255}));
}

TEST(Statement, ColumnTypesWidthsAndNulls) {
  auto create = std::get<CreateTable>(parse(
      "create table [/tmp/all types] free ([c] C(10) NULL, v V(20) NOT NULL, q Q(5), n N(12,2) null, "
      "f F(8, 3), i I, b B(8,4), y Y, d D, t T, l L, m M NOCPTRANS, g G, w W, cb Character(3) NOCPTRANS, "
      "x INTEGER(4), z Double, dt DateTime NULL, blobcol BLOB NOT NULL)"));
  EXPECT_EQ(create.table, "/tmp/all types");
  EXPECT_TRUE(create.free);
  struct Expected {
    const char* name;
    char type;
    int length, decimals;
    bool nullable, binary;
  };
  const Expected expected[] = {{"c", 'C', 10, 0, true, false},  {"v", 'V', 20, 0, false, false},
                               {"q", 'Q', 5, 0, false, false},  {"n", 'N', 12, 2, true, false},
                               {"f", 'F', 8, 3, false, false},  {"i", 'I', 0, 0, false, false},
                               {"b", 'B', 0, 4, false, false},  {"y", 'Y', 0, 0, false, false},
                               {"d", 'D', 0, 0, false, false},  {"t", 'T', 0, 0, false, false},
                               {"l", 'L', 0, 0, false, false},  {"m", 'M', 0, 0, false, true},
                               {"g", 'G', 0, 0, false, false},  {"w", 'W', 0, 0, false, false},
                               {"cb", 'C', 3, 0, false, true},  {"x", 'I', 0, 0, false, false},
                               {"z", 'B', 0, 0, false, false},  {"dt", 'T', 0, 0, true, false},
                               {"blobcol", 'W', 0, 0, false, false}};
  ASSERT_EQ(create.columns.size(), std::size(expected));
  for (std::size_t i = 0; i < create.columns.size(); ++i) {
    const auto& c = create.columns[i];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.name, expected[i].name);
    EXPECT_EQ(c.type, expected[i].type);
    EXPECT_EQ(c.length, expected[i].length);
    EXPECT_EQ(c.decimals, expected[i].decimals);
    EXPECT_EQ(c.nullable, expected[i].nullable);
    EXPECT_EQ(c.binary, expected[i].binary);
  }
  auto bare = std::get<CreateTable>(parse("CREATE DBF orders(id I)"));
  EXPECT_EQ(bare.table, "orders");
  EXPECT_EQ(std::get<Select>(parse("select * from Orders")).table, "Orders");
  EXPECT_EQ(std::get<Select>(parse("SELECT * FROM [a b]")).table, "a b");
  EXPECT_EQ(std::get<Select>(parse("SELECT * FROM 'it''s'")).table, "it's");
}

TEST(Statement, MalformedStatementsGetFoxProErrors) {
  const std::pair<const char*, int> cases[] = {
      {"", 16},
      {"UPDATE t SET a = 1", 16},
      {"CREATE TABLE 'x.dbf'([] M)", 3001},
      {"CREATE TABLE 'x.dbf'([2019] M)", 3001},
      {"CREATE TABLE 'x.dbf'([Order Date] M)", 3001},
      {"CREATE TABLE 'x.dbf'([in/out] M)", 3001},
      {"CREATE TABLE 'x.dbf'([a] M,[A] M)", 3001},
      {"CREATE TABLE 'x.dbf'([a] M", 10},
      {"CREATE TABLE 'x.dbf'([a] M,)", 10},
      {"CREATE TABLE 'x.dbf'()", 10},
      {"CREATE TABLE 'x.dbf'([a] Z)", 36},
      {"CREATE TABLE 'x.dbf'([a] C)", 10},
      {"CREATE TABLE 'x.dbf'([a] C(0))", 3002},
      {"CREATE TABLE 'x.dbf'([a] C(255))", 3002},
      {"CREATE TABLE 'x.dbf'([a] N(21))", 3002},
      {"CREATE TABLE 'x.dbf'([a] N(5,4))", 3002},
      {"CREATE TABLE 'x.dbf'([a] I NOCPTRANS)", 36},
      {"CREATE TABLE 'x.dbf'([a] M) garbage", 36},
      {"CREATE TABLE 'x.dbf", 10},
      {"CREATE VIEW v AS SELECT 1", 36},
      {"DROP TABLE", 10},
      {"DROP TABLE [x", 10},
      {"DROP TABLE [x] RECYCLE", 36},
      {"DROP VIEW x", 36},
      {"INSERT INTO [t] VALUES('a'", 10},
      {"INSERT INTO [t] VALUES('a)", 10},
      {"INSERT INTO [t] VALUES('a' 'b')", 10},
      {"INSERT INTO [t] VALUES('a'+)", 1231},
      {"INSERT INTO [t] VALUES()", 1231},
      {"INSERT INTO [t] VALUES('a',)", 1231},
      {"INSERT INTO [t] VALUES('a'+1)", 107},
      {"INSERT INTO [t] VALUES('a'+0h41)", 107},
      {"INSERT INTO [t] VALUES(.T.+.F.)", 107},
      {"INSERT INTO [t] VALUES(1+2)", 1001},
      {"INSERT INTO [t] VALUES(CHR(256))", 11},
      {"INSERT INTO [t] VALUES(CHR(x))", 11},
      {"INSERT INTO [t] VALUES(0h123)", 10},
      {"INSERT INTO [t] VALUES(0hXY)", 10},
      {"INSERT INTO [t] VALUES({^2023-02-29})", 2034},
      {"INSERT INTO [t] VALUES({^2024-05-17 24:00})", 2034},
      {"INSERT INTO [t] VALUES({05/17/2024})", 2033},
      {"INSERT INTO [t] VALUES(.X.)", 10},
      {"INSERT INTO [t] VALUES(name)", 12},
      {"INSERT INTO [t] VALUES(SPACE(3))", 1001},
      {"INSERT INTO [t] (a) VALUES('x')", 1001},
      {"INSERT INTO [t] VALUES('x'); DROP TABLE t", 36},
      {"INSERT [t] VALUES('x')", 36},
      {"SELECT a FROM t", 1001},
      {"SELECT * FROM", 10},
      {"SELECT * FROM t WHERE a = 1", 36},
  };
  for (const auto& [statement, number] : cases) EXPECT_EQ(errorOf(statement), number) << statement;

  std::string deep = "INSERT INTO [t] VALUES(" + std::string(100, '(') + "'a'" + std::string(100, ')') + ")";
  EXPECT_EQ(errorOf(deep), 10);
}

}  // namespace
