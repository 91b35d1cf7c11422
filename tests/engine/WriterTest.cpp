// Tables written by the engine: the bytes Visual FoxPro writes, value conversions and their
// errors, replacing old files, appending, the 2 GB limit, a full disk. (Every type
// and NULL read back: CrossCheckTest, and through the provider ProviderIndexTest.)
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "foxpro-engine/Binary.h"
#include "tests/support/SmallDisk.h"

using namespace enginetest;
using fox::ColumnSpec;
using fox::Value;
using S = std::string;

namespace {

std::string unspaced(std::string hexText) {
  std::erase(hexText, ' ');
  return hexText;
}

}  // namespace

// The worked example of the format reference: sample.dbf (ID I, NAME C(10), NOTE M) with one
// record, byte for byte apart from the date of the last update.
TEST(Writer, WritesTheBytesVisualFoxProWrites) {
  TempDir dir;
  writeTable(dir / "sample.dbf", {{"ID", 'I'}, {"NAME", 'C', 10}, {"NOTE", 'M'}},
             {{std::int32_t(1), S("Alice"), S("Hello memo")}});
  std::string dbf = hex(readFile(dir / "sample.dbf"));
  dbf.replace(2, 6, "180511");  // today's date
  EXPECT_EQ(
      dbf,
      unspaced("30 18 05 11 01 00 00 00 88 01 13 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 02 03 00 00"
               "49 44 00 00 00 00 00 00 00 00 00 49 01 00 00 00 04 00 04 00 00 00 00 00 00 00 00 00 00 00 00 00"
               "4e 41 4d 45 00 00 00 00 00 00 00 43 05 00 00 00 0a 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
               "4e 4f 54 45 00 00 00 00 00 00 00 4d 0f 00 00 00 04 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0d") +
          std::string(263 * 2, '0') + unspaced("20 01 00 00 00 41 6c 69 63 65 20 20 20 20 20 08 00 00 00 1a"));
  EXPECT_EQ(hex(readFile(dir / "sample.fpt")), unspaced("00 00 00 09 00 00 00 40") + std::string(504 * 2, '0') +
                                                   unspaced("00 00 00 01 00 00 00 0a") + hex("Hello memo") +
                                                   std::string(46 * 2, '0'));
}

TEST(Writer, ConvertsTextAndNumbersToTheFieldTypes) {
  TempDir dir;
  writeTable(dir / "conv.dbf",
             {{"N", 'N', 8, 2}, {"I", 'I'}, {"B", 'B'}, {"Y", 'Y'}, {"D", 'D'}, {"T", 'T'}, {"L", 'L'}, {"C", 'C', 30}},
             {{S(" -1.005 "), S("42.5"), S("1e3"), S("-0.00005"), S("{^2026-12-06}"), S("2026-12-06T13:45:30.6"),
               S(".t."), fox::Currency{123456}},
              {3.14159, 2.4, std::int32_t(7), S("922337203685477.5807"), S("12/06/2026"), fox::Date{2026, 1, 2},
               std::int32_t(0), fox::DateTime{{2026, 1, 2}, 3, 4, 5}},
              {fox::Currency{-15000}, fox::Number{"-2147483647"}, fox::Number{"0.1"}, std::int32_t(-3),
               fox::DateTime{{2026, 1, 2}, 3, 4, 5}, S(""), S("No"), true}});
  EXPECT_EQ(shownTable(dir / "conv.dbf"),  // N rounded half away from zero
            "-1.01|43|1000|-0.0001|2026-12-06|2026-12-06 13:45:31|.T.|12.3456\n"
            "3.14|2|7|922337203685477.5807|2026-12-06|2026-01-02 00:00:00|.F.|2026-01-02 03:04:05\n"
            "-1.50|-2147483647|0.1|-3.0000|2026-01-02|NULL|.F.|.T.\n");

  // Values at the edges of their types read back as written: a V keeps its trailing blank,
  // binary C and M, G and W keep their bytes.
  const std::vector<Value> edge = {S("ab "),
                                   fox::Bytes{0, 1, 2, 0xFF},
                                   fox::Bytes(65, 7),
                                   fox::Bytes{1},
                                   fox::Bytes(64, 9),
                                   fox::Currency{-9223372036854775807LL},
                                   fox::DateTime{{1, 1, 1}, 23, 59, 59}};
  writeTable(dir / "edge.dbf",
             {{"V", 'V', 10},
              {"CB", 'C', 4, 0, false, true},
              {"MB", 'M', 0, 0, false, true},
              {"G", 'G'},
              {"W", 'W'},
              {"Y", 'Y'},
              {"T", 'T'}},
             {edge});
  std::vector<Value> back;
  ASSERT_TRUE(fox::Table::open(dir / "edge.dbf")->read(0, back));
  EXPECT_TRUE(back == edge);
}

