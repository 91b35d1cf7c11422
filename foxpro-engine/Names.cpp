#include "Names.h"

#include <algorithm>
#include <cctype>

#include "Error.h"

namespace fox {

namespace {
bool asciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool asciiDigit(char c) { return c >= '0' && c <= '9'; }

const char* kindWord(NameKind kind) {
  switch (kind) {
    case NameKind::FreeField:
    case NameKind::LongField: return "field name";
    case NameKind::LongTableName: return "table name";
    case NameKind::TableFile: return "table file name";
  }
  return "name";
}
}  // namespace

std::optional<std::string> nameProblem(std::string_view name, NameKind kind) {
  if (name.empty()) return "it is empty";
  if (kind == NameKind::TableFile) {
    if (name.size() > 250) return "it is longer than 250 bytes";
    if (name == "." || name == "..") return "it names a folder";
    for (unsigned char c : name) {
      if (c < 0x20 || c == 0x7F) return "it holds a control character";
      if (std::string_view("/\\:*?\"<>|").find(char(c)) != std::string_view::npos)
        return std::string("it holds the character '") + char(c) + "'";
    }
    if (name.back() == ' ' || name.back() == '.') return "it ends in a blank or a period";
    return std::nullopt;
  }
  std::size_t limit = kind == NameKind::FreeField ? kShortNameLength : kLongNameLength;
  if (asciiDigit(name.front())) return "it begins with a digit";
  for (char c : name)
    if (!asciiLetter(c) && !asciiDigit(c) && c != '_') {
      if (c == ' ') return "it holds a blank";
      if ((unsigned char)c >= 0x80) return "it holds a character other than an ASCII letter, digit or underscore";
      return std::string("it holds the character '") + c + "'";
    }
  if (name.size() > limit) return "it is longer than " + std::to_string(limit) + " characters";
  return std::nullopt;
}

void validateName(std::string_view name, NameKind kind) {
  if (auto problem = nameProblem(name, kind))
    throw Error(err::InvalidName, std::string("Invalid ") + kindWord(kind) + " '" + std::string(name) + "': " + *problem + ".");
}

bool sameName(std::string_view a, std::string_view b) {
  // ASCII only, whatever the C locale: the bytes of other characters depend on the code page.
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::string upperName(std::string_view name) {
  std::string s(name);
  for (char& c : s) c = char(std::toupper((unsigned char)c));
  return s;
}

std::vector<std::string> shortFieldNames(const std::vector<std::string>& longNames) {
  std::vector<std::string> out;
  out.reserve(longNames.size());
  auto taken = [&](const std::string& s) { return std::find(out.begin(), out.end(), s) != out.end(); };
  for (const std::string& name : longNames) {
    std::string base = upperName(name.substr(0, kShortNameLength));
    std::string candidate = base;
    for (int n = 2; taken(candidate); ++n) {
      std::string suffix = std::to_string(n);
      candidate = upperName(name.substr(0, kShortNameLength - suffix.size())) + suffix;
    }
    out.push_back(candidate);
  }
  return out;
}

}  // namespace fox
