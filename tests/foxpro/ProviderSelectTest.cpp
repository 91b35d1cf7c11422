// SELECT * through the provider: the ADO type codes, the values, deleted records and NULLs,
// over tables written by Visual FoxPro and others (the fixtures, read in place: nothing writes)
// and over tables the provider created.
#include "ProviderSupport.h"
#include "ValueLiteral.h"
#include "foxpro-engine/TableWriter.h"

namespace {

using namespace provider_test;

const fs::path kFixtures = TAVREL_FIXTURES_DIR;

struct Column {
  std::string name;
  ado::DataTypeEnum type;
};

std::vector<Column> columns(ado::Recordset& rs) {
  std::vector<Column> out;
  for (int i = 0; i < rs.Fields().Count(); ++i) out.push_back({rs.Fields()[i].Name(), rs.Fields()[i].Type()});
  return out;
}

bool operator==(const Column& a, const Column& b) { return a.name == b.name && a.type == b.type; }

std::ostream& operator<<(std::ostream& os, const Column& c) { return os << c.name << ":" << c.type; }

TEST(ProviderSelect, EveryVisualFoxProTypeWithItsCode) {
  // go-dbase/table/TEST.DBF: written by Visual FoxPro 9, one record of three deleted.
  auto db = open(kFixtures / "go-dbase/table");
  ado::Recordset rs = db->Execute("SELECT * FROM \"test\"", -1);
  EXPECT_EQ(rs.RecordCount(), 2);
  const std::vector<Column> expected = {
      {"productid", ado::adInteger}, {"prodname", ado::adChar},    {"price", ado::adCurrency},
      {"double", ado::adDouble},     {"date", ado::adDBDate},      {"datetime", ado::adDBTimeStamp},
      {"integer", ado::adNumeric},   {"float", ado::adInteger},    {"active", ado::adBoolean},
      {"desc", ado::adLongVarChar},  {"tax", ado::adNumeric},      {"instock", ado::adNumeric},
      {"blob", ado::adLongVarBinary}, {"varbin_nil", ado::adVarBinary}, {"var_nil", ado::adVarChar},
      {"var", ado::adVarChar}};
  EXPECT_EQ(columns(rs), expected);

  // The first live record, as the fixture's manifest gives it.
  auto f = rs.Fields();
  EXPECT_EQ(f["productid"].Value().asInteger(), 1);
  EXPECT_EQ(f["prodname"].Value().asText(), "TEST PRODUCT        ");  // trailing blanks kept
  EXPECT_EQ(f["price"].Value().asDecimal().text, "12.3456");
  EXPECT_EQ(f["double"].Value().asDouble(), 78.9);
  EXPECT_EQ(f["date"].Value().asDate(), (ado::Date{2022, 4, 10}));
  EXPECT_EQ(f["datetime"].Value().asDateTime(), (ado::DateTime{{2022, 4, 10}, {0, 0, 0, 0}}));
  EXPECT_EQ(f["integer"].Value().asDecimal().text, "4.56");
  EXPECT_EQ(f["float"].Value().asInteger(), 123);
  EXPECT_EQ(f["active"].Value().asBoolean(), true);
  EXPECT_EQ(f["desc"].Value().asText(), "PRODUCT DESCRIPTION");
  EXPECT_EQ(f["tax"].Value().asDecimal().text, "19.99");
  EXPECT_EQ(f["instock"].Value().asDecimal().text, "1");
  EXPECT_EQ(f["blob"].Value().asBytes(), ado::Bytes{});
  EXPECT_EQ(f["varbin_nil"].Value().asBytes(),
            (ado::Bytes{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa}));
  EXPECT_EQ(f["var_nil"].Value().asText(), "Test value with variable length");
  EXPECT_EQ(f["var"].Value().asText(), "");
  long walked = 0;
  for (; !rs.Eof(); rs.MoveNext()) ++walked;
  EXPECT_EQ(walked, 2);
}

TEST(ProviderSelect, NullsReadAsNullAndTheNameFormsAllFindTheTable) {
  auto db = open(kFixtures / "northwind");
  for (const char* statement : {"SELECT * FROM \"customers\"", "SELECT * FROM [Customers]", "select * from CUSTOMERS",
                                "SELECT * FROM 'customers.dbf'"}) {
    ado::Recordset rs = db->Execute(statement, -1);
    EXPECT_EQ(rs.RecordCount(), 91) << statement;
  }
  ado::Recordset rs = db->Execute("SELECT * FROM \"customers\"", -1);
  EXPECT_EQ(rs.Fields()["customerid"].Value().asText(), "ALFKI");
  EXPECT_TRUE(rs.Fields()["region"].Value().isNull());  // NULL, not blanks
  std::map<std::string, int> nulls;
  for (; !rs.Eof(); rs.MoveNext())
    for (const char* field : {"region", "fax", "postalcode", "city"})
      if (rs.Fields()[field].Value().isNull()) ++nulls[field];
  EXPECT_EQ(nulls, (std::map<std::string, int>{{"region", 60}, {"fax", 22}, {"postalcode", 1}}));
}

TEST(ProviderSelect, BinaryMemosOfAContainerFileReadAsBytes) {
  auto db = open(kFixtures / "northwind");
  ado::Recordset rs = db->Execute("SELECT * FROM [" + (kFixtures / "northwind/northwind.dbc").string() + "]", -1);
  EXPECT_EQ(rs.RecordCount(), 274);
  const std::vector<Column> expected = {{"objectid", ado::adInteger},       {"parentid", ado::adInteger},
                                        {"objecttype", ado::adChar},        {"objectname", ado::adChar},
                                        {"property", ado::adLongVarBinary}, {"code", ado::adLongVarBinary},
                                        {"riinfo", ado::adChar},            {"user", ado::adLongVarChar}};
  EXPECT_EQ(columns(rs), expected);
  EXPECT_EQ(rs.Fields()["property"].Value().kind(), ado::Variant::Kind::Bytes);
}

TEST(ProviderSelect, BinaryTextColumnsAndEmptyDates) {
  TempFolder folder;
  auto db = open(folder.path());
  db->Execute("CREATE TABLE 'bin'([cb] C(4) NOCPTRANS,[vb] V(4) NOCPTRANS,[mb] M NOCPTRANS,[d] D,[t] T,[y] Y,[l] L)", -1);
  db->Execute("INSERT INTO [bin] VALUES(0h41420043, 0h00FF, 0h8081, {}, {:}, -0.0001, .F.)", -1);
  db->Execute("INSERT INTO [bin] VALUES('ab', '', 'memo', {^1999-12-31}, {^2000-01-01 00:00:01}, "
              "922337203685477.5807, .T.)",
              -1);
  ado::Recordset rs = db->Execute("SELECT * FROM bin", -1);
  const std::vector<Column> expected = {{"cb", ado::adBinary},        {"vb", ado::adVarBinary}, {"mb", ado::adLongVarBinary},
                                        {"d", ado::adDBDate},         {"t", ado::adDBTimeStamp}, {"y", ado::adCurrency},
                                        {"l", ado::adBoolean}};
  EXPECT_EQ(columns(rs), expected);
  auto f = rs.Fields();
  EXPECT_EQ(f[0].Value().asBytes(), (ado::Bytes{'A', 'B', 0, 'C'}));
  EXPECT_EQ(f[1].Value().asBytes(), (ado::Bytes{0x00, 0xFF}));
  EXPECT_EQ(f[2].Value().asBytes(), (ado::Bytes{0x80, 0x81}));
  EXPECT_TRUE(f[3].Value().isNull());  // FoxPro's empty date has no value in the layer
  EXPECT_TRUE(f[4].Value().isNull());
  EXPECT_EQ(f[5].Value().asDecimal().text, "-0.0001");
  EXPECT_EQ(f[6].Value().asBoolean(), false);
  rs.MoveNext();
  EXPECT_EQ(f[0].Value().asBytes(), (ado::Bytes{'a', 'b', ' ', ' '}));
  EXPECT_EQ(f[3].Value().asDate(), (ado::Date{1999, 12, 31}));
  EXPECT_EQ(f[4].Value().asDateTime(), (ado::DateTime{{2000, 1, 1}, {0, 0, 1, 0}}));
  EXPECT_EQ(f[5].Value().asDecimal().text, "922337203685477.5807");
}

TEST(ProviderSelect, DeletedRecordsAreNeitherReturnedNorCounted) {
  TempFolder folder;
  {
    auto db = open(folder.path());
    db->Execute("CREATE TABLE 'rows'([n] I)", -1);
    for (int i = 1; i <= 6; ++i) db->Execute("INSERT INTO [rows] VALUES(" + std::to_string(i) + ")", -1);
  }
  {
    auto writer = fox::TableWriter::openForAppend(folder / "rows.dbf");
    writer->setDeleted(0, true);
    writer->setDeleted(3, true);
    writer->setDeleted(5, true);
  }
  auto db = open(folder.path());
  ado::Recordset rs = db->Execute("SELECT * FROM rows", -1);
  EXPECT_EQ(rs.RecordCount(), 3);
  std::vector<long> seen;
  for (; !rs.Eof(); rs.MoveNext()) seen.push_back(static_cast<long>(rs.Fields()[0].Value().asInteger()));
  EXPECT_EQ(seen, (std::vector<long>{2, 3, 5}));
}

TEST(ProviderSelect, TablesThatCannotBeReadGiveClearErrors) {
  TempFolder folder;
  // A table whose memo file has gone.
  fs::copy_file(kFixtures / "dbffile/vfp9_30_memo.dbf", folder / "memo.dbf");
  std::string description;
  {
    auto db = open(folder.path());
    EXPECT_EQ(errorNumber([&] { db->Execute("SELECT * FROM memo", -1); }, &description), 41);
    EXPECT_NE(description.find("memo.fpt"), std::string::npos) << description;
  }

  std::ofstream(folder / "broken.dbf", std::ios::binary) << std::string(40, '\x30');
  std::ofstream(folder / "empty.dbf", std::ios::binary);
  auto db = open(folder.path());
  EXPECT_NE(errorNumber([&] { db->Execute("SELECT * FROM broken", -1); }), 0);
  EXPECT_NE(errorNumber([&] { db->Execute("SELECT * FROM empty", -1); }), 0);
  EXPECT_EQ(errorNumber([&] { db->Execute("SELECT * FROM nothere", -1); }, &description), 1);
  EXPECT_EQ(description, "File 'nothere.dbf' does not exist.");
}

}  // namespace
