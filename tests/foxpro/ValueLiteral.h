#pragma once
// Value literals built the way the transfer to FoxPro builds them: the text cut into pieces of
// 200 characters (an empty piece after a last full one), quotes doubled in each piece, pieces
// joined by quote-plus-quote; a carriage return or line feed travels as CHR(13)/CHR(10) joined
// into the literal; binary values as 0h… literals. Used by the tests and the benchmark.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_literals {

inline std::string literal(std::string_view text) {
  std::string body;
  std::size_t characters = 0;
  for (char c : text) {
    // Characters, not bytes: a UTF-8 sequence is never cut.
    bool starts = (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    if (starts && characters > 0 && characters % 200 == 0) body += "'+'";
    characters += starts;
    if (c == '\'') {
      body += "''";
    } else if (c == '\r' || c == '\n') {
      body += c == '\r' ? "'+CHR(13)+'" : "'+CHR(10)+'";
    } else {
      body += c;
    }
  }
  if (characters > 0 && characters % 200 == 0) body += "'+'";  // the empty piece after a full one
  return "'" + body + "'";
}

inline std::string binaryLiteral(const std::vector<std::uint8_t>& bytes) {
  std::string out = "0h";
  for (std::uint8_t b : bytes) {
    out += "0123456789ABCDEF"[b >> 4];
    out += "0123456789ABCDEF"[b & 15];
  }
  return out;
}

// "INSERT INTO [path] VALUES(" + literals joined by ", " + ")".
inline std::string insertStatement(const std::string& path, const std::vector<std::string>& literals) {
  std::string s = "INSERT INTO [" + path + "] VALUES(";
  for (std::size_t i = 0; i < literals.size(); ++i) s += (i ? ", " : "") + literals[i];
  return s + ")";
}

}  // namespace testing_literals
