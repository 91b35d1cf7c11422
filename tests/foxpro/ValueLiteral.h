#pragma once
// Value literals exactly as the copy to FoxPro builds them (transfer/FoxProLiterals.h), for the
// provider's tests and benchmark.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/FoxProLiterals.h"

namespace testing_literals {

inline std::string literal(std::string_view text) {
  std::string out;
  AppendTextLiteral(out, text);
  return out;
}

inline std::string binaryLiteral(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  AppendBinaryLiteral(out, bytes);
  return out;
}

// "INSERT INTO [path] VALUES(" + literals joined by ", " + ")".
inline std::string insertStatement(const std::string& path, const std::vector<std::string>& literals) {
  std::string s = "INSERT INTO [" + path + "] VALUES(";
  for (std::size_t i = 0; i < literals.size(); ++i) s += (i ? ", " : "") + literals[i];
  return s + ")";
}

}  // namespace testing_literals
