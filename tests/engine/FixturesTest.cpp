// Every fixture table read by the engine and compared with MANIFEST.json (by crosscheck.py):
// header facts, fields, live and deleted records, NULLs per field and the first live record
// value by value, including the values the manifest's dbfread reading gets wrong (NULLs,
// Varchar lengths, Visual FoxPro's B, Y and T). The containers' folders are read and stay
// untouched.
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
  EXPECT_TRUE(crosscheck({"fixtures", dir / "readings.json"}, out)) << out;
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

// Mazovia (code page 620, which iconv lacks) through the engine's own table: the upper half,
// which the manifest's first record does not reach.
TEST(Fixtures, MazoviaTextReadsThroughTheEnginesOwnTable) {
  auto mazovia = fox::Table::open(fixtures() / "dbf-gem/mazovia.dbf");
  std::vector<fox::Value> v;
  ASSERT_TRUE(mazovia->read(1, v));
  EXPECT_EQ(std::get<std::string>(v[1]).substr(0, 2), "Ś");
}