// A value the field cannot take is an error naming the field, and nothing is appended; so is a
// structure FoxPro cannot hold, and the old file stays.
TEST(Writer, RejectsValuesAndStructuresTheTableCannotTake) {
  TempDir dir;
  auto path = dir / "bad.dbf";
  const std::vector<ColumnSpec> columns = {{"N", 'N', 5, 2}, {"I", 'I'},    {"D", 'D'}, {"L", 'L'},
                                           {"Y", 'Y'},       {"C", 'C', 3}, {"M", 'M'}, {"NN", 'C', 1}};
  auto w = fox::TableWriter::create(path, columns, {.codePage = 1251, .backlink = {}});
  const std::tuple<std::size_t, Value, int> cases[] = {
      {0, S("abc"), fox::err::DataTypeMismatch},
      {0, S("100.00"), fox::err::NumericOverflow},
      {1, S("2147483648"), fox::err::NumericOverflow},
      {2, S("2023-02-30"), fox::err::DataTypeMismatch},
      {1, true, fox::err::DataTypeMismatch},
      {3, S("maybe"), fox::err::DataTypeMismatch},
      {4, S("1e20"), fox::err::NumericOverflow},
      {5, S("über"), fox::err::CodePageCannotHold},
      {6, S("ok \xE4\xB8\xAD"), fox::err::CodePageCannotHold},
      {6, S("\xC3"), fox::err::CodePageCannotHold},
      {7, Value{}, fox::err::NullNotAllowed},
  };
  std::vector<Value> row(columns.size(), S());
  row[7] = S("x");
  auto before = readFile(path);
  for (const auto& [column, value, number] : cases) {
    std::vector<Value> bad = row;
    bad[column] = value;
    const std::string message = errorText([&] { w->append(bad); });
    EXPECT_EQ(message.substr(0, message.find(' ')), std::to_string(number)) << message;
    EXPECT_NE(message.find("Field " + columns[column].name), std::string::npos) << message;
  }
  EXPECT_EQ(errorOf([&] { w->append({S()}); }), fox::err::DataTypeMismatch);  // 1 value for 8 fields
  EXPECT_EQ(w->recordCount(), 0u);
  EXPECT_EQ(readFile(path), before);
  // Cyrillic fits code page 1251; a C(3) keeps the first three characters, as FoxPro does.
  row[5] = S("Жук!"), row[6] = S("Ёж");
  w->append(row);
  w->close();
  EXPECT_EQ(shownTable(path), "NULL|0|NULL|NULL|0.0000|Жук|Ёж|x\n");
  // Where characters take two bytes, C and V keep only whole ones.
  writeTable(dir / "jp.dbf", {{"C", 'C', 3}, {"V", 'V', 3}}, {{S("日本"), S("日本")}},
             {.codePage = 932, .backlink = {}});
  EXPECT_EQ(shownTable(dir / "jp.dbf"), "日|日\n");

  std::vector<ColumnSpec> many, wide;
  for (int i = 0; i < 255; ++i) many.push_back({"F" + std::to_string(i), 'C', 1, 0, i == 0});
  for (int i = 0; i < 258; ++i) wide.push_back({"F" + std::to_string(i), 'C', 254});
  const std::tuple<std::vector<ColumnSpec>, int, int> structures[] = {
      {{{"1st", 'C', 5}}, 1252, fox::err::InvalidName},
      {{{"too_long_name", 'C', 5}}, 1252, fox::err::InvalidName},
      {{{"a", 'C', 5}, {"A", 'I'}}, 1252, fox::err::InvalidName},
      {{{"a", 'C', 255}}, 1252, fox::err::InvalidStructure},
      {{{"a", 'N', 5, 4}}, 1252, fox::err::InvalidStructure},
      {{{"a", 'X'}}, 1252, fox::err::InvalidStructure},
      {{}, 1252, fox::err::InvalidStructure},
      {{{"a", 'I'}}, 65001, fox::err::CodePageUnsupported},
      {many, 1252, fox::err::InvalidStructure},  // 255 fields and _NullFlags
      {wide, 1252, fox::err::InvalidStructure},  // over 65,500 bytes and 255 fields
  };
  before = readFile(path);
  for (const auto& [structure, codePage, number] : structures)
    EXPECT_EQ(errorOf([&] { fox::TableWriter::create(path, structure, {.codePage = codePage, .backlink = {}}); }),
              number);
  EXPECT_EQ(readFile(path), before);
  EXPECT_EQ(errorOf([&] {
              fox::TableWriter::create(dir.path() / "missing" / "t.dbf", {{"a", 'I'}});
            }),
            fox::err::CannotCreateFile);
}

