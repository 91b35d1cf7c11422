// Every fixture table read by the engine and compared with MANIFEST.json: header facts, fields,
// live/deleted counts, NULL counts and the first live record, value by value (including the
// values the manifest's dbfread reading gets wrong, which are noted where the engine differs).
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "foxpro-engine/CodePage.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/Table.h"
#include "foxpro-engine/Utf8.h"

using namespace enginetest;

namespace {

const json::Value& manifest() {
  static const json::Value m = json::parse(readFile(fixtures() / "MANIFEST.json"));
  return m;
}

int hexByte(const json::Value& v) { return int(std::stoul(v.text, nullptr, 16)); }

// The bytes an engine value stands for in the table's code page.
std::string storedBytes(const fox::Value& v, const fox::CodePage& cp) {
  if (auto* b = std::get_if<fox::Bytes>(&v)) return std::string(b->begin(), b->end());
  std::string out;
  if (auto* s = std::get_if<std::string>(&v)) {
    EXPECT_TRUE(cp.fromUtf8(*s, out)) << "text does not convert back";
  }
  return out;
}

std::string trimRight(std::string s, std::string_view chars = " \0") {
  while (!s.empty() && chars.find(s.back()) != std::string_view::npos) s.pop_back();
  return s;
}

bool isEmptyValue(const fox::Value& v) {
  if (auto* d = std::get_if<fox::Date>(&v)) return d->empty();
  if (auto* t = std::get_if<fox::DateTime>(&v)) return t->empty();
  if (auto* n = std::get_if<fox::Number>(&v)) return std::strtod(n->text.c_str(), nullptr) == 0;
  if (auto* s = std::get_if<std::string>(&v)) return s->find_first_not_of(' ') == std::string::npos;
  if (auto* b = std::get_if<fox::Bytes>(&v)) return b->empty();
  if (auto* l = std::get_if<bool>(&v)) return !*l;
  return false;
}

// Compares one value of the manifest's first record with the engine's.
void expectValue(const std::string& table, const fox::Field& f, const fox::Value& got, const json::Value& want,
                 const json::Value* varlenRaw, const fox::CodePage& cp, bool dBaseIvMemo) {
  SCOPED_TRACE(table + " field " + f.name);
  if (want.isNull()) {
    EXPECT_TRUE(isEmptyValue(got)) << "expected an empty value";
    return;
  }
  if (varlenRaw) {  // V and Q: the manifest's raw bytes cut to their real length
    EXPECT_EQ(hex(storedBytes(got, cp)), (*varlenRaw)["hex"].text);
    return;
  }
  switch (want.type) {
    case json::Value::Type::Bool:
      ASSERT_TRUE(std::holds_alternative<bool>(got));
      EXPECT_EQ(std::get<bool>(got), want.boolean);
      return;
    case json::Value::Type::Number: {
      json::Value n;
      n.type = json::Value::Type::Object;
      json::Value t;
      t.type = json::Value::Type::String;
      t.text = want.text;
      n.members.emplace_back("num", t);
      EXPECT_TRUE(sameCanon(canon(got, f), n)) << show(canon(got, f)) << " vs " << want.text;
      return;
    }
    case json::Value::Type::String: {
      if (f.type == 'Y') {  // a decimal string
        ASSERT_TRUE(std::holds_alternative<fox::Currency>(got));
        EXPECT_DOUBLE_EQ(std::get<fox::Currency>(got).scaled / 10000.0, std::strtod(want.text.c_str(), nullptr));
      } else if (f.type == 'D') {
        ASSERT_TRUE(std::holds_alternative<fox::Date>(got));
        EXPECT_EQ(fox::formatDate(std::get<fox::Date>(got)), want.text);
      } else if (f.type == 'T') {
        ASSERT_TRUE(std::holds_alternative<fox::DateTime>(got));
        auto parsed = fox::parseDateTime(want.text);  // rounds milliseconds as the engine does
        ASSERT_TRUE(parsed) << want.text;
        EXPECT_EQ(fox::formatDateTime(std::get<fox::DateTime>(got)), fox::formatDateTime(*parsed));
      } else if (f.type == 'C') {
        if (std::holds_alternative<fox::Bytes>(got)) {
          std::string w;
          ASSERT_TRUE(cp.fromUtf8(want.text, w));
          EXPECT_EQ(trimRight(storedBytes(got, cp)), w);
        } else {
          ASSERT_TRUE(std::holds_alternative<std::string>(got));
          EXPECT_EQ(trimRight(std::get<std::string>(got)), want.text);
        }
      } else {  // memo text
        std::string w = want.text;
        // dbfread takes a dBASE IV memo's length as the data's; it counts the 8-byte block
        // header, so dbfread's text runs 8 bytes too far (NULs in the samples).
        if (dBaseIvMemo && w.size() >= 8 && w.find_first_not_of('\0', w.size() - 8) == std::string::npos) w.resize(w.size() - 8);
        if (std::holds_alternative<fox::Bytes>(got)) {
          std::string wb;
          ASSERT_TRUE(cp.fromUtf8(w, wb));
          EXPECT_EQ(storedBytes(got, cp), wb);
        } else {
          ASSERT_TRUE(std::holds_alternative<std::string>(got));
          EXPECT_EQ(std::get<std::string>(got), w);
        }
      }
      return;
    }
    case json::Value::Type::Object: {
      std::string bytes = storedBytes(got, cp);
      if (auto* h = want.find("hex")) {
        EXPECT_EQ(hex(bytes), h->text);
      } else if (auto* len = want.find("length")) {
        EXPECT_EQ(bytes.size(), std::size_t(len->number()));
        EXPECT_EQ(hex(bytes.substr(0, 32)), want["hex_head"].text);
      } else if (auto* tl = want.find("text_length")) {
        ASSERT_TRUE(std::holds_alternative<std::string>(got));
        const std::string& s = std::get<std::string>(got);
        EXPECT_EQ(fox::utf8::length(s), std::size_t(tl->number()));
        EXPECT_EQ(s.rfind(want["text_head"].text, 0), 0u);
      } else {
        ADD_FAILURE() << "unknown value form " << show(want);
      }
      return;
    }
    default:
      ADD_FAILURE() << "unexpected value " << show(want);
  }
}

int codePageOf(const std::string& encoding) {
  if (encoding.rfind("cp", 0) == 0) return std::atoi(encoding.c_str() + 2);
  return 0;  // ascii: the default
}

}  // namespace

