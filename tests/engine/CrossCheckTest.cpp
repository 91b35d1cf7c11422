// Cross-checks with readers nobody here wrote (python3-dbfread and python3-dbf, through
// crosscheck.py): tables the engine writes read the same there, tables python3-dbf writes read
// the same in the engine, and every fixture table reads as its MANIFEST.json says.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"

using namespace enginetest;
using fox::ColumnSpec;
using fox::Value;

TEST(CrossCheck, EngineTablesReadTheSameInPythonReaders) {
  TempDir dir;
  // Each code page with non-ASCII text of its own.
  for (const auto& [codePage, text] : {std::pair<int, std::string>{1250, "Příliš žluťoučký kůň úpěl ďábelské ódy"},
                                       {1251, "Съешь же ещё этих мягких булок"},
                                       {1252, "Größe, façade, naïve — 12 € «ok»"}}) {
    SCOPED_TRACE(codePage);
    // Types both readers know, empty values, maximum widths, memos of 0, 1, 64, 65 and 100,000
    // bytes; NULL only in the first field, where python3-dbf's bit rule and FoxPro's agree.
    std::vector<ColumnSpec> cols = {{"NC", 'C', 10, 0, true},
                                    {"C", 'C', 254},
                                    {"N", 'N', 20, 5},
                                    {"F", 'F', 12, 3},
                                    {"I", 'I'},
                                    {"B", 'B', 0, 2},
                                    {"Y", 'Y'},
                                    {"D", 'D'},
                                    {"T", 'T'},
                                    {"L", 'L'},
                                    {"M", 'M'}};
    auto path = dir / ("cp" + std::to_string(codePage) + ".dbf");
    auto w = fox::TableWriter::create(path, cols, {.codePage = codePage, .backlink = {}});
    std::vector<std::string> memos = {"", "x", std::string(64, 'y'), std::string(65, 'z'), std::string(100000, 'w')};
    for (std::size_t r = 0; r < memos.size(); ++r) {
      w->append({r == 0 ? Value{} : Value{std::string("r") + std::to_string(r)},
                 r == 1 ? Value{std::string(254, 'c')} : Value{text},
                 r == 2 ? Value{std::string("")} : Value{fox::Number{"-1234567890123.12345"}},
                 Value{fox::Number{"0.125"}}, Value{std::int32_t(r == 1 ? -2147483647 : int(r) * 1000)},
                 Value{r * 1.25}, Value{fox::Currency{std::int64_t(r) * -12345}},
                 r == 2 ? Value{fox::Date{}} : Value{fox::Date{1999, 12, 31}},
                 r == 2 ? Value{fox::DateTime{}} : Value{fox::DateTime{{2024, 5, 17}, 13, 45, int(r)}},
                 Value{r % 2 == 1}, Value{r == 3 ? text + memos[r] : memos[r]}});
    }
    w->close();
    EXPECT_TRUE(readsTheSame(path, "dbfread", "NC"));
    EXPECT_TRUE(readsTheSame(path, "dbf"));
  }

  // Visual FoxPro 9 types (V, Q, W), G, and NULLs in many fields: dbfread only (python3-dbf does
  // not open 0x32 tables); dbfread does not apply the varlength byte or NULLs, so those fields
  // are left out of the comparison.
  auto vfp9 = writeTable(dir / "vfp9.dbf",
                         {{"ID", 'I'},
                          {"V", 'V', 20, 0, true},
                          {"Q", 'Q', 8},
                          {"W", 'W'},
                          {"NN", 'N', 6, 2, true},
                          {"NM", 'M', 0, 0, true},
                          {"TXT", 'M'},
                          {"G", 'G'}},
                         {{std::int32_t(1), std::string("short"), fox::Bytes{1, 2}, fox::Bytes{0, 1, 2, 3}, Value{},
                           Value{}, std::string("a"), fox::Bytes{0xD0, 0xCF, 0x11, 0xE0}},
                          {std::int32_t(2), Value{}, fox::Bytes{}, fox::Bytes(70, 0xEE), fox::Number{"-1.5"},
                           std::string("memo"), std::string(65, 'b'), fox::Bytes{}}});
  EXPECT_TRUE(readsTheSame(vfp9, "dbfread", "V,Q,NN,NM"));

  // 255 fields of the widest C and N, a record of 57,283 bytes.
  std::vector<ColumnSpec> many;
  std::vector<Value> row;
  for (int i = 0; i < 255; ++i) {
    bool numeric = i % 8 == 7;
    many.push_back({"F" + std::to_string(i), numeric ? 'N' : 'C', numeric ? 20 : 254, numeric ? 2 : 0});
    row.push_back(numeric ? Value{std::int32_t(i)} : Value{std::string(254, char('a' + i % 26))});
  }
  auto wide = writeTable(dir / "wide.dbf", many, {row});
  std::vector<Value> back;
  ASSERT_TRUE(fox::Table::open(wide)->read(0, back));
  EXPECT_EQ(back[254], row[254]);
  EXPECT_TRUE(readsTheSame(wide, "dbfread"));
  EXPECT_TRUE(readsTheSame(wide, "dbf"));
}

TEST(CrossCheck, PythonDbfTablesReadTheSameInTheEngine) {
  TempDir dir;
  const fs::path path = dir / "pydbf.dbf";
  std::string out;
  ASSERT_TRUE(crosscheck({"write-dbf", path.string()}, out)) << out;
  // What python3-dbf meant to write (its None became blanks), what it and dbfread read back.
  EXPECT_TRUE(readsTheSame(path, path.string() + ".json"));
  EXPECT_TRUE(readsTheSame(path, "dbf"));
  EXPECT_TRUE(readsTheSame(path, "dbfread"));
}

// Every fixture table, the containers' own files included, read by the engine and compared with
// MANIFEST.json (by crosscheck.py): header facts, fields, live and deleted records, NULLs per
// field and the first live record value by value, including the values the manifest's dbfread
// reading gets wrong (NULLs, Varchar lengths, Visual FoxPro's B, Y and T). Reading changes no
// byte of the fixtures.
TEST(Fixtures, EveryTableReadsAsTheManifestSays) {
  TempDir dir;
  const auto before = snapshot(fixtures());
  std::string list, out, readings;
  ASSERT_TRUE(crosscheck({"fixture-list"}, list)) << list;
  std::istringstream lines(list);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t tab = line.find('\t');  // then the code page dbfread used where the table has no mark
    readings +=
        (readings.empty() ? "{" : ",") + jsonText(line.substr(0, tab)) + ":" +
        readingJson(fixtures() / line.substr(0, tab), {.codePageWhenUnmarked = std::stoi(line.substr(tab + 1))});
  }
  writeFile(dir / "readings.json", readings + "}");
  EXPECT_TRUE(crosscheck({"fixtures", dir / "readings.json"}, out)) << out;
  EXPECT_TRUE(snapshot(fixtures()) == before);
}
