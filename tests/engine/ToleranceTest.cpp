// Tables other programs wrote, built byte by byte: the quirks their writers and readers accept
// read, with the values they must give.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "EngineTestSupport.h"
#include "foxpro-engine/TableWriter.h"

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

TEST(Tolerance, ValuesOtherWritersStore) {
  TempDir dir;
  using namespace std::string_literals;
  struct Case {
    std::vector<RawField> fields;
    std::string record;
    std::string reads;  // the values shown, or the start of the error
    std::size_t recordLength = 0;
  } cases[] = {
      // No digits, a blank or '?' logical, a blank date: no value. 0 and .F. stay. N(0): no bytes.
      {{{"N", 'N', 7, 2}, {"F", 'F', 5, 1}, {"L", 'L', 1}, {"D", 'D', 8}, {"Z", 'N', 0}},
       "   .     .  ?        ",
       "NULL|NULL|NULL|NULL|NULL\n"},
      {{{"N", 'N', 7, 2}, {"F", 'F', 5, 1}, {"L", 'L', 1}, {"D", 'D', 8}},
       "*******  *** 00000000",
       "NULL|NULL|NULL|NULL\n"},
      {{{"N", 'N', 7, 2}, {"F", 'F', 5, 1}, {"L", 'L', 1}, {"D", 'D', 8}},
       "   0.00 -2.5F20240229",
       "0.00|-2.5|.F.|2024-02-29\n"},
      // Clipper's C(300) (decimals 1 = the high byte) where the record length confirms it.
      {{{"LONG", 'C', 300 % 256, 1}}, std::string(299, 'x') + "y", std::string(299, 'x') + "y\n", 301},
      // Excel's C(8) with decimals 2 where it does not; NUL padding as blanks, inner NULs kept; a D(10).
      {{{"CODE", 'C', 8, 2}, {"NAME", 'C', 6}, {"WHEN", 'D', 10}},
       "AB12\0\0\0\0a\0b\0\0 20240517  "s,
       "AB12|a\0b|2024-05-17\n"s},
      // Other characters are still damage.
      {{{"N", 'N', 7, 2}, {"F", 'F', 5, 1}}, "   1*     .5", "2091 "},
      {{{"N", 'N', 7, 2}, {"F", 'F', 5, 1}}, "  12a     .5", "2091 "},
      {{{"D", 'D', 10}}, "2024051799", "2091 "},
  };
  for (const Case& c : cases) {
    writeFile(dir / "t.dbf", dbf(c.fields, {c.record}, 3, 0, 0x0D, c.recordLength));
    std::string got = shownTable(dir / "t.dbf");
    EXPECT_TRUE(got.starts_with(c.reads)) << c.record << ": " << got;
  }

  // dBase 7's autoincrement, double and timestamp in a dBase III table (as Harbour writes them,
  // and dbfread reads them), then I, + and O in a table of dBase 7's version byte, big-endian.
  writeFile(dir / "d7.dbf", dbf({{"ID", '+', 4}, {"X", 'O', 8}, {"AT", '@', 8}},
                                {"\x2A\0\0\0\0\0\0\0\0\0\x04\xC0\x20\x8B\x25\0\x90\xC4\xF3\x02"s}));
  EXPECT_EQ(shownTable(dir / "d7.dbf"), "42|-2.5|2024-05-17 13:45:30\n");
  EXPECT_TRUE(readsTheSame(dir / "d7.dbf", "dbfread"));
  writeFile(dir / "d7.dbf",
            dbf({{"ID", '+', 4}, {"I", 'I', 4}, {"X", 'O', 8}, {"Y", 'O', 8}},
                {"\x80\0\0\x2A\x7F\xFF\xFF\xFF\x3F\xFB\xFF\xFF\xFF\xFF\xFF\xFF\xBF\xF8\0\0\0\0\0\0"s}, 4));
  EXPECT_EQ(shownTable(dir / "d7.dbf"), "42|-1|-2.5|1.5\n");
}

TEST(Tolerance, HeadersOtherWritersWrite) {
  TempDir dir;
  // CA-Visual Objects' 0x07 and an unknown version byte whose header agrees, with the field
  // list ended by 0x0D or 0x0A.
  for (std::uint8_t version : {0x07, 0x99})
    for (char terminator : {'\x0D', '\x0A'}) {
      writeFile(dir / "v.dbf", dbf({{"NAME", 'C', 4}}, {"abcd"}, version, 0, terminator));
      EXPECT_EQ(shownTable(dir / "v.dbf"), "abcd\n") << int(version) << int(terminator);
    }
  writeFile(dir / "v.dbf", readFile(dir / "v.dbf") + "more");  // the file no longer agrees
  EXPECT_EQ(shownTable(dir / "v.dbf"), "15 Not a table: 'v.dbf' has an unknown file type byte 0x99.");

  writeFile(dir / "none.dbf", dbf({}, {}, 3, 0, 0x0D, 1));
  EXPECT_EQ(shownTable(dir / "none.dbf"), "15 Not a table: 'none.dbf' has no fields.");
  std::string level7(68 + 48 + 1, '\0');  // one 48-byte descriptor
  level7[8] = char(level7.size()), level7[10] = 11, level7[68] = 'A', level7[100] = 'C', level7[101] = 10;
  level7.back() = 0x0D;
  for (char version : {'\x04', '\x8C'}) {
    level7[0] = version;
    writeFile(dir / "level7.dbf", level7);
    EXPECT_EQ(shownTable(dir / "level7.dbf"),
              "15 Not a table: 'level7.dbf' is a dBase 7 table, whose layout is not read.");
  }

  // A table without its end-of-file byte takes rows after its last record and gets the byte
  // back; a memo pointer of four blanks is an empty memo.
  fox::TableWriter::create(dir / "t.dbf", {{"N", 'N', 3}, {"M", 'M'}})->close();
  std::string bytes = readFile(dir / "t.dbf");
  writeFile(dir / "t.dbf", bytes.substr(0, bytes.size() - 1));
  auto w = fox::TableWriter::openForAppend(dir / "t.dbf");
  w->append({std::int32_t(5), std::string("memo")});
  w->close();
  bytes = readFile(dir / "t.dbf");
  EXPECT_EQ(bytes.back(), '\x1A');
  patch(dir / "t.dbf", bytes.size() - 1 - 4, "    ");
  EXPECT_EQ(shownTable(dir / "t.dbf"), "5|\n");
}

// A .cpg beside the table, then the header's mark, then the caller's code page, then 1252.
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
  // A table written over this one does not inherit its .cpg.
  fox::TableWriter::create(dir / "t.dbf", {{"NAME", 'C', 4}}, {.codePage = 1251, .backlink = {}})->close();
  EXPECT_FALSE(fs::exists(dir / "t.cpg"));
}
