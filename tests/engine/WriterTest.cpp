// Tables written by the engine: the bytes Visual FoxPro writes, value conversions and their
// errors, code pages, replacing old files, appending, the 2 GB limit, a full disk. (Every type
// and NULL read back: CrossCheckTest, and through the provider ProviderIndexTest.)
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "foxpro-engine/Binary.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/Table.h"
#include "foxpro-engine/TableWriter.h"
#include "tests/support/SmallDisk.h"

using namespace enginetest;
using fox::ColumnSpec;
using fox::Value;

namespace {

std::string fromHex(std::string_view h) {
  std::string out;
  for (std::size_t i = 0; i < h.size(); i += 2) {
    while (i < h.size() && h[i] == ' ') ++i;
    if (i + 1 < h.size()) out += char(std::stoul(std::string(h.substr(i, 2)), nullptr, 16));
  }
  return out;
}

}  // namespace

// The worked example of the format reference: sample.dbf (ID I, NAME C(10), NOTE M) with one
// record, byte for byte apart from the date of the last update.
TEST(Writer, WritesTheBytesVisualFoxProWrites) {
  TempDir dir;
  auto w = fox::TableWriter::create(dir / "sample.dbf", {{"ID", 'I'}, {"NAME", 'C', 10}, {"NOTE", 'M'}});
  w->append({std::int32_t(1), std::string("Alice"), std::string("Hello memo")});
  w->close();
  std::string dbf = readFile(dir / "sample.dbf");
  std::string want = fromHex(
      "30 18 05 11 01 00 00 00 88 01 13 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 02 03 00 00"
      "49 44 00 00 00 00 00 00 00 00 00 49 01 00 00 00 04 00 04 00 00 00 00 00 00 00 00 00 00 00 00 00"
      "4e 41 4d 45 00 00 00 00 00 00 00 43 05 00 00 00 0a 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
      "4e 4f 54 45 00 00 00 00 00 00 00 4d 0f 00 00 00 04 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0d");
  want += std::string(263, '\0');
  want += fromHex("20 01 00 00 00 41 6c 69 63 65 20 20 20 20 20 08 00 00 00 1a");
  ASSERT_EQ(dbf.size(), want.size());
  dbf.replace(1, 3, want.substr(1, 3));  // today's date
  EXPECT_EQ(hex(dbf), hex(want));
  std::string fpt = readFile(dir / "sample.fpt");
  std::string wantFpt = fromHex("00 00 00 09 00 00 00 40") + std::string(504, '\0') +
                        fromHex("00 00 00 01 00 00 00 0a") + "Hello memo" + std::string(46, '\0');
  EXPECT_EQ(hex(fpt), hex(wantFpt));
}

TEST(Writer, ConvertsTextAndNumbersToTheFieldTypes) {
  TempDir dir;
  auto w = fox::TableWriter::create(
      dir / "conv.dbf",
      {{"N", 'N', 8, 2}, {"I", 'I'}, {"B", 'B'}, {"Y", 'Y'}, {"D", 'D'}, {"T", 'T'}, {"L", 'L'}, {"C", 'C', 30}});
  w->append({std::string(" -1.005 "), std::string("42.5"), std::string("1e3"), std::string("-0.00005"),
             std::string("{^2026-12-06}"), std::string("2026-12-06T13:45:30.6"), std::string(".t."),
             fox::Currency{123456}});
  w->append({3.14159, 2.4, std::int32_t(7), std::string("922337203685477.5807"), std::string("12/06/2026"),
             fox::Date{2026, 1, 2}, std::int32_t(0), fox::DateTime{{2026, 1, 2}, 3, 4, 5}});
  w->append({fox::Currency{-15000}, fox::Number{"-2147483647"}, fox::Number{"0.1"}, std::int32_t(-3),
             fox::DateTime{{2026, 1, 2}, 3, 4, 5}, std::string(""), std::string("No"), true});
  w->close();
  EXPECT_EQ(shownTable(dir / "conv.dbf"),  // N rounded half away from zero
            "-1.01|43|1000|-0.0001|2026-12-06|2026-12-06 13:45:31|.T.|12.3456\n"
            "3.14|2|7|922337203685477.5807|2026-12-06|2026-01-02 00:00:00|.F.|2026-01-02 03:04:05\n"
            "-1.50|-2147483647|0.1|-3.0000|2026-01-02|NULL|.F.|.T.\n");

  // Values at the edges of their types read back as written: a V keeps its trailing blank,
  // binary C and M, G and W keep their bytes.
  const std::vector<Value> edge = {std::string("ab "),
                                   fox::Bytes{0, 1, 2, 0xFF},
                                   fox::Bytes(65, 7),
                                   fox::Bytes{1},
                                   fox::Bytes(64, 9),
                                   fox::Currency{-9223372036854775807LL},
                                   fox::DateTime{{1, 1, 1}, 23, 59, 59}};
  auto e = fox::TableWriter::create(dir / "edge.dbf", {{"V", 'V', 10},
                                                       {"CB", 'C', 4, 0, false, true},
                                                       {"MB", 'M', 0, 0, false, true},
                                                       {"G", 'G'},
                                                       {"W", 'W'},
                                                       {"Y", 'Y'},
                                                       {"T", 'T'}});
  e->append(edge);
  e->close();
  std::vector<Value> back;
  ASSERT_TRUE(fox::Table::open(dir / "edge.dbf")->read(0, back));
  EXPECT_TRUE(back == edge);
}

