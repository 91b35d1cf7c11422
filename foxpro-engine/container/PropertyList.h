#pragma once
// The PROPERTY memo of a catalogue record: a concatenation of records
//   uint32 LE total length (including these 4 bytes) | 01 00 | id | value
// Character values end in one NUL, logical and small numbers are one byte, numbers are
// big-endian int32. Unknown ids are kept byte for byte.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fox::dbc {

namespace property {
inline constexpr std::uint8_t Path = 1;
inline constexpr std::uint8_t SubType = 2;
inline constexpr std::uint8_t Comment = 7;
inline constexpr std::uint8_t DefaultValue = 11;
inline constexpr std::uint8_t IsUnique = 17;
inline constexpr std::uint8_t ParentTable = 18;
inline constexpr std::uint8_t PrimaryKey = 20;
inline constexpr std::uint8_t Version = 24;
inline constexpr std::uint8_t SubTypeTable = 1;
}  // namespace property

struct Property {
  std::uint8_t id = 0;
  std::string value;  // the value bytes as stored (a character value with its final NUL)
};

class PropertyList {
 public:
  // Throws fox::Error (2091, "damaged") when a record's length runs past the memo or is shorter
  // than its own header.
  static PropertyList parse(std::string_view memo);
  std::string encode() const;

  const std::vector<Property>& items() const { return items_; }
  const Property* find(std::uint8_t id) const;
  // A character property without its final NUL; nothing when absent.
  std::optional<std::string> text(std::uint8_t id) const;

  void addText(std::uint8_t id, std::string_view text);                  // appends value + NUL
  void addByte(std::uint8_t id, std::uint8_t value);                     // logical and small-number properties
  void addNumber(std::uint8_t id, std::int32_t value);                   // big-endian int32
  void addRaw(const Property& property) { items_.push_back(property); }  // as read, byte for byte

 private:
  std::vector<Property> items_;
};

}  // namespace fox::dbc
