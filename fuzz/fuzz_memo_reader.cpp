// Fuzzes the memo readers. Input: one byte choosing the table kind (Visual FoxPro with M, G,
// W fields and 4-byte pointers; FoxPro 2.x with 10-digit pointers and an .fpt; dBASE III or IV
// with a .dbt), four 32-bit memo pointers for the table's records, then the memo file.
#include <cstring>

#include "FuzzFiles.h"
#include "foxpro-engine/Binary.h"
#include "foxpro-engine/TableLayout.h"

namespace {

std::vector<std::uint8_t> table(std::uint8_t version, bool tenDigits, const std::uint32_t pointers[4]) {
  const char* names[] = {"M", "G", "W"};
  const char types[] = {'M', 'G', 'W'};
  int fields = version == 0x30 || version == 0x32 ? 3 : 1;
  int width = tenDigits ? 10 : 4;
  bool vfp = version == 0x30 || version == 0x32;
  std::size_t headerLength = fox::layout::descriptorAt(fields) + 1 + (vfp ? 263 : 0);
  std::size_t recordLength = 1 + width * fields;
  std::vector<std::uint8_t> t(headerLength, 0);
  t[fox::layout::kVersion] = version;
  fox::bin::putLe32(&t[fox::layout::kRecordCount], 4);
  fox::bin::putLe16(&t[fox::layout::kHeaderLength], std::uint16_t(headerLength));
  fox::bin::putLe16(&t[fox::layout::kRecordLength], std::uint16_t(recordLength));
  t[fox::layout::kCodePageMark] = 0x03;
  for (int f = 0; f < fields; ++f) {
    std::uint8_t* d = &t[fox::layout::descriptorAt(f)];
    std::memcpy(d + fox::layout::kFieldName, names[f], 1);
    d[fox::layout::kFieldType] = std::uint8_t(types[f]);
    d[fox::layout::kFieldLength] = std::uint8_t(width);
  }
  t[fox::layout::descriptorAt(fields)] = fox::layout::kFieldListEnd;
  for (int r = 0; r < 4; ++r) {
    t.push_back(' ');
    for (int f = 0; f < fields; ++f) {
      std::uint32_t p = pointers[(r + f) % 4];
      if (tenDigits) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%10u", p % 100000000u);
        t.insert(t.end(), buf, buf + 10);
      } else {
        std::uint8_t b[4];
        fox::bin::putLe32(b, p);
        t.insert(t.end(), b, b + 4);
      }
    }
  }
  t.push_back(0x1A);
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 17) return 0;
  std::uint32_t pointers[4];
  for (int i = 0; i < 4; ++i) pointers[i] = fox::bin::le32(data + 1 + 4 * i);
  static const std::uint8_t kVersions[] = {0x30, 0xF5, 0x83, 0x8B};
  std::uint8_t version = kVersions[data[0] % 4];
  bool dbt = version == 0x83 || version == 0x8B;
  auto dbf = table(version, version != 0x30, pointers);
  std::filesystem::remove(fuzz::folder() / "m.fpt");
  std::filesystem::remove(fuzz::folder() / "m.dbt");
  fuzz::put(dbt ? "m.dbt" : "m.fpt", data + 17, size - 17);
  fuzz::readAll(fuzz::put("m.dbf", dbf.data(), dbf.size()));
  return 0;
}
