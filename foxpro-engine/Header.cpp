#include "Header.h"

#include <algorithm>
#include <ctime>

#include "Binary.h"
#include "Error.h"
#include "Errors.h"
#include "File.h"
#include "TableLayout.h"

namespace fox {

using namespace layout;

bool isVisualFoxProVersion(std::uint8_t version) { return version >= 0x30 && version <= 0x32; }

namespace {

bool knownType(char t, bool vfp) {
  switch (t) {
    case 'C':
    case 'V':
    case 'Q':
    case 'N':
    case 'F':
    case 'I':
    case 'B':
    case 'Y':
    case 'D':
    case 'T':
    case 'L':
    case 'M':
    case 'G':
    case 'W':
    case 'P':
      return true;
    case 'O':
    case '@':
    case '+':  // dBase 7's double, timestamp and autoincrement
      return !vfp;
    default:
      return false;
  }
}

// The lengths the reader can decode for each type; others are damage. Visual FoxPro tables get
// only the lengths Visual FoxPro writes.
bool plausibleLength(char t, unsigned length, bool vfp) {
  switch (t) {
    case 'I':
    case '+':
      return length == 4;
    case 'Y':
    case 'T':
    case 'O':
    case '@':
      return length == 8;
    case 'B':
      return length == 8 || (!vfp && length == 10);
    case 'D':
      return length == 8 || !vfp;  // dBase reads the date from the first 8 bytes
    case 'L':
      return length == 1;
    case 'M':
    case 'G':
    case 'W':
    case 'P':
      return length == 4 || length == 10;
    case 'N':
    case 'F':
      return length >= 1 || !vfp;  // a width of 0 holds no value
    default:
      return length >= 1;
  }
}

// Version bytes of the products whose tables have 32-byte field descriptors. 0x07 and 0x87 are
// dBase III with CA-Visual Objects' flag for text in the Windows code page.
bool knownVersion(std::uint8_t v) {
  switch (v) {
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x07:
    case 0x30:
    case 0x31:
    case 0x32:
    case 0x43:
    case 0x63:
    case 0x83:
    case 0x87:
    case 0x8B:
    case 0xCB:
    case 0xF5:
    case 0xFB:
    case 0xE5:
      return true;
    default:
      return false;
  }
}

// dBase 7 (0x04 without memo, 0x8C with) puts a language driver name after the 32 header bytes
// and describes each field in 48 bytes: its field list ends with 0x0D at 68 + 48·n.
bool dBase7Layout(const std::uint8_t* p, std::size_t headerLength) {
  for (std::size_t end = kDBase7HeaderSize + kDBase7DescriptorSize; end < headerLength; end += kDBase7DescriptorSize)
    if (p[end] == kFieldListEnd) return true;
  return false;
}

[[noreturn]] void notATable(const std::filesystem::path& path, const std::string& why) {
  throw Error(err::NotATable, "Not a table: " + quoted(path) + " " + why + ".");
}

std::string hexByte(std::uint8_t b) {
  static const char* digits = "0123456789ABCDEF";
  return std::string("0x") + digits[b >> 4] + digits[b & 15];
}

// Where the field list ends: at the first 0x0D on a descriptor boundary, or, when another byte
// ends it (0x0A, as some writers leave it), where the header length says: 32 + 32·n + 1 bytes,
// and 263 more for Visual FoxPro's back-link. 0 when neither finds an end.
std::size_t fieldListEnd(const std::uint8_t* p, std::size_t headerLength, bool vfp) {
  std::size_t end = kTableHeaderSize;
  while (end < headerLength && p[end] != kFieldListEnd) end += kDescriptorSize;
  if (end < headerLength) return end;
  std::size_t fixed = kTableHeaderSize + 1 + (vfp ? kBacklinkSize : 0);
  if (headerLength < fixed || (headerLength - fixed) % kDescriptorSize != 0) return 0;
  return kTableHeaderSize + (headerLength - fixed);
}

struct RawField {
  Field field;
  unsigned length = 0;
  std::uint32_t displacement = 0;  // as the descriptor stores it
  bool nullFlags = false;          // Visual FoxPro's hidden _NullFlags
};

}  // namespace

bool Header::hasMemoFields() const {
  return std::any_of(fields.begin(), fields.end(), [&](const Field& f) {
    switch (f.type) {
      case 'M':
      case 'G':
      case 'W':
      case 'P':
        return true;
      case 'B':
        return f.length == 10;  // dBASE binary memo
      default:
        return false;
    }
  });
}

Header parseHeader(const std::vector<std::uint8_t>& bytes, std::uint64_t fileSize, const std::filesystem::path& path) {
  if (bytes.size() < kTableHeaderSize) notATable(path, "is too short to hold a table header");
  const std::uint8_t* p = bytes.data();
  Header h;
  h.version = p[kVersion];
  h.updateYear = p[kUpdateDate], h.updateMonth = p[kUpdateDate + 1], h.updateDay = p[kUpdateDate + 2];
  h.recordCount = bin::le32(p + kRecordCount);
  h.headerLength = bin::le16(p + kHeaderLength);
  h.recordLength = bin::le16(p + kRecordLength);
  h.tableFlags = p[kTableFlags];
  h.codePageMark = p[kCodePageMark];
  h.otherVersion = !knownVersion(h.version);
  bool vfp = h.visualFoxPro();
  if (h.version == 0x8C) notATable(path, "is a dBase 7 table, whose layout is not read");
  if (h.headerLength > fileSize) notATable(path, "has a header length past the end of the file");
  if (bytes.size() < h.headerLength) notATable(path, "is too short to hold its header");
  if (h.headerLength <= kTableHeaderSize + 1 || p[kTableHeaderSize] == kFieldListEnd) notATable(path, "has no fields");

  std::size_t end = fieldListEnd(p, h.headerLength, vfp);
  if (end == 0 && h.version == 0x04 && dBase7Layout(p, h.headerLength))
    notATable(path, "is a dBase 7 table, whose layout is not read");
  if (h.otherVersion && (end == 0 || end + 1 != h.headerLength))
    notATable(path, "has an unknown file type byte " + hexByte(h.version));
  if (end == 0) notATable(path, "has no end to its field list");
  std::size_t count = (end - kTableHeaderSize) / kDescriptorSize;
  if (count > 255 + 1) notATable(path, "has more fields than a table can hold");

  std::vector<RawField> raw;
  unsigned longLength = 1;  // the record, with long character fields read as Clipper writes them
  bool longCharacters = false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* d = p + descriptorAt(i);
    RawField r;
    Field& f = r.field;
    std::size_t nameLength = 0;
    while (nameLength < kFieldNameSize && d[kFieldName + nameLength] != 0) ++nameLength;
    f.name.assign(reinterpret_cast<const char*>(d + kFieldName), nameLength);
    f.type = char(d[kFieldType]);
    r.displacement = bin::le32(d + kFieldDisplacement);
    r.length = d[kFieldLength];
    f.decimals = d[kFieldDecimals];
    f.flags = vfp ? d[kFieldFlags] : 0;  // the flags byte means other things outside Visual FoxPro
    if (vfp && (f.flags & kFlagSystem) && f.type == '0') {
      r.nullFlags = true;
      longLength += r.length;
      raw.push_back(std::move(r));
      continue;
    }
    if (f.type >= 'a' && f.type <= 'z') f.type = char(f.type - 'a' + 'A');
    if (!knownType(f.type, vfp)) notATable(path, "has field " + std::to_string(i + 1) + " of an unknown type");
    // Clipper and Harbour store the high byte of a character field's length in its decimals.
    if (!vfp && f.type == 'C' && f.decimals > 0) {
      longCharacters = true;
      longLength += r.length + 256u * f.decimals;
    } else {
      longLength += r.length;
    }
    if (vfp && f.autoIncrement() && f.type == 'I') {
      f.autoIncrementNext = std::int32_t(bin::le32(d + kAutoIncrementNext));
      f.autoIncrementStep = d[kAutoIncrementStep];
    }
    h.descriptorOffsets.push_back(std::uint32_t(descriptorAt(i)));
    raw.push_back(std::move(r));
  }
  if (h.descriptorOffsets.empty()) notATable(path, "has no fields");
  if (h.recordLength < 2 || h.recordLength > kMaxRecordLength) notATable(path, "has an invalid record length");
  // The long reading only where the record length is exactly what it makes (an Excel export has
  // C(8) with decimals 2 in records that hold 8 bytes).
  bool useLong = longCharacters && longLength == h.recordLength;

