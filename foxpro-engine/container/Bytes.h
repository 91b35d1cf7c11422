#pragma once
// Little- and big-endian integers inside byte buffers (the container formats mix both).
#include <cstdint>
#include <string>
#include <string_view>

namespace fox::bytes {

inline std::uint16_t le16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
inline std::uint32_t le32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(le16(b, at)) | static_cast<std::uint32_t>(le16(b, at + 2)) << 16;
}
inline std::uint32_t be32(std::string_view b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
  return v;
}
inline void putLe16(std::string& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
inline void putLe32(std::string& b, std::size_t at, std::uint32_t v) {
  putLe16(b, at, static_cast<std::uint16_t>(v & 0xFFFF));
  putLe16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}
inline void putBe32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 3; i >= 0; --i, v >>= 8) b[at + i] = static_cast<char>(v & 0xFF);
}
inline std::string le32Text(std::uint32_t v) {
  std::string s(4, '\0');
  putLe32(s, 0, v);
  return s;
}
inline std::string be32Text(std::uint32_t v) {
  std::string s(4, '\0');
  putBe32(s, 0, v);
  return s;
}

}  // namespace fox::bytes
