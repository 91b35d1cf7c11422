#include "CursorFile.h"

namespace shell {

namespace {
std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
}  // namespace

std::optional<CursorHeader> ReadCursorHeader(const std::uint8_t* data, std::size_t size) {
  // ICONDIR: reserved (0), type (2 = cursor), image count; then one 16-byte entry per image.
  constexpr std::size_t kDirectory = 6, kEntry = 16;
  if (data == nullptr || size < kDirectory + kEntry) return std::nullopt;
  if (u16(data) != 0 || u16(data + 2) != 2 || u16(data + 4) == 0) return std::nullopt;
  const std::uint8_t* entry = data + kDirectory;
  const std::uint32_t bytes = u32(entry + 8);
  const std::uint32_t offset = u32(entry + 12);
  if (bytes == 0 || offset < kDirectory + kEntry || offset > size || bytes > size - offset) return std::nullopt;
  CursorHeader header;
  header.width = entry[0] == 0 ? 256 : entry[0];
  header.height = entry[1] == 0 ? 256 : entry[1];
  header.hotSpotX = u16(entry + 4);
  header.hotSpotY = u16(entry + 6);
  if (header.hotSpotX >= header.width || header.hotSpotY >= header.height) return std::nullopt;
  return header;
}

}  // namespace shell
