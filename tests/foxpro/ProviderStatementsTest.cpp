// The statements the transfer to FoxPro sends, exactly as it builds them, through the provider
// to the files — read back with the engine and, where it can, with python3-dbfread.
#include "ProviderSupport.h"
#include "ValueLiteral.h"
#include "foxpro-engine/CodePage.h"

namespace {

using namespace provider_test;
using testing_literals::binaryLiteral;
using testing_literals::insertStatement;
using testing_literals::literal;

// The records of a table as dbfread gives them, as JSON text lists (memo text decoded cp1252;
// dbfread gives an empty memo as None).
const char* kDbfreadRows = R"(
import json, sys, dbfread
table = dbfread.DBF(sys.argv[1], encoding='cp1252', char_decode_errors='strict')
rows = [['' if v is None else v for v in r.values()] for r in table]
print(json.dumps([table.field_names] + rows))
)";

// A string as Python's json.dumps writes it (non-ASCII as \u escapes).
std::string pythonJson(const std::string& s) {
  std::string out = "\"";
  char buffer[8];
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = s[i];
    char32_t cp = c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra) cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += 1 + extra;
    switch (cp) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (cp < 0x20 || cp > 0x7E) {
          std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(cp));
          out += buffer;
        } else {
          out += static_cast<char>(cp);
        }
    }
  }
  return out + "\"";
}

std::string jsonRows(const std::vector<std::string>& names, const std::vector<std::vector<std::string>>& rows) {
  auto list = [&](const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + pythonJson(items[i]);
    return out + "]";
  };
  std::string out = "[" + list(names);
  for (const auto& row : rows) out += ", " + list(row);
  return out + "]\n";
}

TEST(ProviderStatements, WorkedExampleReachesTheFile) {
  TempFolder folder;
  auto db = open(folder.path());
  const std::string path = folder / "orders.DBF";
  db->Execute("CREATE TABLE '" + path + "'([id] M,[note] M)", -1);
  db->Execute("INSERT INTO [" + path + "] VALUES('1', 'first')", -1);
  db->Execute(insertStatement(path, {literal("2"), literal("O'Brien")}), -1);
  db->Close();

  EXPECT_TRUE(fs::exists(folder / "orders.DBF"));
  EXPECT_TRUE(fs::exists(folder / "orders.FPT"));
  auto table = fox::Table::open(path);
  ASSERT_EQ(table->fields().size(), 2u);
  EXPECT_EQ(table->fields()[0].name, "ID");
  EXPECT_EQ(table->fields()[0].type, 'M');
  EXPECT_EQ(table->fields()[1].name, "NOTE");
  auto rows = readBack(path);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(text(rows[0][0]), "1");
  EXPECT_EQ(text(rows[0][1]), "first");
  EXPECT_EQ(text(rows[1][1]), "O'Brien");

  EXPECT_EQ(python(kDbfreadRows, {path}), jsonRows({"ID", "NOTE"}, {{"1", "first"}, {"2", "O'Brien"}}));
}

