#pragma once
// UTF-8 encoding and strict decoding (internal to the engine).
#include <cstddef>
#include <string>
#include <string_view>

namespace fox::utf8 {

inline void append(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(char(c));
  } else if (c < 0x800) {
    out.push_back(char(0xC0 | (c >> 6)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(char(0xE0 | (c >> 12)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (c >> 18)));
    out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  }
}

// Decodes the character at `pos` and advances past it; false (pos unchanged) on invalid UTF-8:
// overlong forms, surrogates and values past U+10FFFF are invalid.
inline bool decode(std::string_view s, std::size_t& pos, char32_t& out) {
  if (pos >= s.size()) return false;
  unsigned char b = s[pos];
  int extra;
  char32_t c;
  if (b < 0x80) {
    out = b;
    ++pos;
    return true;
  } else if ((b & 0xE0) == 0xC0) {
    extra = 1, c = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    extra = 2, c = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0) {
    extra = 3, c = b & 0x07;
  } else {
    return false;
  }
  if (pos + std::size_t(extra) >= s.size()) return false;
  for (int i = 1; i <= extra; ++i) {
    unsigned char n = s[pos + i];
    if ((n & 0xC0) != 0x80) return false;
    c = (c << 6) | (n & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  out = c;
  pos += std::size_t(extra) + 1;
  return true;
}

inline bool valid(std::string_view s) {
  std::size_t pos = 0;
  char32_t c;
  while (pos < s.size())
    if (!decode(s, pos, c)) return false;
  return true;
}

// Number of characters (for messages and truncation of valid UTF-8).
inline std::size_t length(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char b : s) n += (b & 0xC0) != 0x80;
  return n;
}

}  // namespace fox::utf8