// A value the field cannot take is an error naming the field, and nothing is appended.
TEST(Writer, RejectsValuesTheFieldCannotTake) {
  TempDir dir;
  auto path = dir / "bad.dbf";
  const std::vector<ColumnSpec> columns = {{"N", 'N', 5, 2}, {"I", 'I'},    {"D", 'D'}, {"L", 'L'},
                                           {"Y", 'Y'},       {"C", 'C', 3}, {"M", 'M'}, {"NN", 'C', 1}};
  auto w = fox::TableWriter::create(path, columns, {.codePage = 1251, .backlink = {}});
  using S = std::string;
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
    std::string message;
    try {
      w->append(bad);
    } catch (const fox::Error& e) {
      message = std::to_string(e.number()) + " " + e.what();
    }
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
  auto jp = fox::TableWriter::create(dir / "jp.dbf", {{"C", 'C', 3}, {"V", 'V', 3}}, {.codePage = 932, .backlink = {}});
  jp->append({S("日本"), S("日本")});
  jp->close();
  EXPECT_EQ(shownTable(dir / "jp.dbf"), "日|日\n");
}

// Rows added to a table without a code page mark are written in the code page it is read in:
// its .cpg's (UTF-8 cut at a character boundary too), else the caller's.
TEST(Writer, AppendsInTheCodePageAnUnmarkedTableIsReadIn) {
  TempDir dir;
  fox::TableWriter::create(dir / "t.dbf", {{"C", 'C', 3}})->close();
  std::string bytes = readFile(dir / "t.dbf");
  bytes[29] = 0;  // no mark
  writeFile(dir / "t.dbf", bytes);
  fox::TableWriter::openForAppend(dir / "t.dbf", 1251)->append({std::string("Жив")});
  writeFile(dir / "t.cpg", "UTF-8");
  fox::TableWriter::openForAppend(dir / "t.dbf", 1251)->append({std::string("Жив")});
  EXPECT_EQ(readFile(dir / "t.dbf").substr(bytes.size() - 1, 9), "\x20\xC6\xE8\xE2 \xD0\x96 \x1A");
}

TEST(Writer, RejectsInvalidStructuresAndLeavesOldFilesAlone) {
  TempDir dir;
  writeFile(dir / "old.dbf", "keep");
  auto create = [&](std::vector<ColumnSpec> cols, fox::CreateOptions o = {}) {
    return errorOf([&] { fox::TableWriter::create(dir / "old.dbf", cols, o); });
  };
  EXPECT_EQ(create({{"1st", 'C', 5}}), fox::err::InvalidName);
  EXPECT_EQ(create({{"too_long_name", 'C', 5}}), fox::err::InvalidName);
  EXPECT_EQ(create({{"a", 'C', 5}, {"A", 'I'}}), fox::err::InvalidName);
  EXPECT_EQ(create({{"a", 'C', 255}}), fox::err::InvalidStructure);
  EXPECT_EQ(create({{"a", 'N', 5, 4}}), fox::err::InvalidStructure);
  EXPECT_EQ(create({{"a", 'X'}}), fox::err::InvalidStructure);
  EXPECT_EQ(create({}), fox::err::InvalidStructure);
  EXPECT_EQ(create({{"a", 'I'}}, {.codePage = 65001, .backlink = {}}), fox::err::CodePageUnsupported);
  std::vector<ColumnSpec> many;
  for (int i = 0; i < 255; ++i) many.push_back({"F" + std::to_string(i), 'C', 1, 0, i == 0});
  EXPECT_EQ(create(many), fox::err::InvalidStructure);  // 255 fields and _NullFlags
  std::vector<ColumnSpec> wide;
  for (int i = 0; i < 258; ++i) wide.push_back({"F" + std::to_string(i), 'C', 254});
  EXPECT_EQ(create(wide), fox::err::InvalidStructure);  // over 65,500 bytes and 255 fields
  EXPECT_EQ(readFile(dir / "old.dbf"), "keep");
  EXPECT_EQ(errorOf([&] {
              fox::TableWriter::create(dir.path() / "missing" / "t.dbf", {{"a", 'I'}});
            }),
            fox::err::CannotCreateFile);
}