TEST(ProviderStatements, LongValuesQuotesAndLineBreaksArriveWhole) {
  std::string big;
  for (int i = 0; big.size() < 120000; ++i) big += "piece " + std::to_string(i) + " can't + won't\r\n";
  const std::vector<std::string> values = {
      std::string(450, 'x'),        std::string(200, 'y'),  std::string(400, 'z'),
      "",                           "\r",                   "a\r\nb",
      "a'+b",                       "'",                    "''",
      "line1\nline2\rline3\r\n",    big,                    "caf\xC3\xA9 \xE2\x82\xAC 5 \xC3\xBC",
      std::string(199, 'q') + "'",  "\t tab and  spaces  ",
  };
  TempFolder folder;
  auto db = open(folder.path());
  const std::string path = folder / "notes.DBF";
  db->Execute("CREATE TABLE '" + path + "'([n] M,[value] M)", -1);
  for (std::size_t i = 0; i < values.size(); ++i)
    db->Execute(insertStatement(path, {literal(std::to_string(i)), literal(values[i])}), -1);
  db->Close();

  auto rows = readBack(path);
  ASSERT_EQ(rows.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(text(rows[i][1]), values[i]) << "value " << i;

  std::vector<std::vector<std::string>> expected;
  for (std::size_t i = 0; i < values.size(); ++i) expected.push_back({std::to_string(i), values[i]});
  EXPECT_EQ(python(kDbfreadRows, {path}), jsonRows({"N", "VALUE"}, expected));
}

TEST(ProviderStatements, BinaryLiteralsArriveByteForByteAlsoInMemoColumns) {
  fox::Bytes every;
  for (int b = 0; b < 256; ++b) every.push_back(static_cast<std::uint8_t>(b));
  TempFolder folder;
  auto db = open(folder.path());
  const std::string path = folder / "images.DBF";
  db->Execute("CREATE TABLE '" + path + "'([name] M,[photo] BLOB,[raw] M)", -1);
  db->Execute(insertStatement(path, {literal("all bytes"), binaryLiteral(every), binaryLiteral(every)}), -1);
  db->Execute(insertStatement(path, {literal("split"), "0h0001+0h+0hFEFF", "0h"}), -1);
  db->Close();

  auto table = fox::Table::open(path);
  EXPECT_EQ(table->fields()[1].type, 'W');
  auto rows = readBack(path);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(std::get<fox::Bytes>(rows[0][1]), every);
  // A plain memo reads as text in the table's code page: converted back it is the bytes sent.
  std::string stored;
  ASSERT_TRUE(fox::codePage(table->codePage())->fromUtf8(text(rows[0][2]), stored));
  EXPECT_EQ(stored, std::string(every.begin(), every.end()));
  EXPECT_EQ(std::get<fox::Bytes>(rows[1][1]), (fox::Bytes{0x00, 0x01, 0xFE, 0xFF}));
  EXPECT_EQ(text(rows[1][2]), "");
}

TEST(ProviderStatements, EveryColumnTypeWithNullAndNotNull) {
  TempFolder folder;
  auto db = open(folder.path());
  db->Execute("CREATE TABLE 'types'([c] C(6) NULL,[v] V(6) NULL,[q] Q(4) NULL,[n] N(10,2) NULL,[f] F(8,3) NULL,"
              "[i] I NULL,[b] B(2) NULL,[y] Y NULL,[d] D NULL,[t] T NULL,[l] L NULL,[m] M NULL,[g] G NULL,[w] W NULL,"
              "[cn] C(3) NOT NULL,[inn] I NOT NULL,[mn] M)",
              -1);
  db->Execute("INSERT INTO [types] VALUES('ab', 'cd ', 0hCAFE, -12.5, 3.25, 42, 2.5, 19.99, {^2024-05-17}, "
              "{^2024-05-17 13:45:30}, .T., 'memo', 0h4748, 0h5758, 'xyz', 7, 'm')",
              -1);
  db->Execute("INSERT INTO [types] VALUES(.NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL., "
              ".NULL., .NULL., .NULL., .NULL., .NULL., '', 0, '')",
              -1);
  std::string description;
  EXPECT_EQ(errorNumber([&] {
              db->Execute("INSERT INTO [types] VALUES('a', 'b', 0h, 1, 1, 1, 1, 1, {}, {:}, .F., '', 0h, 0h, .NULL., 1, '')",
                          -1);
            }, &description),
            1581);
  EXPECT_NE(description.find("CN"), std::string::npos) << description;
  db->Close();

  auto table = fox::Table::open(folder / "types.dbf");
  const std::string types = "CVQNFIBYDTLMGWCIM";
  ASSERT_EQ(table->fields().size(), types.size());
  for (std::size_t i = 0; i < types.size(); ++i) {
    EXPECT_EQ(table->fields()[i].type, types[i]) << i;
    EXPECT_EQ(table->fields()[i].nullable(), i < 14) << i;
  }
  auto rows = readBack(folder / "types.dbf");
  ASSERT_EQ(rows.size(), 2u);  // the refused row is not there
  const auto& r = rows[0];
  EXPECT_EQ(text(r[0]), "ab    ");
  EXPECT_EQ(text(r[1]), "cd ");
  EXPECT_EQ(std::get<fox::Bytes>(r[2]), (fox::Bytes{0xCA, 0xFE}));
  EXPECT_EQ(std::get<fox::Number>(r[3]).text, "-12.50");
  EXPECT_EQ(std::get<fox::Number>(r[4]).text, "3.250");
  EXPECT_EQ(std::get<std::int32_t>(r[5]), 42);
  EXPECT_EQ(std::get<double>(r[6]), 2.5);
  EXPECT_EQ(std::get<fox::Currency>(r[7]).scaled, 199900);
  EXPECT_EQ(std::get<fox::Date>(r[8]), (fox::Date{2024, 5, 17}));
  EXPECT_EQ(std::get<fox::DateTime>(r[9]), (fox::DateTime{{2024, 5, 17}, 13, 45, 30}));
  EXPECT_EQ(std::get<bool>(r[10]), true);
  EXPECT_EQ(text(r[11]), "memo");
  EXPECT_EQ(std::get<fox::Bytes>(r[12]), (fox::Bytes{'G', 'H'}));
  EXPECT_EQ(std::get<fox::Bytes>(r[13]), (fox::Bytes{'W', 'X'}));
  for (std::size_t i = 0; i < 14; ++i) EXPECT_TRUE(fox::isNull(rows[1][i])) << i;
  EXPECT_EQ(text(rows[1][14]), "   ");
}

TEST(ProviderStatements, LongFieldNamesOfAFreeTableAreShortenedWithoutMerging) {
  TempFolder folder;
  auto db = open(folder.path());
  const std::string path = folder / "contacts.DBF";
  db->Execute("CREATE TABLE '" + path + "'([contact_type_id] M,[contact_type] M,[contact_type_name] M,[id] M)", -1);
  db->Execute(insertStatement(path, {literal("1"), literal("2"), literal("3"), literal("4")}), -1);
  ado::Recordset rs = db->Execute("SELECT * FROM contacts", -1);
  std::vector<std::string> names;
  for (int i = 0; i < rs.Fields().Count(); ++i) names.push_back(rs.Fields()[i].Name());
  EXPECT_EQ(names, (std::vector<std::string>{"contact_ty", "contact_t2", "contact_t3", "id"}));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(rs.Fields()[i].Value().asText(), std::to_string(i + 1));
}

TEST(ProviderStatements, NewTablesTakeTheLocaleCodePageAndRefuseTextItCannotHold) {
  const char* old = std::getenv("LC_ALL");
  std::string saved = old ? old : "";
  setenv("LC_ALL", "pl_PL.UTF-8", 1);
  TempFolder folder;
  auto db = open(folder.path());
  if (old) {
    setenv("LC_ALL", saved.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
  const std::string path = folder / "miasta.DBF";
  db->Execute("CREATE TABLE '" + path + "'([nazwa] M)", -1);
  db->Execute(insertStatement(path, {literal("\xC5\x81\xC3\xB3\x64\xC5\xBA")}), -1);  // Łódź
  db->Execute(insertStatement(path, {literal("Gda\xC5\x84sk")}), -1);                  // Gdańsk
  std::string description;
  EXPECT_EQ(errorNumber([&] { db->Execute(insertStatement(path, {literal("\xD0\x96")}), -1); }, &description),
            fox::err::CodePageCannotHold);
  EXPECT_NE(description.find("row 3"), std::string::npos) << description;
  EXPECT_NE(description.find("miasta.DBF"), std::string::npos) << description;
  EXPECT_NE(description.find("NAZWA"), std::string::npos) << description;
  db->Close();

  auto table = fox::Table::open(path);
  EXPECT_EQ(table->codePage(), 1250);
  auto rows = readBack(path);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(text(rows[0][0]), "\xC5\x81\xC3\xB3\x64\xC5\xBA");
  EXPECT_EQ(text(rows[1][0]), "Gda\xC5\x84sk");
}

}  // namespace
