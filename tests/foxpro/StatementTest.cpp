// The dialect's parser and literal evaluation, without files: what each literal and column
// definition means, and which FoxPro error a malformed statement gets. (The statements as the
// transfer sends them run through to the file in ProviderStatementsTest.)
#include <gtest/gtest.h>

#include "foxpro-engine/CodePage.h"
#include "foxpro-engine/Error.h"
#include "platform/foxpro/sql/Statement.h"
#include "platform/foxpro/sql/Values.h"
#include "tests/support/Files.h"

namespace {

using namespace foxpro::sql;

std::vector<fox::Value> values(const std::string& statement, int codePage = 1252) {
  Statement parsed = parse(statement);
  const CharDecoder decode = [&](unsigned char b, std::string& s) {
    fox::codePage(codePage)->toUtf8(std::string_view(reinterpret_cast<char*>(&b), 1), s);
  };
  std::vector<fox::Value> out;
  evaluate(std::get<Insert>(parsed), decode, out);
  return out;
}

fox::Value value(const std::string& literalText) { return values("INSERT INTO [t] VALUES(" + literalText + ")").at(0); }
std::string text(const std::string& literalText) { return std::get<std::string>(value(literalText)); }
std::string number(const std::string& literalText) { return std::get<fox::Number>(value(literalText)).text; }

int errorOf(const std::string& statement) {
  try {
    Statement parsed = parse(statement);
    if (std::holds_alternative<Insert>(parsed)) values(statement);
  } catch (const fox::Error& e) {
    return e.number();
  }
  return 0;
}

TEST(Statement, TextLiteralsArriveUnchanged) {
  EXPECT_EQ(text("'O''Brien'"), "O'Brien");
  EXPECT_EQ(text("'a''+b'"), "a'+b");
  EXPECT_EQ(text("\"say \"\"hi\"\"\""), "say \"hi\"");
  EXPECT_EQ(text("'ab'+CHR(13)+''+CHR(10)+'cd'"), "ab\r\ncd");
  EXPECT_EQ(text("'it'''+'''s'+''+'x'+\"\"\"y\"+'z' + 'w'"), "it''sx\"yzw");  // pieces joined, quotes doubled
  EXPECT_EQ(text("CHR(0)+('a'+('b'+'c'))"), std::string("\0abc", 4));
  EXPECT_EQ(text("'caf\xC3\xA9'"), "caf\xC3\xA9");
  EXPECT_EQ(text("CHR(233)"), "\xC3\xA9");  // é in 1252, й in 1251
  EXPECT_EQ(std::get<std::string>(values("INSERT INTO t VALUES(CHR(233))", 1251).at(0)), "\xD0\xB9");
}

TEST(Statement, OtherLiterals) {
  EXPECT_EQ(number("42") + " " + number("-12.50") + " " + number("+.5") + " " + number("007"), "42 -12.50 0.5 7");
  EXPECT_EQ(number("1.5e3") + " " + number("125E-4") + " " + number("-0.00"), "1500 0.0125 0.00");
  EXPECT_TRUE(std::get<bool>(value(".T.")));
  EXPECT_FALSE(std::get<bool>(value(".f.")));
  EXPECT_TRUE(fox::isNull(value(".NULL.")));
  EXPECT_TRUE(fox::isNull(value("'a'+.NULL.")));
  EXPECT_EQ(std::get<fox::Date>(value("{^2024-02-29}")), (fox::Date{2024, 2, 29}));
  EXPECT_TRUE(std::get<fox::Date>(value("{  /  /    }")).empty());
  EXPECT_TRUE(std::get<fox::DateTime>(value("{:}")).empty());
  EXPECT_EQ(std::get<fox::DateTime>(value("{^2024-05-17 13:45:30}")), (fox::DateTime{{2024, 5, 17}, 13, 45, 30}));
  EXPECT_EQ(std::get<fox::DateTime>(value("{^2024-05-17 12:05 AM}")), (fox::DateTime{{2024, 5, 17}, 0, 5, 0}));
  EXPECT_EQ(std::get<fox::DateTime>(value("{^2024-05-17T01:02:03PM}")), (fox::DateTime{{2024, 5, 17}, 13, 2, 3}));
  EXPECT_EQ(std::get<fox::Bytes>(value("0h00FF7f+0h+0h01")), (fox::Bytes{0x00, 0xFF, 0x7F, 0x01}));
}

TEST(Statement, ColumnTypesWidthsAndNulls) {
  auto create = std::get<CreateTable>(
      parse("create table [/tmp/all types] free ([c] C(10) NULL, v V(20) NOT NULL, q Q(5), n N(12,2) null, "
            "f F(8, 3), i I, b B(8,4), y Y, d D, t T, l L, m M NOCPTRANS, g G, w W, cb Character(3) NOCPTRANS, "
            "x INTEGER(4), z Double, dt DateTime NULL, blobcol BLOB NOT NULL)"));
  EXPECT_EQ(create.table, "/tmp/all types");
  EXPECT_TRUE(create.free);
  // name type length,decimals, then n for NULL and b for NOCPTRANS
  std::string described;
  for (const auto& c : create.columns)
    described += c.name + " " + c.type + std::to_string(c.length) + "," + std::to_string(c.decimals) +
                 (c.nullable ? "n" : "") + (c.binary ? "b" : "") + " ";
  EXPECT_EQ(described,
            "c C10,0n v V20,0 q Q5,0 n N12,2n f F8,3 i I0,0 b B0,4 y Y0,0 d D0,0 t T0,0 l L0,0 m M0,0b g G0,0 "
            "w W0,0 cb C3,0b x I0,0 z B0,0 dt T0,0n blobcol W0,0 ");
}

// Each line of the data file is FoxPro's error number, a tab and a statement that gets it (3001
// is fox::err::InvalidName, 3002 fox::err::InvalidStructure; 1e999999999 fails without making a
// billion zeros).
TEST(Statement, MalformedStatementsGetFoxProErrors) {
  for (const std::string& line : testfiles::parts("foxpro/data/malformed_statements.tsv")) {
    const std::size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    EXPECT_EQ(errorOf(line.substr(tab + 1)), std::stoi(line.substr(0, tab))) << line;
  }
  EXPECT_EQ(errorOf(""), 16);
  EXPECT_EQ(errorOf("INSERT INTO [t] VALUES(" + std::string(100, '(') + "'a'" + std::string(100, ')') + ")"), 10);
}

}  // namespace
