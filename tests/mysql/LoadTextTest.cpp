// The text of rows for LOAD DATA: every byte value, next to every other, comes out as the
// server's escaping reads it back. No server needed.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/mysql/LoadText.h"

namespace {

using ado::Variant;

// Each byte as LOAD DATA reads it under its default escape: tab, line feed, backslash and NUL
// escaped, every other byte as it is.
std::string escapedByByte(const std::string& text) {
  std::string out;
  for (char c : text) {
    const char* escape = c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\\' ? "\\\\" : c == '\0' ? "\\0" : nullptr;
    out += escape ? std::string(escape) : std::string(1, c);
  }
  return out;
}

TEST(LoadText, EveryByteNextToEveryOtherIsEscapedAsItselfAlone) {
  std::string pairs;  // every byte before and after every byte, starting and ending the text
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) pairs += {char(a), char(b)};
  const std::string expected = escapedByByte(pairs);
  const ado::Bytes bytes(pairs.begin(), pairs.end());
  std::string row;
  mysql::appendLoadRow(row, {Variant(pairs), Variant(), Variant(bytes), Variant("")});
  const std::string want = expected + "\t\\N\t" + expected + "\t\n";
  EXPECT_TRUE(row == want) << "first difference at byte "
                           << std::mismatch(row.begin(), row.end(), want.begin(), want.end()).first - row.begin();
}

}  // namespace
