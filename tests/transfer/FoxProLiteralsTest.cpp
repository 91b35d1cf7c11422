// The rules the copy to FoxPro writes its statements by: literal pieces, binary literals, column
// names and types, the numeric-name test and the type names.
#include <gtest/gtest.h>

#include "transfer/Datatype.h"
#include "transfer/FoxProLiterals.h"
#include "transfer/ValueForms.h"

namespace {

std::string literal(const ado::Variant& v) {
  std::string out;
  AppendValueLiteral(out, v);
  return out;
}

TEST(FoxProLiterals, TextInPiecesWithQuotesAndLineBreaks) {
  const std::string a200(200, 'a'), b200(200, 'b');
  EXPECT_EQ(SplitLongLiteral(""), "");
  EXPECT_EQ(SplitLongLiteral("O'Brien"), "O''Brien");
  EXPECT_EQ(SplitLongLiteral("a'+b"), "a''+b");
  EXPECT_EQ(SplitLongLiteral(a200), a200 + "'+'");
  EXPECT_EQ(SplitLongLiteral(a200 + b200), a200 + "'+'" + b200 + "'+'");
  EXPECT_EQ(SplitLongLiteral(a200 + "c"), a200 + "'+'c");
  // Pieces count characters, quotes and line breaks included; a UTF-8 sequence is never cut.
  EXPECT_EQ(SplitLongLiteral(std::string(199, 'a') + "'x"), std::string(199, 'a') + "'''+'x");
  EXPECT_EQ(SplitLongLiteral(std::string(199, 'a') + "\xC3\xA9"
                                                     "b"),
            std::string(199, 'a') + "\xC3\xA9'+'b");
  EXPECT_EQ(SplitLongLiteral("a\r\nb"), "a'+CHR(13)+''+CHR(10)+'b");
  EXPECT_EQ(literal("\r"), "''+CHR(13)+''");
  EXPECT_EQ(literal(ado::Variant()), "''");
}

// The value matrix reads the canonical forms back; these are shapes it does not reach.
TEST(FoxProLiterals, ValuesInCanonicalFormAndBinaryInPieces) {
  EXPECT_EQ(literal(ado::DateTime{{2026, 12, 6}, {13, 45, 0, 500000}}), "'2026-12-06 13:45:00.5'");
  EXPECT_EQ(literal(ado::Date{0, 0, 0}), "'0000-00-00'");
  EXPECT_EQ(literal(ado::Date{12345, 1, 2}), "'12345-01-02'");
  EXPECT_EQ(literal(ado::Bytes{}), "0h");
  EXPECT_EQ(literal(ado::Bytes{0x00, 0x27, 0xFF}), "0h0027FF");
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += "AB";
  EXPECT_EQ(literal(ado::Bytes(101, 0xAB)), "0h" + hundred + "+0hAB");
}

TEST(FoxProLiterals, ColumnNamesTypesAndNumbers) {
  EXPECT_EQ(FoxProColumnName("Order Date"), "Order_Date");
  EXPECT_EQ(FoxProColumnName("in/out"), "in_out");
  for (const char* number : {"2019", "1.5", "-3", "1e5", "+2", ".5", "1,000.25", " 7 "})
    EXPECT_TRUE(ReadsAsNumber(number)) << number;
  for (const char* text : {"", "12abc", "e5", "1e", "-", "1,", "$5", "&H1F", "1.2.3"})
    EXPECT_FALSE(ReadsAsNumber(text)) << text;
  EXPECT_EQ(FoxProColumnType(205), " BLOB");
  EXPECT_EQ(FoxProColumnType(128), " M NOCPTRANS");
  EXPECT_EQ(FoxProColumnType(204), " M NOCPTRANS");
  for (int code : {3, 11, 129, 135, 201, 137}) EXPECT_EQ(FoxProColumnType(code), " M") << code;
}

// A DECIMAL column's rounding (half away from zero, carried into a new digit) and one text for a
// number however it is written.
TEST(ValueForms, RoundedDecimalAndNumberKey) {
  const std::pair<const char*, const char*> rounded[] = {
      {"1.234", "1.23"}, {"-1.235", "-1.24"}, {"999.995", "1000.00"}, {"-0.001", "0.00"}, {"12345", "12345.00"}};
  for (const auto& [text, two] : rounded) EXPECT_EQ(RoundedDecimal(text, 2), two) << text;
  EXPECT_EQ(RoundedDecimal("0.5", 0), "1");
  for (const char* one : {"12.50", "0012.5", "1.25e1", "  12.500"}) EXPECT_EQ(NumberKey(one), "125e-1") << one;
  EXPECT_EQ(NumberKey("-0.00"), "0");
  EXPECT_EQ(NumberKey("1000"), "1e3");
}

TEST(Datatype, AdoTypeNames) {
  EXPECT_EQ(AdoTypeName(0), "adEmpty");
  EXPECT_EQ(AdoTypeName(137), "");
  EXPECT_EQ(AdoTypeName(205), "adLongVarBinary");
  EXPECT_EQ(AdoTypeName(201), "adLongVarChar");
  EXPECT_EQ(AdoTypeName(135), "adDBTimeStamp");
  EXPECT_EQ(AdoTypeName(-1), "");
  int named = 0;
  for (int code = -32768; code < 32768; ++code) named += !AdoTypeName(static_cast<std::int16_t>(code)).empty();
  EXPECT_EQ(named, 39);
}

}  // namespace
