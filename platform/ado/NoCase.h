#pragma once
// ASCII case-insensitive comparison of names (fields, connection string keywords). The data-access
// layer keeps its own, as it must not depend on the FoxPro engine (which has fox::sameName).
#include <algorithm>
#include <string_view>

namespace ado {

inline bool equalNoCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace ado
