// Every fixture table read by the engine and compared with MANIFEST.json (by crosscheck.py):
// header facts, fields, live and deleted records, NULLs per field and the first live record
// value by value, including the values the manifest's dbfread reading gets wrong. The
// containers' folders are read and stay untouched; values other readers get wrong are checked
// against known values.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "foxpro-engine/Table.h"

using namespace enginetest;

TEST(Fixtures, EveryTableReadsAsTheManifestSays) {
  TempDir dir;
  std::string list, out, readings;
  ASSERT_TRUE(crosscheck({"fixture-list"}, list)) << list;
  std::istringstream lines(list);
  for (std::string line; std::getline(lines, line);) {
    std::size_t tab = line.find('\t');
    fox::ReadOptions options;  // the code page dbfread used where the table has no mark
    options.codePageWhenUnmarked = std::stoi(line.substr(tab + 1));
    readings += (readings.empty() ? "{" : ",") + jsonText(line.substr(0, tab)) + ":" +
                readingJson(fixtures() / line.substr(0, tab), options);
  }
  writeFile(dir / "readings.json", readings + "}");
  EXPECT_TRUE(crosscheck({"fixtures", (dir / "readings.json").string()}, out)) << out;
}

// The tables of the three containers, the containers themselves included, read as plain
// tables; not a byte of the container folders changes.
TEST(Fixtures, ContainerFilesReadAsTablesAndStayUntouched) {
  for (std::string folder : {"northwind", "dbf-gem/foxprodb", "go-dbase/database"}) {
    SCOPED_TRACE(folder);
    auto before = snapshot(fixtures() / folder);
    int tables = 0;
    for (auto& e : fs::directory_iterator(fixtures() / folder)) {
      std::string ext = e.path().extension().string();
      for (char& c : ext) c = char(std::tolower((unsigned char)c));
      if (ext != ".dbf" && ext != ".dbc") continue;
      auto t = fox::Table::open(e.path());
      std::vector<fox::Value> values;
      for (std::uint32_t r = 0; r < t->recordCount(); ++r) t->read(r, values);
      ++tables;
      if (ext == ".dbc") {
        EXPECT_EQ(t->tableFlags() & 0x04, 0x04);
        EXPECT_EQ(t->fields().at(4).name, "PROPERTY");
        EXPECT_TRUE(t->fields().at(4).binary());
      }
    }
    EXPECT_GE(tables, 5);
    EXPECT_EQ(snapshot(fixtures() / folder), before);
  }
}

// Readings the manifest records where other readers fail, checked against known values.
TEST(Fixtures, ValuesOtherReadersGetWrong) {
  // NULLs: dbfread gives blanks.
  auto orders = fox::Table::open(fixtures() / "northwind/orders.dbf");
  std::vector<fox::Value> v;
  ASSERT_TRUE(orders->read(0, v));
  EXPECT_TRUE(fox::isNull(v[11]));  // SHIPREGION
  EXPECT_EQ(std::get<fox::Currency>(v[7]).scaled, 323800);
  // Varchar with its length byte; Varbinary; an empty Varchar.
  auto test = fox::Table::open(fixtures() / "go-dbase/table/TEST.DBF");
  ASSERT_TRUE(test->read(0, v));
  EXPECT_EQ(std::get<std::string>(v[14]), "Test value with variable length");
  EXPECT_EQ(std::get<std::string>(v[15]), "");
  EXPECT_EQ(std::get<fox::Bytes>(v[13]).size(), 10u);
  EXPECT_FALSE(test->read(2, v));  // deleted
  // B is a double in VFP tables, not a memo.
  auto vfp9 = fox::Table::open(fixtures() / "dbffile/vfp9_30.dbf");
  ASSERT_TRUE(vfp9->read(0, v));
  EXPECT_DOUBLE_EQ(std::get<double>(v[4]), 2500.55);
  EXPECT_EQ(fox::formatDateTime(std::get<fox::DateTime>(v[2])), "2013-12-12 08:30:00");  // 08:29:59.999 rounded
  // A deletion flag of 0x00 is a live record; Mazovia text through the engine's own table.
  auto mazovia = fox::Table::open(fixtures() / "dbf-gem/mazovia.dbf");
  EXPECT_EQ(mazovia->codePage(), 620);
  ASSERT_TRUE(mazovia->read(1, v));
  EXPECT_EQ(std::get<std::string>(v[1]).substr(0, 2), "Ś");
  // Code page 866 without a mark, chosen by the caller.
  fox::ReadOptions cyrillic;
  cyrillic.codePageWhenUnmarked = 866;
  auto cbrf = fox::Table::open(fixtures() / "php-xbase/cbrf_122019N1.dbf", cyrillic);
  ASSERT_TRUE(cbrf->read(0, v));
  EXPECT_EQ(std::get<std::string>(v[1]).rfind("АО", 0), 0u) << std::get<std::string>(v[1]);
  // Clipper-style character field of 300.
  auto pr90 = fox::Table::open(fixtures() / "php-xbase/pr90.dbf");
  EXPECT_EQ(pr90->fields()[3].length, 300);
  // Memo file with a differently cased extension, and block size 1.
  auto calls = fox::Table::open(fixtures() / "dbf-gem/foxprodb/calls.dbf");
  ASSERT_TRUE(calls->read(0, v));
  auto bs1 = fox::Table::open(fixtures() / "dbffile/vfp9_memo_bs1.dbf");
  ASSERT_TRUE(bs1->read(0, v));
  EXPECT_EQ(std::get<std::string>(v[1]), "Some notes here\r\n");
}
