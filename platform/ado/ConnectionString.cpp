#include "ConnectionString.h"

#include <algorithm>
#include <cctype>

#include "NoCase.h"

namespace ado {

namespace {

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

ConnectionString ConnectionString::parse(std::string_view text) {
  ConnectionString result;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(';', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view pair = text.substr(pos, end - pos);
    pos = end + 1;
    std::size_t eq = pair.find('=');
    if (eq == std::string_view::npos) continue;  // "a;;b" or a stray word: ignored, as a driver manager does
    std::string_view key = trimBlanks(pair.substr(0, eq));
    std::string_view value = pair.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '{' && value.back() == '}') value = value.substr(1, value.size() - 2);
    if (key.empty()) continue;
    result.pairs_.emplace_back(std::string(key), std::string(value));
  }
  return result;
}

std::optional<std::string> ConnectionString::get(std::string_view key) const {
  for (const auto& [k, v] : pairs_)
    if (equalNoCase(k, key)) return v;
  return std::nullopt;
}

std::string ConnectionString::value(std::string_view key) const { return get(key).value_or(std::string()); }

}  // namespace ado
