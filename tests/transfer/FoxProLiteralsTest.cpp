// The rules the copy to FoxPro writes its statements by: value literals, column names and types,
// the numeric-name test; and the value forms the copies share.
#include <gtest/gtest.h>

#include "transfer/FoxProLiterals.h"
#include "transfer/ValueForms.h"

namespace {

// Texts in pieces of 200 characters, quotes, line breaks and UTF-8 sequences counted as they are;
// the shapes of dates and bytes the value matrix does not reach.
TEST(FoxProLiterals, EachValueAsTheLiteralThatReadsBackToIt) {
  const std::string a199(199, 'a'), a200(200, 'a'), b200(200, 'b');
  std::string hundredAB;
  for (int i = 0; i < 100; ++i) hundredAB += "AB";
  const std::pair<ado::Variant, std::string> cases[] = {
      {"", "''"},
      {ado::Variant(), "''"},
      {"O'Brien", "'O''Brien'"},
      {"a'+b", "'a''+b'"},
      {a200, "'" + a200 + "'+''"},
      {a200 + b200, "'" + a200 + "'+'" + b200 + "'+''"},
      {a200 + "c", "'" + a200 + "'+'c'"},
      {a199 + "'x", "'" + a199 + "'''+'x'"},
      {a199 + "\xC3\xA9" "b", "'" + a199 + "\xC3\xA9'+'b'"},
      {"a\r\nb", "'a'+CHR(13)+''+CHR(10)+'b'"},
      {"\r", "''+CHR(13)+''"},
      {ado::DateTime{{2026, 12, 6}, {13, 45, 0, 500000}}, "'2026-12-06 13:45:00.5'"},
      {ado::Date{0, 0, 0}, "'0000-00-00'"},
      {ado::Date{12345, 1, 2}, "'12345-01-02'"},
      {ado::Bytes{}, "0h"},
      {ado::Bytes{0x00, 0x27, 0xFF}, "0h0027FF"},
      {ado::Bytes(101, 0xAB), "0h" + hundredAB + "+0hAB"},
  };
  for (const auto& [value, expected] : cases) {
    std::string out;
    AppendValueLiteral(out, value);
    EXPECT_EQ(out, expected) << value.toText().substr(0, 20);
  }
  EXPECT_EQ(SplitLongLiteral(a200 + "c"), a200 + "'+'c");  // the body alone, without the outer quotes
}

TEST(FoxProLiterals, ColumnNamesTypesAndNumbers) {
  EXPECT_EQ(FoxProColumnName("Order Date"), "Order_Date");
  EXPECT_EQ(FoxProColumnName("in/out"), "in_out");
  for (const char* number : {"2019", "1.5", "-3", "1e5", "+2", ".5", "1,000.25", " 7 "})
    EXPECT_TRUE(ReadsAsNumber(number)) << number;
  for (const char* text : {"", "12abc", "e5", "1e", "-", "1,", "$5", "&H1F", "1.2.3"})
    EXPECT_FALSE(ReadsAsNumber(text)) << text;
  const std::pair<int, const char*> types[] = {{205, " BLOB"}, {128, " M NOCPTRANS"}, {204, " M NOCPTRANS"},
                                               {3, " M"},      {11, " M"},            {129, " M"},
                                               {135, " M"},    {201, " M"},           {137, " M"}};
  for (const auto& [code, type] : types) EXPECT_EQ(FoxProColumnType(code), type) << code;
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

}  // namespace
