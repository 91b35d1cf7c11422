#include "Names.h"

#include <algorithm>
#include <cctype>

#include "Error.h"

namespace fox {

namespace {
bool asciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool asciiDigit(char c) { return c >= '0' && c <= '9'; }
// Characters no table file name holds: control characters and those Windows forbids.
bool notInFileName(unsigned char c) {
  return c < 0x20 || c == 0x7F || std::string_view("/\\:*?\"<>|").find(char(c)) != std::string_view::npos;
}

const char* kindWord(NameKind kind) {
  switch (kind) {
    case NameKind::FreeField:
    case NameKind::LongField:
      return "field name";
    case NameKind::LongTableName:
      return "table name";
    case NameKind::TableFile:
      return "table file name";
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
      if (notInFileName(c)) return std::string("it holds the character '") + char(c) + "'";
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
    throw Error(err::InvalidName,
                std::string("Invalid ") + kindWord(kind) + " '" + std::string(name) + "': " + *problem + ".");
}

namespace {
// The next character of UTF-8 text as a code point; a byte that starts no valid sequence stands
// for itself.
char32_t nextCharacter(std::string_view s, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b = byte(i);
  const std::size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  if (n == 1 || i + n > s.size()) return byte(i++);
  char32_t c = b & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return byte(i++);
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  i += n;
  return c;
}

// The small letter of a capital of the Latin, Greek and Cyrillic alphabets (the letters the
// Windows code pages hold); any other character as it is.
char32_t smallLetter(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c + (c & 1);
  if ((c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}
}  // namespace

bool sameName(std::string_view a, std::string_view b) {
  // Decided here, not by the C locale, on the names' UTF-8 text.
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size())
    if (smallLetter(nextCharacter(a, i)) != smallLetter(nextCharacter(b, j))) return false;
  return i == a.size() && j == b.size();
}

std::string upperName(std::string_view name) {
  std::string s(name);
  for (char& c : s) c = char(std::toupper((unsigned char)c));
  return s;
}

std::vector<std::string> shortFieldNames(const std::vector<std::string>& longNames) {
  auto fits = [](const std::string& name) { return name.size() <= kShortNameLength; };
  std::vector<std::string> out(longNames.size());
  std::vector<std::string> taken;
  auto isTaken = [&](const std::string& s) { return std::find(taken.begin(), taken.end(), s) != taken.end(); };
  for (std::size_t i = 0; i < longNames.size(); ++i)
    if (fits(longNames[i]) && !isTaken(upperName(longNames[i]))) taken.push_back(out[i] = upperName(longNames[i]));
  for (std::size_t i = 0; i < longNames.size(); ++i) {
    const std::string& name = longNames[i];
    if (!out[i].empty()) continue;
    std::string candidate = upperName(name.substr(0, kShortNameLength));
    for (int n = 2; isTaken(candidate); ++n) {
      std::string suffix = std::to_string(n);
      candidate = upperName(name.substr(0, kShortNameLength - suffix.size())) + suffix;
    }
    taken.push_back(out[i] = candidate);
  }
  return out;
}

std::string tableFileStem(std::string_view name) {
  if (name.empty()) validateName(name, NameKind::TableFile);
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string stem;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    const bool last = i + 1 == name.size();
    const bool unsafe = notInFileName(c) || (last && (c == ' ' || c == '.'));
    if (!unsafe) {
      stem += char(c);
      continue;
    }
    stem += '%';
    stem += kHex[c >> 4];
    stem += kHex[c & 15];
  }
  validateName(stem, NameKind::TableFile);
  return stem;
}

}  // namespace fox
