// Tables other programs wrote, built byte by byte: the quirks their writers and readers accept
// read, with the values they must give.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "EngineTestSupport.h"

using namespace enginetest;
using fox::Value;

namespace {

struct RawField {
  const char* name;
  char type;
  std::uint8_t length, decimals = 0;
};

// A dBase III table: header, descriptors, terminator, the records (without deletion flags), 0x1A.
std::string dbf(const std::vector<RawField>& fields, const std::vector<std::string>& records, std::uint8_t version = 3,
                std::uint8_t mark = 0, char terminator = 0x0D, std::size_t recordLength = 0) {
  std::string h(32 + 32 * fields.size() + 1, '\0');
  auto le = [&](std::size_t at, std::size_t v, int n) {
    for (int i = 0; i < n; ++i) h[at + i] = char((v >> (8 * i)) & 0xFF);
  };
  std::size_t offset = 1;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    h.replace(32 + 32 * i, std::strlen(fields[i].name), fields[i].name);
    h[32 + 32 * i + 11] = fields[i].type;
    le(32 + 32 * i + 12, offset, 4);
    h[32 + 32 * i + 16] = char(fields[i].length), h[32 + 32 * i + 17] = char(fields[i].decimals);
    offset += fields[i].length;
  }
  h[0] = char(version), h[29] = char(mark), h.back() = terminator;
  le(4, records.size(), 4), le(8, h.size(), 2), le(10, recordLength ? recordLength : offset, 2);
  for (auto& r : records) h += " " + r;
  return h + "\x1A";
}

}  // namespace

// Tables other programs write, as their readers take them: the values each holds, or the error
// reading it raises.
TEST(Tolerance, TablesOtherWritersWrite) {
  TempDir dir;
  using namespace std::string_literals;
  const std::vector<RawField> nfld = {{"N", 'N', 7, 2}, {"F", 'F', 5, 1}, {"L", 'L', 1}, {"D", 'D', 8}};
  auto level7 = [](char version) {  // one 48-byte descriptor
    std::string h(68 + 48 + 1, '\0');
    h[0] = version, h[8] = char(h.size()), h[10] = 11, h[68] = 'A', h[100] = 'C', h[101] = 10;
    h.back() = 0x0D;
    return h;
  };
  const std::string corrupted = "2091 Table 't.dbf' has become corrupted: ", notATable = "15 Not a table: 't.dbf' ",
                    dBase7 = "is a dBase 7 table, whose layout is not read.";
  const std::pair<std::string, std::string> cases[] = {
      // No digits, a blank or '?' logical, a blank date: no value. 0 and .F. stay. N(0): no bytes.
      {dbf({{"N", 'N', 7, 2}, {"F", 'F', 5, 1}, {"L", 'L', 1}, {"D", 'D', 8}, {"Z", 'N', 0}},
           {"   .     .  ?        "}),
       "NULL|NULL|NULL|NULL|NULL\n"},
      {dbf(nfld, {"*******  *** 00000000"}), "NULL|NULL|NULL|NULL\n"},
      {dbf(nfld, {"   0.00 -2.5F20240229"}), "0.00|-2.5|.F.|2024-02-29\n"},
      // Clipper's C(300) (decimals 1 = the high byte) where the record length confirms it.
      {dbf({{"LONG", 'C', 300 % 256, 1}}, {std::string(299, 'x') + "y"}, 3, 0, 0x0D, 301),
       std::string(299, 'x') + "y\n"},
      // Excel's C(8) with decimals 2 where it does not; NUL padding as blanks, inner NULs kept; a D(10).
      {dbf({{"CODE", 'C', 8, 2}, {"NAME", 'C', 6}, {"WHEN", 'D', 10}}, {"AB12\0\0\0\0a\0b\0\0 20240517  "s}),
       "AB12|a\0b|2024-05-17\n"s},
      // Other characters are still damage.
      {dbf({nfld[0], nfld[1]}, {"   1*     .5"}), corrupted + "field N of record 1 holds '   1*  ', not a number."},
      {dbf({nfld[0], nfld[1]}, {"  12a     .5"}), corrupted + "field N of record 1 holds '  12a  ', not a number."},
      {dbf({{"D", 'D', 10}}, {"2024051799"}), corrupted + "field D of record 1 holds '2024051799', not a date."},
      // I, + and O in a table of dBase 7's version byte, big-endian.
      {dbf({{"ID", '+', 4}, {"I", 'I', 4}, {"X", 'O', 8}, {"Y", 'O', 8}},
           {"\x80\0\0\x2A\x7F\xFF\xFF\xFF\x3F\xFB\xFF\xFF\xFF\xFF\xFF\xFF\xBF\xF8\0\0\0\0\0\0"s}, 4),
       "42|-1|-2.5|1.5\n"},
      // CA-Visual Objects' 0x07 and an unknown version byte whose header agrees, with the field
      // list ended by 0x0D or 0x0A; not once the file no longer agrees.
      {dbf({{"NAME", 'C', 4}}, {"abcd"}, 0x07, 0, 0x0D), "abcd\n"},
      {dbf({{"NAME", 'C', 4}}, {"abcd"}, 0x07, 0, 0x0A), "abcd\n"},
      {dbf({{"NAME", 'C', 4}}, {"abcd"}, 0x99, 0, 0x0D), "abcd\n"},
      {dbf({{"NAME", 'C', 4}}, {"abcd"}, 0x99, 0, 0x0A), "abcd\n"},
      {dbf({{"NAME", 'C', 4}}, {"abcd"}, 0x99, 0, 0x0A) + "more", notATable + "has an unknown file type byte 0x99."},
      {dbf({}, {}, 3, 0, 0x0D, 1), notATable + "has no fields."},
      {level7('\x04'), notATable + dBase7},
      {level7('\x8C'), notATable + dBase7},
  };
  for (const auto& [bytes, reads] : cases) {
    writeFile(dir / "t.dbf", bytes);
    EXPECT_EQ(shownTable(dir / "t.dbf"), reads);
  }

  // dBase 7's autoincrement, double and timestamp in a dBase III table (as Harbour writes them,
  // and dbfread reads them).
  writeFile(dir / "d7.dbf", dbf({{"ID", '+', 4}, {"X", 'O', 8}, {"AT", '@', 8}},
                                {"\x2A\0\0\0\0\0\0\0\0\0\x04\xC0\x20\x8B\x25\0\x90\xC4\xF3\x02"s}));
  EXPECT_EQ(shownTable(dir / "d7.dbf"), "42|-2.5|2024-05-17 13:45:30\n");
  EXPECT_TRUE(readsTheSame(dir / "d7.dbf", "dbfread"));

  // A table without its end-of-file byte takes rows after its last record and gets the byte
  // back; a memo pointer of four blanks is an empty memo.
  std::string bytes = readFile(writeTable(dir / "t.dbf", {{"N", 'N', 3}, {"M", 'M'}}, {}));
  writeFile(dir / "t.dbf", bytes.substr(0, bytes.size() - 1));
  fox::TableWriter::openForAppend(dir / "t.dbf")->append({std::int32_t(5), std::string("memo")});
  bytes = readFile(dir / "t.dbf");
  EXPECT_EQ(bytes.back(), '\x1A');
  patch(dir / "t.dbf", bytes.size() - 1 - 4, "    ");
  EXPECT_EQ(shownTable(dir / "t.dbf"), "5|\n");
}

