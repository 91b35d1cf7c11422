#include "ConnectionString.h"

#include "Error.h"
#include "NoCase.h"

namespace ado {

namespace {

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

[[noreturn]] void throwMalformed(std::string_view key, const char* problem) {
  throw Error(errors::kWrongArgument, "The connection string's " + std::string(key) + " value " + problem + ".");
}

// The braced value that starts at text[pos] ('{'); pos moves past its ";" (or to the end).
std::string bracedValue(std::string_view text, std::size_t& pos, std::string_view key) {
  std::string value;
  std::size_t i = pos + 1;
  for (;; ++i) {
    if (i >= text.size()) throwMalformed(key, "has no closing brace");
    if (text[i] != '}') {
      value += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '}') {
      value += '}';
      ++i;
    } else {
      break;
    }
  }
  for (++i; i < text.size() && text[i] == ' ';) ++i;
  if (i < text.size() && text[i] != ';') throwMalformed(key, "goes on after its closing brace");
  pos = i + 1;
  return value;
}

}  // namespace

ConnectionString ConnectionString::parse(std::string_view text) {
  ConnectionString result;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t eq = text.find_first_of("=;", pos);
    if (eq == std::string_view::npos || text[eq] == ';') {
      // "a;;b" or a stray word: ignored, as a driver manager does
      pos = eq == std::string_view::npos ? text.size() : eq + 1;
      continue;
    }
    std::string_view key = trimBlanks(text.substr(pos, eq - pos));
    pos = eq + 1;
    std::string value;
    if (pos < text.size() && text[pos] == '{') {
      value = bracedValue(text, pos, key);
    } else {
      std::size_t end = text.find(';', pos);
      if (end == std::string_view::npos) end = text.size();
      value = text.substr(pos, end - pos);
      pos = end + 1;
    }
    if (!key.empty()) result.pairs_.emplace_back(std::string(key), std::move(value));
  }
  return result;
}

std::string ConnectionString::quote(std::string_view value) {
  if (value.find(';') == std::string_view::npos && !value.starts_with('{')) return std::string(value);
  std::string quoted = "{";
  for (char c : value) {
    quoted += c;
    if (c == '}') quoted += '}';
  }
  return quoted + "}";
}

std::optional<std::string> ConnectionString::get(std::string_view key) const {
  for (const auto& [k, v] : pairs_)
    if (equalNoCase(k, key)) return v;
  return std::nullopt;
}

std::string ConnectionString::value(std::string_view key) const { return get(key).value_or(std::string()); }

}  // namespace ado