// Creating replaces the table's files whatever their case; opening for append continues the
// table, with autoincrement values from the header.
TEST(Writer, ReplacesFilesWithoutRegardToCaseAndAppendsLater) {
  TempDir dir;
  writeFile(dir / "ORDERS.DBF", "old");
  writeFile(dir / "Orders.FPT", "old memo");
  writeFile(dir / "orders.CDX", "old index");
  writeFile(dir / "orders_other.dbf", "unrelated");
  auto w = fox::TableWriter::create(dir / "orders.dbf", {{"ID", 'I'}, {"NOTE", 'M'}});
  w->append({std::int32_t(1), std::string("first")});
  w->close();
  EXPECT_EQ(testfiles::changed({}, snapshot(dir.path())), "orders.dbf orders.fpt orders_other.dbf ");

  auto more = fox::TableWriter::openForAppend(dir / "orders.dbf");
  more->append({std::int32_t(2), std::string("second")});
  EXPECT_EQ(errorOf([&] { fox::TableWriter::openForAppend(dir / "orders.dbf"); }), fox::err::FileInUse);
  more->setDeleted(0, true);
  more->close();
  EXPECT_EQ(errorOf([&] { more->append({std::int32_t(3), std::string()}); }), fox::err::WriterClosed);
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
  EXPECT_EQ(errorOf([&] { region->append({std::int32_t(9), std::string("x")}); }), fox::err::FieldReadOnly);
  region->append({Value{}, std::string("Central")});
  region->append({Value{}, std::string("Polar")});
  region->close();
  EXPECT_EQ(fox::Table::open(dir / "region.dbf")->fields()[0].autoIncrementNext, 7);
  EXPECT_TRUE(shownTable(dir / "region.dbf").ends_with("\n5|Central\n6|Polar\n"));
}

// Records past 2 GB: the append that would pass the limit fails and the files stay as they
// were. Sparse files stand in for tables that large.
TEST(Writer, NeverGrowsAFilePastTwoGigabytes) {
  TempDir dir;
  auto path = dir / "big.dbf";
  fox::TableWriter::create(path, {{"C", 'C', 250}})->close();
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
  EXPECT_EQ(errorOf([&] { w->append({std::string("one too many")}); }), fox::err::FileTooLarge);
  w->close();
  EXPECT_EQ(fs::file_size(path), sizeBefore);
  std::ifstream(path, std::ios::binary).seekg(4).read(reinterpret_cast<char*>(bytes), 4);
  EXPECT_EQ(fox::bin::le32(bytes), count);  // the header's count (the records are holes, which readers refuse)

  // The memo file: its next free block just below the limit.
  auto memoPath = dir / "memo.dbf";
  fox::TableWriter::create(memoPath, {{"M", 'M'}})->close();
  std::uint32_t next = std::uint32_t(fox::kMaxFileSize / 64) - 1;
  fox::bin::putBe32(bytes, next);
  patch(dir / "memo.fpt", 0, std::string(bytes, bytes + 4));
  fs::resize_file(dir / "memo.fpt", std::uint64_t(next) * 64);
  auto m = fox::TableWriter::openForAppend(memoPath);
  m->append({std::string(40, 'a')});  // one block still fits
  EXPECT_EQ(errorOf([&] { m->append({std::string(40, 'b')}); }), fox::err::FileTooLarge);
  m->close();
  EXPECT_LE(fs::file_size(dir / "memo.fpt"), fox::kMaxFileSize);
  EXPECT_EQ(shownTable(memoPath), std::string(40, 'a') + "\n");
}

// On a disk with 900 KB free, where the memo file cannot be grown a megabyte ahead, every row
// that fits is stored; a full disk is the error of the row that does not fit, and the rows
// before and after it stay.
TEST(Writer, ANearlyFullDiskTakesEveryRowThatFits) {
  small_disk::Outcome outcome = small_disk::run(900 * 1024, [](const fs::path& disk) -> std::string {
    auto w = fox::TableWriter::create(disk / "t.dbf", {{"M", 'M'}});
    w->append({std::string(1000, 'a')});
    std::string refused;
    try {
      w->append({std::string(2 << 20, 'b')});
    } catch (const fox::Error& e) {
      refused = std::to_string(e.number()) + " " + e.what();
    }
    w->append({std::string("c")});
    w->close();
    auto t = fox::Table::open(disk / "t.dbf");
    std::vector<Value> first, last;
    if (refused != "1105 Error writing to file 't.fpt': the disk is full.") return "the big row: '" + refused + "'";
    if (t->recordCount() != 2 || !t->read(0, first) || !t->read(1, last)) return "not two rows";
    if (first[0] != Value(std::string(1000, 'a')) || last[0] != Value(std::string("c"))) return "other values";
    return "";
  });
  if (!outcome.available) GTEST_SKIP() << "no file system of limited size can be mounted here";
  EXPECT_EQ(outcome.failure, "");
}
