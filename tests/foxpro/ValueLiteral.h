#pragma once
// Value literals built the way the transfer to FoxPro builds them: the text cut into pieces of
// 200 characters (an empty piece after a last full one), quotes doubled in each piece, pieces
// joined by quote-plus-quote; a carriage return or line feed travels as CHR(13)/CHR(10) joined
// into the literal; binary values as 0h… literals.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_literals {

// Characters, not bytes: a UTF-8 sequence is never cut.
inline std::vector<std::string_view> pieces(std::string_view text, std::size_t size = 200) {
  std::vector<std::string_view> out;
  std::size_t start = 0, count = 0, i = 0;
  for (; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (count == size) {
      out.push_back(text.substr(start, i - start));
      start = i;
      count = 0;
    }
    ++count;
  }
  out.push_back(text.substr(start));
  if (count == size) out.push_back(text.substr(text.size()));  // an empty piece follows a full one
  return out;
}

inline std::string literal(std::string_view text) {
  std::string body;
  bool first = true;
  for (std::string_view piece : pieces(text)) {
    if (!first) body += "'+'";
    first = false;
    for (char c : piece) {
      if (c == '\'') {
        body += "''";
      } else if (c == '\r') {
        body += "'+CHR(13)+'";
      } else if (c == '\n') {
        body += "'+CHR(10)+'";
      } else {
        body += c;
      }
    }
  }
  return "'" + body + "'";
}

inline std::string binaryLiteral(const std::vector<std::uint8_t>& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "0h";
  for (std::uint8_t b : bytes) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

// "INSERT INTO [path] VALUES(" + literals joined by ", " + ")".
inline std::string insertStatement(const std::string& path, const std::vector<std::string>& literals) {
  std::string s = "INSERT INTO [" + path + "] VALUES(";
  for (std::size_t i = 0; i < literals.size(); ++i) {
    if (i) s += ", ";
    s += literals[i];
  }
  return s + ")";
}

}  // namespace testing_literals