// A .cpg beside the table, then the header's mark, then the caller's code page, then 1252: for
// reading, and for appending to a table without a mark.
TEST(Tolerance, CodePageFromACpgFileTheMarkOrTheCaller) {
  TempDir dir;
  auto name = [&](const std::string& bytes, std::uint8_t mark, const fox::ReadOptions& o = {}) {
    writeFile(dir / "t.dbf", dbf({{"NAME", 'C', 4}}, {bytes + std::string(4 - bytes.size(), ' ')}, 3, mark));
    std::string s = shownTable(dir / "t.dbf", o);
    return s.substr(0, s.size() - 1);
  };
  std::string lcAll = std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "";
  ::setenv("LC_ALL", "ru_RU.UTF-8", 1);  // for OEM: its DOS code page, 866
  for (auto [cpg, bytes, reads] : {std::tuple{"UTF-8\r\n", "\xD0\x96\xC3\xA9", "Жé"},
                                   {"1251", "\xC6\xE8\xE2", "Жив"},
                                   {" cp866 ", "\x86\xA8\xA2", "Жив"},
                                   {"OEM", "\x86\xA8\xA2", "Жив"},
                                   {"ANSI 1252", "\xE9t\xE9", "été"},
                                   {"88595", "\xB6\xD8\xD2", "Жив"}}) {
    writeFile(dir / "T.CPG", cpg);
    EXPECT_EQ(name(bytes, 0x03), reads) << cpg;  // over the mark, as GIS tools mean it
  }
  lcAll.empty() ? ::unsetenv("LC_ALL") : ::setenv("LC_ALL", lcAll.c_str(), 1);
  fs::remove(dir / "T.CPG");
  EXPECT_EQ(name("\xC6\xE8\xE2", 0xC9, {.codePageWhenUnmarked = 1250}), "Жив");
  EXPECT_EQ(name("\xC6\xE8\xE2", 0x00, {.codePageWhenUnmarked = 1251}), "Жив");
  EXPECT_EQ(name("\xC6\xE8\xE2", 0x00), "Æèâ");

  writeFile(dir / "t.cpg", "System");
  EXPECT_EQ(shownTable(dir / "t.dbf"), "3004 Code page 'System' named in 't.cpg' is not supported.");
  // A table written over this one does not inherit its .cpg. Rows added to a table without a
  // code page mark are written in the code page it is read in: its .cpg's (UTF-8 cut at a
  // character boundary too), else the caller's.
  std::string bytes = readFile(writeTable(dir / "t.dbf", {{"NAME", 'C', 3}}, {}, {.codePage = 1251, .backlink = {}}));
  EXPECT_FALSE(fs::exists(dir / "t.cpg"));
  bytes[29] = 0;  // no mark
  writeFile(dir / "t.dbf", bytes);
  fox::TableWriter::openForAppend(dir / "t.dbf", 1251)->append({std::string("Жив")});
  writeFile(dir / "t.cpg", "UTF-8");
  fox::TableWriter::openForAppend(dir / "t.dbf", 1251)->append({std::string("Жив")});
  EXPECT_EQ(readFile(dir / "t.dbf").substr(bytes.size() - 1, 9), "\x20\xC6\xE8\xE2 \xD0\x96 \x1A");
}