  std::uint32_t offset = 1;
  bool displacementsAgree = true;
  for (RawField& r : raw) {
    Field& f = r.field;
    unsigned length = r.length;
    if (r.nullFlags) {
      h.nullFlagsOffset = int(offset);
      h.nullFlagsLength = int(length);
      offset += length;
      continue;
    }
    if (f.type == 'C') {
      if (useLong) length += 256u * f.decimals;
      f.decimals = 0;
    }
    if (!plausibleLength(f.type, length, vfp))
      notATable(path,
                "has field " + f.name + " of type " + f.type + " with an impossible length " + std::to_string(length));
    displacementsAgree &= r.displacement == 0 || r.displacement == offset;
    f.length = std::uint16_t(length);
    f.offset = offset;
    offset += length;
    h.fields.push_back(std::move(f));
  }
  if (offset > h.recordLength) notATable(path, "has fields longer than its records");

  std::uint64_t needed = std::uint64_t(h.headerLength) + std::uint64_t(h.recordCount) * h.recordLength;
  // A version byte no product is known to write: read as dBase III when everything else agrees.
  if (h.otherVersion && (offset != h.recordLength || !displacementsAgree || fileSize < needed || fileSize > needed + 1))
    notATable(path, "has an unknown file type byte " + hexByte(h.version));

