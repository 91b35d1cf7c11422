// Cross-checks with readers nobody here wrote (python3-dbfread and python3-dbf, run through
// crosscheck.py): tables the engine writes read the same there, and tables python3-dbf writes
// read the same in the engine.
#include <gtest/gtest.h>

#include <set>

#include "EngineTestSupport.h"
#include "foxpro-engine/Table.h"
#include "foxpro-engine/TableWriter.h"

using namespace enginetest;
using fox::ColumnSpec;
using fox::Value;

namespace {

// What the other reader gives for an empty value (None) matches the engine's empty values:
// FoxPro's blank numbers read as zero, blank logicals as false, NULL C fields as blanks in
// dbfread, which does not know _NullFlags.
bool equivalent(const json::Value& ours, const json::Value& theirs, const fox::Field& f) {
  if (sameCanon(ours, theirs)) return true;
  if (theirs.isNull() || (theirs.isString() && theirs.text.empty())) {
    if (ours.isNull()) return true;
    if (ours.isString()) return ours.text.empty();
    if (ours.type == json::Value::Type::Bool) return !ours.boolean;
    if (auto* n = ours.find("num")) return std::strtod(n->text.c_str(), nullptr) == 0 && (f.type == 'N' || f.type == 'F');
    if (auto* h = ours.find("hex")) return h->text.empty();
  }
  return false;
}

// Compares the engine's reading of `table` with another reader's rows.
void expectSameRows(const fs::path& table, const json::Value& rows, const std::set<std::string>& skip,
                    const std::string& reader) {
  SCOPED_TRACE(reader + " on " + table.filename().string());
  auto t = fox::Table::open(table);
  std::vector<json::Value> live;
  std::vector<Value> v;
  std::size_t row = 0, compared = 0;
  for (std::uint32_t i = 0; i < t->recordCount(); ++i) {
    if (!t->read(i, v)) continue;
    ASSERT_LT(row, rows.items.size());
    const json::Value& theirs = rows.items[row++];
    std::size_t k = 0;
    for (auto& pair : theirs.items) {
      const std::string& name = pair.items[0].text;
      if (name == "_NULLFLAGS" || name == "_NullFlags") continue;
      ASSERT_LT(k, t->fields().size());
      const fox::Field& f = t->fields()[k];
      const Value& value = v[k++];
      EXPECT_EQ(f.name, name);
      if (skip.count(name)) continue;
      json::Value ours = canon(value, f);
      EXPECT_TRUE(equivalent(ours, pair.items[1], f))
          << "row " << row << " field " << name << ": engine " << show(ours) << ", " << reader << " " << show(pair.items[1]);
      ++compared;
    }
  }
  EXPECT_EQ(row, rows.items.size());
  EXPECT_GT(compared, 0u);
}

struct Sample {
  int codePage;
  std::string text;  // non-ASCII text of that code page
};

}  // namespace

