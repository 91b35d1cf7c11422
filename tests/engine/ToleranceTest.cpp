// Tables other programs wrote, built byte by byte: each quirk that FoxPro, dBase, Clipper or the
// writer's own readers accept reads, with the values it must give.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "foxpro-engine/CodePage.h"
#include "foxpro-engine/TableWriter.h"

using namespace enginetest;
using fox::Value;

namespace {

struct RawField {
  std::string name;
  char type;
  std::uint8_t length, decimals = 0;
};

// A dBase III-style table: 32-byte header, descriptors, a terminator, then the records (each
// given without its deletion flag), then 0x1A.
struct RawTable {
  std::uint8_t version = 0x03, mark = 0x00, terminator = 0x0D;
  std::vector<RawField> fields;
  std::vector<std::string> records;
  int recordLength = -1;  // -1: 1 + the field lengths

  std::string bytes() const {
    std::size_t headerLength = 32 + 32 * fields.size() + 1;
    std::size_t length = recordLength >= 0 ? std::size_t(recordLength) : 1;
    if (recordLength < 0)
      for (auto& f : fields) length += f.length;
    std::string h(headerLength, '\0');
    h[0] = char(version);
    h[1] = 124, h[2] = 5, h[3] = 17;
    auto le = [&](std::size_t at, std::uint32_t v, int n) {
      for (int i = 0; i < n; ++i) h[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    le(4, std::uint32_t(records.size()), 4);
    le(8, std::uint32_t(headerLength), 2);
    le(10, std::uint32_t(length), 2);
    h[29] = char(mark);
    std::uint32_t offset = 1;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      std::size_t d = 32 + 32 * i;
      h.replace(d, fields[i].name.size(), fields[i].name);
      h[d + 11] = fields[i].type;
      le(d + 12, offset, 4);
      h[d + 16] = char(fields[i].length);
      h[d + 17] = char(fields[i].decimals);
      offset += fields[i].length;
    }
    h[headerLength - 1] = char(terminator);
    for (auto& r : records) h += " " + r;
    return h + "\x1A";
  }
};

std::vector<std::vector<Value>> readAll(const fs::path& p, const fox::ReadOptions& options = {}) {
  auto t = fox::Table::open(p, options);
  std::vector<std::vector<Value>> rows;
  std::vector<Value> v;
  for (std::uint32_t i = 0; i < t->recordCount(); ++i)
    if (t->read(i, v)) rows.push_back(v);
  return rows;
}

std::string text(const Value& v) { return std::get<std::string>(v); }
std::string number(const Value& v) { return std::get<fox::Number>(v).text; }

std::string openError(const fs::path& p) {
  try {
    readAll(p);
  } catch (const fox::Error& e) {
    return std::to_string(e.number()) + " " + e.what();
  }
  return "";
}

}  // namespace

// Numbers without digits, blank logicals, dates and date-times have no value; 0 and .F. stay.
TEST(Tolerance, BlankAndLostNumbersAndBlankLogicalsReadAsNull) {
  TempDir dir;
  RawTable t;
  t.fields = {{"N", 'N', 7, 2}, {"F", 'F', 5, 1}, {"L", 'L', 1}, {"D", 'D', 8}, {"Z", 'N', 0}};
  //            N(7,2)       F(5,1)     L     D(8)         N(0)
  t.records = {"   .   " + std::string("  .  ") + "?" + "        ", "*******" + std::string("  .  ") + "F" + "00000000",
               "       " + std::string("  ***") + " " + "        ", "   0.00" + std::string("  0.0") + "T" + "20240517",
               "  -1.25" + std::string(" -2.5") + " " + "20240229"};
  writeFile(dir / "blank.dbf", t.bytes());
  auto rows = readAll(dir / "blank.dbf");
  ASSERT_EQ(rows.size(), 5u);
  for (int r = 0; r < 3; ++r) {
    EXPECT_TRUE(fox::isNull(rows[r][0]) && fox::isNull(rows[r][1])) << r;
    EXPECT_TRUE(fox::isNull(rows[r][3])) << r;
  }
  EXPECT_TRUE(fox::isNull(rows[0][2]) && fox::isNull(rows[2][2]));
  EXPECT_FALSE(std::get<bool>(rows[1][2]));
  EXPECT_EQ(number(rows[3][0]), "0.00");
  EXPECT_EQ(number(rows[3][1]), "0.0");
  EXPECT_TRUE(std::get<bool>(rows[3][2]));
  EXPECT_EQ(number(rows[4][0]), "-1.25");
  EXPECT_EQ(std::get<fox::Date>(rows[4][3]), (fox::Date{2024, 2, 29}));
  for (auto& row : rows) EXPECT_TRUE(fox::isNull(row[4]));  // N of width 0: no value, no bytes

  // A number with other characters is still damage.
  t.records = {"   1*  " + std::string("  12a") + "F" + "20240517"};
  writeFile(dir / "bad.dbf", t.bytes());
  EXPECT_EQ(openError(dir / "bad.dbf").substr(0, 5), "2091 ");
}

// Character fields: Clipper's long ones where the record length confirms them, Excel's C(8)
// with decimals 2 where it does not; NUL padding reads as blanks, inner NULs stay.
TEST(Tolerance, LongCharacterFieldsAndNulPadding) {
  TempDir dir;
  RawTable clipper;
  clipper.fields = {{"LONG", 'C', 300 % 256, 1}, {"ID", 'N', 2}};
  clipper.records = {std::string(299, 'x') + "y" + " 7"};
  clipper.recordLength = 1 + 300 + 2;
  writeFile(dir / "clipper.dbf", clipper.bytes());
  auto t = fox::Table::open(dir / "clipper.dbf");
  EXPECT_EQ(t->fields()[0].length, 300);
  auto rows = readAll(dir / "clipper.dbf");
  EXPECT_EQ(text(rows[0][0]), std::string(299, 'x') + "y");
  EXPECT_EQ(number(rows[0][1]), "7");

  RawTable excel;
  excel.fields = {{"CODE", 'C', 8, 2}, {"NAME", 'C', 6}};
  excel.records = {std::string("AB12\0\0\0\0", 8) + std::string("a\0b\0\0 ", 6)};
  writeFile(dir / "excel.dbf", excel.bytes());
  rows = readAll(dir / "excel.dbf");
  EXPECT_EQ(fox::Table::open(dir / "excel.dbf")->fields()[0].length, 8);
  EXPECT_EQ(text(rows[0][0]), "AB12    ");
  EXPECT_EQ(text(rows[0][1]), std::string("a\0b   ", 6));
}

// Version bytes other than the known ones, a field list not ended by 0x0D, dates of other widths.
TEST(Tolerance, OtherVersionsTerminatorsAndDateWidths) {
  TempDir dir;
  RawTable t;
  t.fields = {{"NAME", 'C', 4}, {"WHEN", 'D', 10}};
  t.records = {"abcd20240517  ", "efgh          "};
  for (std::uint8_t version : {0x07, 0x99}) {
    for (std::uint8_t terminator : {0x0D, 0x0A}) {
      SCOPED_TRACE(std::to_string(version) + "/" + std::to_string(terminator));
      t.version = version, t.terminator = terminator;
      writeFile(dir / "v.dbf", t.bytes());
      auto rows = readAll(dir / "v.dbf");
      ASSERT_EQ(rows.size(), 2u);
      EXPECT_EQ(text(rows[0][0]), "abcd");
      EXPECT_EQ(std::get<fox::Date>(rows[0][1]), (fox::Date{2024, 5, 17}));
      EXPECT_TRUE(fox::isNull(rows[1][1]));
    }
  }
  // An unknown version byte whose file does not agree with its header stays refused.
  std::string grown = t.bytes() + std::string(40, 'x');
  writeFile(dir / "v.dbf", grown);
  EXPECT_NE(openError(dir / "v.dbf").find("unknown file type byte 0x99"), std::string::npos);

  // A wide date's extra bytes must be blank.
  t.version = 0x03;
  t.records = {"abcd2024051799"};
  writeFile(dir / "v.dbf", t.bytes());
  EXPECT_EQ(openError(dir / "v.dbf").substr(0, 5), "2091 ");
}

// dBase 7's types in a table with 32-byte descriptors, as dbfread reads them too; a dBase 7
// header (48-byte descriptors) and a header without fields are named for what they are.
TEST(Tolerance, DBase7TypesAndHeadersThatCannotBeRead) {
  TempDir dir;
  RawTable t;
  t.version = 0x04;
  t.fields = {{"ID", '+', 4}, {"X", 'O', 8}, {"AT", '@', 8}};
  std::string record = std::string("\x2A\x00\x00\x00", 4) + std::string("\x00\x00\x00\x00\x00\x00\x04\xC0", 8) +
                       std::string("\x20\x8B\x25\x00\x90\xC4\xF3\x02", 8);  // 42, -2.5, 2024-05-17 13:45:30
  t.records = {record};
  writeFile(dir / "d7.dbf", t.bytes());
  auto rows = readAll(dir / "d7.dbf");
  EXPECT_EQ(std::get<std::int32_t>(rows[0][0]), 42);
  EXPECT_EQ(std::get<double>(rows[0][1]), -2.5);
  EXPECT_EQ(fox::formatDateTime(std::get<fox::DateTime>(rows[0][2])), "2024-05-17 13:45:30");
  EXPECT_TRUE(readsTheSame(dir / "d7.dbf", "dbfread"));

  std::string level7(68 + 48 + 1, '\0');
  level7[0] = char(0x8C);
  level7[8] = char(level7.size());
  level7[10] = 11;
  level7[68] = 'A', level7[68 + 32] = 'C', level7[68 + 33] = 10;
  level7[68 + 48] = 0x0D;
  writeFile(dir / "level7.dbf", level7);
  EXPECT_NE(openError(dir / "level7.dbf").find("is a dBase 7 table"), std::string::npos);
  level7[0] = 0x04;
  writeFile(dir / "level7.dbf", level7);
  EXPECT_NE(openError(dir / "level7.dbf").find("is a dBase 7 table"), std::string::npos);

  t.fields.clear();
  t.records.clear();
  t.recordLength = 1;
  writeFile(dir / "nofields.dbf", t.bytes());
  EXPECT_EQ(openError(dir / "nofields.dbf"), "15 Not a table: 'nofields.dbf' has no fields.");
}

// The code page of text: a .cpg beside the table, then the header's mark, then the caller's
// code page for unmarked tables (the locale's, in the provider).
TEST(Tolerance, ACpgFileNamesTheCodePage) {
  TempDir dir;
  RawTable t;
  t.fields = {{"NAME", 'C', 6}};
  auto write = [&](const std::string& bytes, std::uint8_t mark) {
    t.mark = mark;
    t.records = {bytes + std::string(6 - bytes.size(), ' ')};
    writeFile(dir / "t.dbf", t.bytes());
  };
  auto name = [&](const fox::ReadOptions& o = {}) {
    std::string s = text(readAll(dir / "t.dbf", o)[0][0]);
    return s.substr(0, s.find_last_not_of(' ') + 1);
  };
  struct Case {
    const char* cpg;
    std::string bytes, reads;
  } cases[] = {
      {"UTF-8\r\n", "\xD0\x96\xC3\xA9", "Жé"}, {"1251", "\xC6\xE8\xE2", "Жив"},      {" cp866 ", "\x86\xA8\xA2", "Жив"},
      {"ANSI 1252", "\xE9t\xE9", "été"},       {"88595", "\xB6\xD8\xD2", "Жив"},   {"windows-1250", "\x8A\xB9", "Šą"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cpg);
    write(c.bytes, 0x03);  // the .cpg wins over the mark, as GIS tools mean it to
    writeFile(dir / "T.CPG", c.cpg);
    EXPECT_EQ(name(), c.reads);
  }
  // "OEM" is the locale's DOS code page.
  write("\x86\xA8\xA2", 0x00);
  writeFile(dir / "T.CPG", "OEM");
  std::string before = std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "";
  ::setenv("LC_ALL", "ru_RU.UTF-8", 1);
  EXPECT_EQ(name(), "Жив");
  before.empty() ? ::unsetenv("LC_ALL") : ::setenv("LC_ALL", before.c_str(), 1);

  // Without a .cpg: the mark, else the caller's code page, else 1252.
  fs::remove(dir / "T.CPG");
  write("\xC6\xE8\xE2", 0xC9);
  EXPECT_EQ(name({.codePageWhenUnmarked = 1250}), "Жив");
  write("\xC6\xE8\xE2", 0x00);
  EXPECT_EQ(name({.codePageWhenUnmarked = 1251}), "Жив");
  EXPECT_EQ(name(), "Æèâ");

  // A .cpg naming no code page is an error that says so; an empty one names none.
  writeFile(dir / "t.cpg", "System");
  EXPECT_EQ(openError(dir / "t.dbf"), "3004 Code page 'System' named in 't.cpg' is not supported.");
  writeFile(dir / "t.cpg", "\n");
  EXPECT_EQ(name(), "Æèâ");

  // A table written over this one does not inherit its .cpg.
  writeFile(dir / "t.cpg", "UTF-8");
  auto w = fox::TableWriter::create(dir / "t.dbf", {{"NAME", 'C', 6}}, {.codePage = 1251, .backlink = {}});
  w->append({std::string("Жив")});
  w->close();
  EXPECT_FALSE(fs::exists(dir / "t.cpg"));
  EXPECT_EQ(name(), "Жив");
}
