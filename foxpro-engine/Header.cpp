#include "Header.h"

#include <algorithm>
#include <ctime>

#include "Binary.h"
#include "Error.h"
#include "File.h"

namespace fox {

bool isVisualFoxProVersion(std::uint8_t version) { return version >= 0x30 && version <= 0x32; }

namespace {

bool knownType(char t) {
  switch (t) {
    case 'C': case 'V': case 'Q': case 'N': case 'F': case 'I': case 'B': case 'Y':
    case 'D': case 'T': case 'L': case 'M': case 'G': case 'W': case 'P':
      return true;
    default:
      return false;
  }
}

// The lengths the reader can decode for each type; others are damage.
bool plausibleLength(char t, unsigned length, bool vfp) {
  switch (t) {
    case 'I': return length == 4;
    case 'Y': case 'T': return length == 8;
    case 'B': return length == 8 || (!vfp && length == 10);
    case 'D': return length == 8;
    case 'L': return length == 1;
    case 'M': case 'G': case 'W': case 'P': return length == 4 || length == 10;
    default: return length >= 1;
  }
}

[[noreturn]] void notATable(const std::filesystem::path& path, const std::string& why) {
  throw Error(err::NotATable, "Not a table: " + quoted(path) + " " + why + ".");
}

}  // namespace

bool Header::hasMemoFields() const {
  return std::any_of(fields.begin(), fields.end(), [&](const Field& f) {
    switch (f.type) {
      case 'M': case 'G': case 'W': case 'P': return true;
      case 'B': return f.length == 10;  // dBASE binary memo
      default: return false;
    }
  });
}

Header parseHeader(const std::vector<std::uint8_t>& bytes, std::uint64_t fileSize, const std::filesystem::path& path) {
  if (bytes.size() < 32) notATable(path, "is too short to hold a table header");
  const std::uint8_t* p = bytes.data();
  Header h;
  h.version = p[0];
  h.updateYear = p[1], h.updateMonth = p[2], h.updateDay = p[3];
  h.recordCount = bin::le32(p + 4);
  h.headerLength = bin::le16(p + 8);
  h.recordLength = bin::le16(p + 10);
  h.tableFlags = p[28];
  h.codePageMark = p[29];
  bool vfp = h.visualFoxPro();
  // dBASE 7 (version 0x04 with 48-byte descriptors) and other layouts are not read.
  switch (h.version) {
    case 0x02: case 0x03: case 0x04: case 0x05: case 0x30: case 0x31: case 0x32: case 0x43: case 0x63:
    case 0x83: case 0x8B: case 0xCB: case 0xF5: case 0xFB: case 0xE5:
      break;
    default:
      notATable(path, "has an unknown file type byte");
  }
  if (h.headerLength < 33 || h.headerLength > fileSize) notATable(path, "has a header length past the end of the file");
  if (bytes.size() < h.headerLength) notATable(path, "is too short to hold its header");
  if (h.recordLength < 2 || h.recordLength > kMaxRecordLength) notATable(path, "has an invalid record length");

  // Descriptors run from byte 32 to the 0x0D terminator.
  std::size_t end = 32;
  while (end < h.headerLength && p[end] != 0x0D) end += 32;
  if (end >= h.headerLength) notATable(path, "has no end to its field list");
  std::size_t count = (end - 32) / 32;
  if (count == 0) notATable(path, "has no fields");
  if (count > 255 + 1) notATable(path, "has more fields than a table can hold");

  std::uint32_t offset = 1;
  int bit = 0;
  std::vector<std::size_t> nullable;  // indexes of user fields that take bits
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* d = p + 32 + 32 * i;
    Field f;
    std::size_t nameLength = 0;
    while (nameLength < 11 && d[nameLength] != 0) ++nameLength;
    f.name.assign(reinterpret_cast<const char*>(d), nameLength);
    f.type = char(d[11]);
    unsigned length = d[16];
    f.decimals = d[17];
    f.flags = vfp ? d[18] : 0;  // byte 18 means other things outside Visual FoxPro
    if (vfp && (f.flags & kFlagSystem) && f.type == '0') {  // _NullFlags
      h.nullFlagsOffset = int(offset);
      h.nullFlagsLength = int(length);
      offset += length;
      continue;
    }
    if (f.type >= 'a' && f.type <= 'z') f.type = char(f.type - 'a' + 'A');
    // Clipper and FoxPro 2.x store long character fields' high length byte in the decimals.
    if (!vfp && f.type == 'C' && f.decimals > 0) {
      length += unsigned(f.decimals) * 256;
      f.decimals = 0;
    }
    if (!knownType(f.type)) notATable(path, "has field " + std::to_string(i + 1) + " of an unknown type");
    if (!plausibleLength(f.type, length, vfp))
      notATable(path, "has field " + f.name + " of type " + f.type + " with an impossible length " + std::to_string(length));
    if (vfp && f.autoIncrement() && f.type == 'I') {
      f.autoIncrementNext = std::int32_t(bin::le32(d + 19));
      f.autoIncrementStep = d[23];
    }
    f.length = std::uint16_t(length);
    f.offset = offset;
    offset += length;
    h.descriptorOffsets.push_back(std::uint32_t(32 + 32 * i));
    h.fields.push_back(std::move(f));
  }
  if (h.fields.empty()) notATable(path, "has no fields");
  if (offset > h.recordLength) notATable(path, "has fields longer than its records");

