#include "ContainerIndex.h"

#include <string>

namespace fox::dbc {

namespace {

constexpr std::uint16_t kNameKeyLength = 148;
constexpr std::uint16_t kTypeKeyLength = 20;
constexpr std::uint8_t kOptions = cdx::kOptionCompound | cdx::kOptionCompact | cdx::kOptionHasFor;

cdx::TagInfo tagInfo(const char* name, std::uint16_t keyLength, const char* keyExpression,
                     const cdx::CompoundIndex* previous) {
  cdx::TagInfo info;
  info.name = name;
  info.keyLength = keyLength;
  info.options = kOptions;
  info.keyExpression = keyExpression;
  info.forExpression = ".NOT.DELETED()";
  if (previous) {
    if (const cdx::Tag* old = previous->find(name); old && old->info.keyLength == keyLength) {
      info.keyExpression = old->info.keyExpression;
      info.forExpression = old->info.forExpression;
    }
  }
  return info;
}

std::string fixed(std::string text, std::size_t size) {
  text.resize(size, ' ');
  return text;
}

}  // namespace

std::string str10(std::int32_t value) {
  std::string digits = std::to_string(value);
  if (digits.size() > 10) return std::string(10, '*');
  return std::string(10 - digits.size(), ' ') + digits;
}

std::string lowerBytes(std::string text, int codePage) {
  for (char& ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<unsigned char>(c + 32);
    } else if (codePage == 1252) {
      // Windows-1252 capitals: Š Œ Ž (0x8A 0x8C 0x8E → +0x10), Ÿ (0x9F → 0xFF), À…Þ except × (+0x20).
      if (c == 0x8A || c == 0x8C || c == 0x8E)
        c = static_cast<unsigned char>(c + 0x10);
      else if (c == 0x9F)
        c = 0xFF;
      else if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        c = static_cast<unsigned char>(c + 0x20);
    }
    ch = static_cast<char>(c);
  }
  return text;
}

std::string upperBytes(std::string text, int codePage) {
  for (char& ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 'a' && c <= 'z') {
      c = static_cast<unsigned char>(c - 32);
    } else if (codePage == 1252) {
      // Windows-1252 small letters: š œ ž (0x9A 0x9C 0x9E → −0x10), ÿ (0xFF → 0x9F), à…þ except ÷ (−0x20).
      if (c == 0x9A || c == 0x9C || c == 0x9E)
        c = static_cast<unsigned char>(c - 0x10);
      else if (c == 0xFF)
        c = 0x9F;
      else if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        c = static_cast<unsigned char>(c - 0x20);
    }
    ch = static_cast<char>(c);
  }
  return text;
}

std::vector<cdx::TagPlan> containerIndexTags(const std::vector<IndexRecord>& records, int codePage,
                                             const cdx::CompoundIndex* previous) {
  cdx::TagPlan byName{tagInfo("OBJECTNAME", kNameKeyLength, "STR(parentid)+objecttype+LOWER(objectname)", previous),
                      {}};
  cdx::TagPlan byType{tagInfo("OBJECTTYPE", kTypeKeyLength, "STR(parentid)+objecttype", previous), {}};
  for (const IndexRecord& r : records) {
    if (r.deleted) continue;
    std::string prefix = str10(r.parentId) + fixed(r.objectType, 10);
    byType.keys.push_back({prefix, r.record});
    byName.keys.push_back({prefix + lowerBytes(fixed(r.objectName, 128), codePage), r.record});
  }
  cdx::sortKeys(byName.keys);
  cdx::sortKeys(byType.keys);
  return {byName, byType};
}

}  // namespace fox::dbc
