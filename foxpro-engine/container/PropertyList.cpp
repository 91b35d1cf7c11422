#include "PropertyList.h"

#include "Bytes.h"
#include "foxpro-engine/Error.h"

namespace fox::dbc {

namespace {
constexpr std::size_t kRecordHeader = 7;  // length (4), 01 00, id
}

PropertyList PropertyList::parse(std::string_view memo) {
  PropertyList list;
  std::size_t at = 0;
  while (at < memo.size()) {
    if (memo.size() - at < kRecordHeader) throw Error(err::TableCorrupted, "Database property list is damaged.");
    std::uint32_t length = bytes::le32(memo, at);
    if (length < kRecordHeader || length > memo.size() - at)
      throw Error(err::TableCorrupted, "Database property list is damaged.");
    list.items_.push_back({static_cast<std::uint8_t>(memo[at + 6]), std::string(memo.substr(at + 7, length - 7))});
    at += length;
  }
  return list;
}

std::string PropertyList::encode() const {
  std::string out;
  for (const Property& p : items_) {
    out += bytes::le32Text(static_cast<std::uint32_t>(kRecordHeader + p.value.size()));
    out += std::string("\x01\x00", 2);
    out += static_cast<char>(p.id);
    out += p.value;
  }
  return out;
}

const Property* PropertyList::find(std::uint8_t id) const {
  for (const Property& p : items_)
    if (p.id == id) return &p;
  return nullptr;
}

std::optional<std::string> PropertyList::text(std::uint8_t id) const {
  const Property* p = find(id);
  if (!p) return std::nullopt;
  std::string value = p->value;
  if (!value.empty() && value.back() == '\0') value.pop_back();
  return value;
}

void PropertyList::addText(std::uint8_t id, std::string_view text) {
  std::string value(text);
  value += '\0';
  items_.push_back({id, std::move(value)});
}

void PropertyList::addByte(std::uint8_t id, std::uint8_t value) {
  items_.push_back({id, std::string(1, static_cast<char>(value))});
}

void PropertyList::addNumber(std::uint8_t id, std::int32_t value) {
  items_.push_back({id, bytes::be32Text(static_cast<std::uint32_t>(value))});
}

}  // namespace fox::dbc