TEST(Fixtures, EveryTableReadsAsTheManifestSays) {
  const json::Value& tables = manifest()["tables"];
  ASSERT_GE(tables.members.size(), 49u);
  std::size_t compared = 0;
  for (const auto& [name, t] : tables.members) {
    SCOPED_TRACE(name);
    const json::Value& dr = t["dbfread"];
    fox::ReadOptions options;
    if (t["codepage"].isNull()) options.codePageWhenUnmarked = codePageOf(dr["encoding_used"].text);
    std::unique_ptr<fox::Table> table;
    try {
      table = fox::Table::open(fixtures() / name, options);
    } catch (const fox::Error& e) {
      ADD_FAILURE() << "fox::Error " << e.number() << ": " << e.what();
      continue;
    }
    bool vfp = table->version() >= 0x30 && table->version() <= 0x32;
    EXPECT_EQ(table->version(), hexByte(t["version_byte"]));
    EXPECT_EQ(table->codePageMark(), hexByte(t["codepage_mark"]));
    EXPECT_EQ(table->tableFlags(), hexByte(t["table_flags"]));
    EXPECT_EQ(table->recordCount(), std::uint32_t(t["record_count_header"].number()));
    if (auto* b = t.find("backlink"); b && b->isString()) {
      EXPECT_EQ(table->backlink(), b->text);
    }
    if (!t["codepage"].isNull()) {
      EXPECT_EQ(table->codePage(), int(t["codepage"].number()));
    }

    // Fields, _NullFlags left out.
    std::vector<const json::Value*> want;
    for (auto& f : t["fields"].items)
      if (f["type"].text != "0") want.push_back(&f);
    const auto& fields = table->fields();
    ASSERT_EQ(fields.size(), want.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const json::Value& w = *want[i];
      EXPECT_EQ(fields[i].name, w["name"].text);
      EXPECT_EQ(std::string(1, fields[i].type), w["type"].text);
      auto* eff = w.find("effective_length");
      EXPECT_EQ(fields[i].length, int((eff ? *eff : w["length"]).number())) << fields[i].name;
      if (!eff) {
        EXPECT_EQ(fields[i].decimals, int(w["decimals"].number())) << fields[i].name;
      }
      if (vfp) {
        EXPECT_EQ(fields[i].flags, hexByte(w["flags"])) << fields[i].name;
      }
      if (auto* next = w.find("autoinc_next")) {
        EXPECT_EQ(fields[i].autoIncrementNext, int(next->number()));
      }
    }

    // Every record: live and deleted counts, NULLs per field.
    std::vector<fox::Value> values;
    std::uint32_t live = 0, deleted = 0;
    std::map<std::string, int> nulls;
    for (std::uint32_t r = 0; r < table->recordCount(); ++r) {
      try {
        if (!table->read(r, values)) {
          ++deleted;
          continue;
        }
      } catch (const fox::Error& e) {
        ADD_FAILURE() << "record " << r + 1 << ": " << e.what();
        continue;
      }
      ++live;
      for (std::size_t i = 0; i < fields.size(); ++i)
        if (fox::isNull(values[i])) ++nulls[fields[i].name];
    }
    EXPECT_EQ(deleted, std::uint32_t(t["deleted_count_raw"].number()));
    EXPECT_EQ(live, std::uint32_t(dr["records"].number()));
    std::map<std::string, int> wantNulls;
    if (auto* nc = t.find("null_counts_all_records"); nc && nc->isObject())
      for (auto& [field, n] : nc->members)
        if (n.number() > 0) wantNulls[field] = int(n.number());
    EXPECT_EQ(nulls, wantNulls);

    // The first live record, value by value.
    const json::Value* first = dr.find("first_record");
    if (!first || first->isNull()) continue;
    ASSERT_TRUE(table->read(std::uint32_t((*first)["recno"].number()) - 1, values));
    const json::Value* vfpFlags = first->find("vfp_nullflags");
    std::vector<std::string> nullFields;
    if (vfpFlags)
      for (auto& n : (*vfpFlags)["null_fields"].items) nullFields.push_back(n.text);
    auto cp = fox::codePage(table->codePage());
    bool dBaseIvMemo = table->version() == 0x8B;
    std::size_t k = 0;
    compared += (*first)["values"].items.size();
    for (auto& pair : (*first)["values"].items) {
      const std::string& fieldName = pair.items[0].text;
      if (fieldName == "_NullFlags") continue;
      ASSERT_LT(k, fields.size());
      const fox::Field& f = fields[k];
      const fox::Value& got = values[k++];
      ASSERT_EQ(f.name, fieldName);
      if (std::find(nullFields.begin(), nullFields.end(), fieldName) != nullFields.end()) {
        EXPECT_TRUE(fox::isNull(got)) << f.name << " should be NULL";
        continue;
      }
      EXPECT_FALSE(fox::isNull(got)) << f.name;
      const json::Value* varlen = nullptr;
      if (vfpFlags && (f.type == 'V' || f.type == 'Q')) varlen = (*vfpFlags)["varlen_raw"].find(fieldName);
      expectValue(name, f, got, pair.items[1], varlen, *cp, dBaseIvMemo);
    }
  }
  EXPECT_GT(compared, 500u);  // the first records of all tables together
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