TEST(CrossCheck, EngineTablesReadTheSameInPythonReaders) {
  if (!pythonAvailable()) GTEST_SKIP() << "no /usr/bin/python3";
  TempDir dir;
  for (const Sample& s : {Sample{1250, "Příliš žluťoučký kůň úpěl ďábelské ódy"}, Sample{1251, "Съешь же ещё этих мягких булок"},
                          Sample{1252, "Größe, façade, naïve — 12 € «ok»"}}) {
    SCOPED_TRACE(s.codePage);
    // Types both readers know, empty values, maximum widths, memos of 0, 1, 64, 65 and 100,000
    // bytes; NULL only in the first field, where python3-dbf's bit rule and FoxPro's agree.
    std::vector<ColumnSpec> cols = {{"NC", 'C', 10, 0, true}, {"C", 'C', 254}, {"N", 'N', 20, 5}, {"F", 'F', 12, 3},
                                    {"I", 'I'},  {"B", 'B', 0, 2}, {"Y", 'Y'}, {"D", 'D'}, {"T", 'T'}, {"L", 'L'},
                                    {"M", 'M'}};
    auto path = dir / ("cp" + std::to_string(s.codePage) + ".dbf");
    auto w = fox::TableWriter::create(path, cols, {.codePage = s.codePage, .backlink = {}});
    std::vector<std::string> memos = {"", "x", std::string(64, 'y'), std::string(65, 'z'), std::string(100000, 'w')};
    for (std::size_t r = 0; r < memos.size(); ++r) {
      std::string m = memos[r];
      if (r == 3) m = s.text + m;
      w->append({r == 0 ? Value{} : Value{std::string("r") + std::to_string(r)},
                 r == 1 ? Value{std::string(254, 'c')} : Value{s.text},
                 r == 2 ? Value{std::string("")} : Value{fox::Number{"-1234567890123.12345"}},
                 Value{fox::Number{"0.125"}},
                 Value{std::int32_t(r == 1 ? -2147483647 : int(r) * 1000)},
                 Value{r * 1.25},
                 Value{fox::Currency{std::int64_t(r) * -12345}},
                 r == 2 ? Value{fox::Date{}} : Value{fox::Date{1999, 12, 31}},
                 r == 2 ? Value{fox::DateTime{}} : Value{fox::DateTime{{2024, 5, 17}, 13, 45, int(r)}},
                 Value{r % 2 == 1},
                 Value{m}});
    }
    w->close();
    std::string enc = "cp" + std::to_string(s.codePage);
    expectSameRows(path, crosscheck({"read-dbfread", path.string(), enc}), {"NC"}, "dbfread");
    expectSameRows(path, crosscheck({"read-dbf", path.string()}), {}, "python3-dbf");
  }

  // Visual FoxPro 9 types (V, Q, W) and NULLs in many fields: dbfread only (python3-dbf does
  // not open 0x32 tables); dbfread does not apply the varlength byte or NULLs, so those fields
  // are left out of the comparison.
  auto vfp9 = dir / "vfp9.dbf";
  auto w = fox::TableWriter::create(vfp9, {{"ID", 'I'}, {"V", 'V', 20, 0, true}, {"Q", 'Q', 8}, {"W", 'W'},
                                           {"NN", 'N', 6, 2, true}, {"NM", 'M', 0, 0, true}, {"TXT", 'M'}});
  w->append({std::int32_t(1), std::string("short"), fox::Bytes{1, 2}, fox::Bytes{0, 1, 2, 3}, Value{}, Value{},
             std::string("a")});
  w->append({std::int32_t(2), Value{}, fox::Bytes{}, fox::Bytes(70, 0xEE), fox::Number{"-1.5"}, std::string("memo"),
             std::string(65, 'b')});
  w->close();
  expectSameRows(vfp9, crosscheck({"read-dbfread", vfp9.string(), "cp1252"}), {"V", "Q", "NN", "NM"}, "dbfread");

  // 255 fields.
  std::vector<ColumnSpec> many;
  std::vector<Value> row;
  for (int i = 0; i < 255; ++i) {
    many.push_back({"F" + std::to_string(i), i % 2 ? 'N' : 'C', 5, 0});
    row.push_back(i % 2 ? Value{std::int32_t(i)} : Value{std::string("v") + std::to_string(i)});
  }
  auto wide = dir / "wide.dbf";
  auto ww = fox::TableWriter::create(wide, many);
  ww->append(row);
  ww->close();
  expectSameRows(wide, crosscheck({"read-dbfread", wide.string(), "cp1252"}), {}, "dbfread");
  expectSameRows(wide, crosscheck({"read-dbf", wide.string()}), {}, "python3-dbf");
}

TEST(CrossCheck, PythonDbfTablesReadTheSameInTheEngine) {
  if (!pythonAvailable()) GTEST_SKIP() << "no /usr/bin/python3";
  TempDir dir;
  json::Value written = crosscheck({"write-dbf", dir.path().string()});
  ASSERT_EQ(written.items.size(), 3u);
  auto path = dir / "pydbf.dbf";
  // What python3-dbf meant to write (its None became blanks), what it and dbfread read back.
  expectSameRows(path, written, {}, "values python3-dbf wrote");
  expectSameRows(path, crosscheck({"read-dbf", path.string()}), {}, "python3-dbf");
  expectSameRows(path, crosscheck({"read-dbfread", path.string(), "cp1252"}), {}, "dbfread");
}
