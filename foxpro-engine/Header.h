#pragma once
// The table header: parsing it from file bytes and building it for a new table (internal).
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Field.h"

namespace fox {

class File;

inline constexpr std::size_t kBacklinkSize = 263;
inline constexpr std::uint32_t kMaxRecordLength = 65500;

bool isVisualFoxProVersion(std::uint8_t version);  // 0x30, 0x31, 0x32

struct Header {
  std::uint8_t version = 0x30;
  std::uint8_t updateYear = 0, updateMonth = 0, updateDay = 0;
  std::uint32_t recordCount = 0;
  std::uint16_t headerLength = 0;
  std::uint16_t recordLength = 0;
  std::uint8_t tableFlags = 0;
  std::uint8_t codePageMark = 0;
  bool otherVersion = false;  // a version byte of no known product, read as dBase III
  std::vector<Field> fields;  // user fields, in record order
  int nullFlagsOffset = -1;   // offset of _NullFlags in the record, or -1
  int nullFlagsLength = 0;
  std::string backlink;                          // VFP only
  std::vector<std::uint32_t> descriptorOffsets;  // file offset of each user field's descriptor

  bool visualFoxPro() const { return isVisualFoxProVersion(version); }
  bool hasMemoFields() const;
};

// Parses the header at the start of a table file of `fileSize` bytes. `bytes` holds at least
// min(fileSize, 65535+…) bytes from offset 0 (all of the header when the file is long enough).
// Throws fox::Error 15 (not a table) or 2091 (records past the end of the file).
Header parseHeader(const std::vector<std::uint8_t>& bytes, std::uint64_t fileSize, const std::filesystem::path& path);
// Reads and parses the header of an open table file. The size is taken after the header, so a
// table another process is appending to reads consistently (records are written before the
// count that covers them).
Header readHeader(const File& file);

// The header bytes of a new Visual FoxPro table (no records), with _NullFlags when needed.
// `fields` gets the offsets, null and varlength bits filled in.
std::vector<std::uint8_t> buildHeader(std::vector<Field>& fields, std::uint8_t codePageMark, std::uint8_t tableFlags,
                                      const std::string& backlink, std::uint16_t& recordLength, int& nullFlagsOffset,
                                      int& nullFlagsLength);

// Today's date in the header's three bytes, VFP's year rule (year % 100).
void stampToday(std::uint8_t* header);

}  // namespace fox