// Creating replaces the table's files whatever their case; opening for append continues the
// table, with autoincrement values from the header.
TEST(Writer, ReplacesFilesWithoutRegardToCaseAndAppendsLater) {
  TempDir dir;
  for (const char* name : {"ORDERS.DBF", "Orders.FPT", "orders.CDX", "orders_other.dbf"}) writeFile(dir / name, name);
  writeTable(dir / "orders.dbf", {{"ID", 'I'}, {"NOTE", 'M'}}, {{std::int32_t(1), S("first")}});
  EXPECT_EQ(testfiles::changed({}, snapshot(dir.path())), "orders.dbf orders.fpt orders_other.dbf ");

  auto more = fox::TableWriter::openForAppend(dir / "orders.dbf");
  more->append({std::int32_t(2), S("second")});
  EXPECT_EQ(errorOf([&] { fox::TableWriter::openForAppend(dir / "orders.dbf"); }), fox::err::FileInUse);
  more->setDeleted(0, true);
  more->close();
  EXPECT_EQ(errorOf([&] { more->append({std::int32_t(3), S()}); }), fox::err::WriterClosed);
  EXPECT_EQ(shownTable(dir / "orders.dbf"), "deleted\n2|second\n");

  // A table opened for appending where the append fails keeps every byte: its date, and the
  // end marker Northwind's orders.dbf lacks.
  fs::copy_file(fixtures() / "northwind/orders.dbf", dir / "nworders.dbf");
  std::string original = readFile(dir / "nworders.dbf");
  EXPECT_EQ(errorOf([&] { fox::TableWriter::openForAppend(dir / "nworders.dbf")->append({Value{}}); }),
            fox::err::DataTypeMismatch);
  EXPECT_TRUE(readFile(dir / "nworders.dbf") == original);

  // Northwind's region.dbf has an autoincrementing REGIONID (next 5).
  fs::copy_file(fixtures() / "northwind/region.dbf", dir / "region.dbf");
  auto region = fox::TableWriter::openForAppend(dir / "region.dbf");
  EXPECT_EQ(errorOf([&] { region->append({std::int32_t(9), S("x")}); }), fox::err::FieldReadOnly);
  region->append({Value{}, S("Central")});
  region->append({Value{}, S("Polar")});
  region->close();
  EXPECT_EQ(fox::Table::open(dir / "region.dbf")->fields()[0].autoIncrementNext, 7);
  EXPECT_TRUE(shownTable(dir / "region.dbf").ends_with("\n5|Central\n6|Polar\n"));
}

// Records past 2 GB: the append that would pass the limit fails and the files stay as they
// were. Sparse files stand in for tables that large.
TEST(Writer, NeverGrowsAFilePastTwoGigabytes) {
  TempDir dir;
  auto path = writeTable(dir / "big.dbf", {{"C", 'C', 250}}, {});
  // Give the table as many records as fit below the limit, without writing them.
  std::uint32_t recordLength = 251, headerLength = 328;
  std::uint32_t count = std::uint32_t((fox::kMaxFileSize - headerLength - 1) / recordLength);
  std::uint8_t bytes[4];
  fox::bin::putLe32(bytes, count);
  patch(path, 4, std::string(bytes, bytes + 4));
  fs::resize_file(path, headerLength + std::uint64_t(count) * recordLength + 1);
  patch(path, headerLength + std::uint64_t(count) * recordLength, "\x1A");
  auto sizeBefore = fs::file_size(path);
  auto w = fox::TableWriter::openForAppend(path);
  EXPECT_EQ(errorOf([&] { w->append({S("one too many")}); }), fox::err::FileTooLarge);
  w->close();
  EXPECT_EQ(fs::file_size(path), sizeBefore);
  std::ifstream(path, std::ios::binary).seekg(4).read(reinterpret_cast<char*>(bytes), 4);
  EXPECT_EQ(fox::bin::le32(bytes), count);  // the header's count (the records are holes, which readers refuse)

  // The memo file: its next free block just below the limit.
  auto memoPath = writeTable(dir / "memo.dbf", {{"M", 'M'}}, {});
  std::uint32_t next = std::uint32_t(fox::kMaxFileSize / 64) - 1;
  fox::bin::putBe32(bytes, next);
  patch(dir / "memo.fpt", 0, std::string(bytes, bytes + 4));
  fs::resize_file(dir / "memo.fpt", std::uint64_t(next) * 64);
  auto m = fox::TableWriter::openForAppend(memoPath);
  m->append({S(40, 'a')});  // one block still fits
  EXPECT_EQ(errorOf([&] { m->append({S(40, 'b')}); }), fox::err::FileTooLarge);
  m->close();
  EXPECT_LE(fs::file_size(dir / "memo.fpt"), fox::kMaxFileSize);
  EXPECT_EQ(shownTable(memoPath), S(40, 'a') + "\n");
}

// On a disk with 900 KB free, where the memo file cannot be grown a megabyte ahead, every row
// that fits is stored; a full disk is the error of the row that does not fit, and the rows
// before and after it stay.
TEST(Writer, ANearlyFullDiskTakesEveryRowThatFits) {
  auto failure = small_disk::run(900 * 1024, [](const fs::path& disk) -> std::string {
    auto w = fox::TableWriter::create(disk / "t.dbf", {{"M", 'M'}});
    w->append({S(1000, 'a')});
    const std::string refused = errorText([&] { w->append({S(2 << 20, 'b')}); });
    w->append({S("c")});
    w->close();
    if (refused != "1105 Error writing to file 't.fpt': the disk is full.") return "the big row: '" + refused + "'";
    return shownTable(disk / "t.dbf") == S(1000, 'a') + "\nc\n" ? "" : "not the two rows";
  });
  if (!failure) GTEST_SKIP() << "no file system of limited size can be mounted here";
  EXPECT_EQ(*failure, "");
}