  // _NullFlags bits: a V or Q field takes a varlength bit, then a nullable field a null bit.
  if (h.nullFlagsOffset >= 0) {
    int available = h.nullFlagsLength * 8, bit = 0;
    for (Field& f : h.fields) {
      if ((f.type == 'V' || f.type == 'Q') && bit < available) f.varLengthBit = bit++;
      if (f.nullable() && bit < available) f.nullBit = bit++;
    }
  }
  if (vfp && h.headerLength >= end + 1 + kBacklinkSize) {
    const char* b = reinterpret_cast<const char*>(p + end + 1);
    h.backlink.assign(b, std::find(b, b + kBacklinkSize, '\0'));
  }
  if (needed > fileSize)
    throw errors::tableCorrupted(
        path, "its header counts " + std::to_string(h.recordCount) + " records, more than the file holds");
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
  std::size_t headerLength = descriptorAt(descriptors) + 1 + kBacklinkSize;
  std::vector<std::uint8_t> h(headerLength, 0);
  h[kVersion] = varTypes ? 0x32 : autoInc ? 0x31 : 0x30;
  stampToday(h.data());
  bin::putLe16(&h[kHeaderLength], std::uint16_t(headerLength));
  bin::putLe16(&h[kRecordLength], recordLength);
  h[kTableFlags] = tableFlags;
  h[kCodePageMark] = codePageMark;
  auto put = [&](std::size_t i, const std::string& name, char type, std::uint32_t off, std::uint8_t len,
                 std::uint8_t dec, std::uint8_t flags, std::int32_t next, std::uint8_t step) {
    std::uint8_t* d = &h[descriptorAt(i)];
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), kFieldNameSize - 1), d + kFieldName);
    d[kFieldType] = std::uint8_t(type);
    bin::putLe32(d + kFieldDisplacement, off);
    d[kFieldLength] = len;
    d[kFieldDecimals] = dec;
    d[kFieldFlags] = flags;
    bin::putLe32(d + kAutoIncrementNext, std::uint32_t(next));
    d[kAutoIncrementStep] = step;
  };
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const Field& f = fields[i];
    put(i, f.name, f.type, f.offset, std::uint8_t(f.length), f.decimals, f.flags, f.autoIncrementNext,
        f.autoIncrementStep);
  }
  if (bits > 0)
    put(fields.size(), "_NullFlags", '0', std::uint32_t(nullFlagsOffset), std::uint8_t(nullFlagsLength), 0,
        kFlagSystem | kFlagBinary, 0, 0);
  h[descriptorAt(descriptors)] = kFieldListEnd;
  std::copy_n(backlink.begin(), std::min(backlink.size(), kBacklinkSize), &h[descriptorAt(descriptors) + 1]);
  return h;
}

void stampToday(std::uint8_t* header) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  header[kUpdateDate] = std::uint8_t(local.tm_year % 100);
  header[kUpdateDate + 1] = std::uint8_t(local.tm_mon + 1);
  header[kUpdateDate + 2] = std::uint8_t(local.tm_mday);
}

}  // namespace fox
