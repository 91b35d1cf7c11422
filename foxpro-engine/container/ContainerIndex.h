#pragma once
// The structural index of a database container (.dcx): two tags over the catalogue records,
// OBJECTNAME = STR(parentid)+objecttype+LOWER(objectname) and OBJECTTYPE = STR(parentid)+objecttype,
// both FOR .NOT.DELETED(), MACHINE collation.
#include <cstdint>
#include <string>
#include <vector>

#include "CompoundIndex.h"

namespace fox::dbc {

// What the index needs of one catalogue record: its raw bytes as the .dbc holds them.
struct IndexRecord {
  std::uint32_t record = 0;  // 1-based record number in the .dbc
  bool deleted = false;
  std::int32_t parentId = 0;
  std::string objectType;  // the 10 stored bytes
  std::string objectName;  // the 128 stored bytes
};

// STR(n): n right-aligned in 10 characters; "**********" when it does not fit.
std::string str10(std::int32_t value);
// LOWER() over the container's code page bytes (Windows-1252 letters for mark 0x03, ASCII otherwise).
std::string lowerBytes(std::string text, int codePage);
// UPPER() the same way.
std::string upperBytes(std::string text, int codePage);

// The two tags with the keys of every live record, sorted. Expression texts are taken from
// `previous` (the index the container had) when it has the tag, so rebuilding keeps VFP's spelling.
std::vector<cdx::TagPlan> containerIndexTags(const std::vector<IndexRecord>& records, int codePage,
                                             const cdx::CompoundIndex* previous = nullptr);

}  // namespace fox::dbc