  // _NullFlags bits: a V or Q field takes a varlength bit, then a nullable field a null bit.
  if (h.nullFlagsOffset >= 0) {
    int available = h.nullFlagsLength * 8;
    for (Field& f : h.fields) {
      if ((f.type == 'V' || f.type == 'Q') && bit < available) f.varLengthBit = bit++;
      if (f.nullable() && bit < available) f.nullBit = bit++;
    }
  }
  if (vfp && h.headerLength >= end + 1 + kBacklinkSize) {
    const char* b = reinterpret_cast<const char*>(p + end + 1);
    h.backlink.assign(b, std::find(b, b + kBacklinkSize, '\0'));
  }
  std::uint64_t needed = std::uint64_t(h.headerLength) + std::uint64_t(h.recordCount) * h.recordLength;
  if (needed > fileSize)
    throw Error(err::TableCorrupted, "Table " + quoted(path) + " has become corrupted: its header counts " +
                                         std::to_string(h.recordCount) + " records, more than the file holds.");
  return h;
}

Header readHeader(const File& file) {
  std::vector<std::uint8_t> bytes(65536);  // the 16-bit header length's limit
  bytes.resize(file.readAt(0, bytes.data(), bytes.size()));
  return parseHeader(bytes, file.size(), file.path());
}

std::vector<std::uint8_t> buildHeader(std::vector<Field>& fields, std::uint8_t codePageMark, std::uint8_t tableFlags,
                                      const std::string& backlink, std::uint16_t& recordLength, int& nullFlagsOffset,
                                      int& nullFlagsLength) {
  bool autoInc = false, varTypes = false;
  int bits = 0;
  std::uint32_t offset = 1;
  for (Field& f : fields) {
    f.offset = offset;
    offset += f.length;
    f.varLengthBit = f.nullBit = -1;
    if (f.type == 'V' || f.type == 'Q') f.varLengthBit = bits++;
    if (f.nullable()) f.nullBit = bits++;
    autoInc |= f.autoIncrement();
    varTypes |= f.type == 'V' || f.type == 'Q' || f.type == 'W';
  }
  nullFlagsOffset = -1;
  nullFlagsLength = 0;
  std::size_t descriptors = fields.size();
  if (bits > 0) {
    nullFlagsOffset = int(offset);
    nullFlagsLength = (bits + 7) / 8;
    offset += std::uint32_t(nullFlagsLength);
    ++descriptors;
  }
  recordLength = std::uint16_t(offset);
  std::size_t headerLength = 32 + 32 * descriptors + 1 + kBacklinkSize;
  std::vector<std::uint8_t> h(headerLength, 0);
  h[0] = varTypes ? 0x32 : autoInc ? 0x31 : 0x30;
  stampToday(h.data());
  bin::putLe16(&h[8], std::uint16_t(headerLength));
  bin::putLe16(&h[10], recordLength);
  h[28] = tableFlags;
  h[29] = codePageMark;
  auto put = [&](std::size_t i, const std::string& name, char type, std::uint32_t off, std::uint8_t len, std::uint8_t dec,
                 std::uint8_t flags, std::int32_t next, std::uint8_t step) {
    std::uint8_t* d = &h[32 + 32 * i];
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 10), d);
    d[11] = std::uint8_t(type);
    bin::putLe32(d + 12, off);
    d[16] = len;
    d[17] = dec;
    d[18] = flags;
    bin::putLe32(d + 19, std::uint32_t(next));
    d[23] = step;
  };
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const Field& f = fields[i];
    put(i, f.name, f.type, f.offset, std::uint8_t(f.length), f.decimals, f.flags, f.autoIncrementNext, f.autoIncrementStep);
  }
  if (bits > 0)
    put(fields.size(), "_NullFlags", '0', std::uint32_t(nullFlagsOffset), std::uint8_t(nullFlagsLength), 0,
        kFlagSystem | kFlagBinary, 0, 0);
  h[32 + 32 * descriptors] = 0x0D;
  std::copy_n(backlink.begin(), std::min(backlink.size(), kBacklinkSize), &h[33 + 32 * descriptors]);
  return h;
}

void stampToday(std::uint8_t* header) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  header[1] = std::uint8_t(local.tm_year % 100);
  header[2] = std::uint8_t(local.tm_mon + 1);
  header[3] = std::uint8_t(local.tm_mday);
}

}  // namespace fox
