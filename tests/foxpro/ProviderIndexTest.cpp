// Typed, NULL-capable tables and their index tags through the dialect, in a folder and in a
// container, checked by readers nobody here wrote: dbfread, with the _NullFlags bits read by the
// format page, and the compound index checker tests/container/cdx_check.py.
#include "ProviderSupport.h"
#include "foxpro-engine/container/Container.h"
#include "foxpro-engine/container/ContainerWriter.h"

namespace {

using namespace provider_test;

const std::string kChecker = std::string(TAVREL_SOURCE_DIR) + "/tests/container/cdx_check.py";

// Field types and, per record, the NULL fields, as dbfread and the format page's bit rule read them.
const char* kTypesAndNulls = R"(
import sys
sys.path.insert(0, sys.argv[2])
import cdx_check
fields, records, codepage = cdx_check.records(sys.argv[1])
print(' '.join(f.type + ('0' if f.nullable else '') for f in fields))
for number, deleted, raws, nulls, shorts in records:
    print(len(nulls))
)";

std::string checkIndex(const fs::path& dbf) { return python(readFile(kChecker), {dbf.string()}); }

const char* kCreate =
    "CREATE TABLE typed (id I NULL, amount N(12,2) NULL, ratio B NULL, born D NULL, stamp T NULL, code C(5) NULL, "
    "title_longer_than_ten V(40) NULL, notes M NULL, raw Q(8) NULL, pic W NULL, flag L NULL, price Y NULL)";
const std::vector<std::string> kRows = {
    "3, 12.5, 1.25, {^2024-02-29}, {^2024-02-29 13:45:10}, 'abc', 'Gr\xC3\xB6\xC3\x9F"
    "e', 'memo', 0h0102, 0hFF, "
    ".T., 12.3456",
    ".NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL.",
    "-7, -3, -0.5, {^1999-12-31}, {^1999-12-31 23:59:59}, 'abc', 'zz', '', 0h, 0h, .F., -1",
};

// The typed table with its rows; returns its file.
fs::path fillTyped(ado::Connection& db, const fs::path& source) {
  db.Execute(kCreate, -1);
  for (const std::string& row : kRows) db.Execute("INSERT INTO typed VALUES(" + row + ")", -1);
  return (fs::is_directory(source) ? source : source.parent_path()) / "typed.DBF";
}

// Runs `body(connection, folder, source, table file, container?)` on the typed table in an empty
// folder and in a copy of the Northwind container.
template <typename Body>
void inEachSource(Body&& body) {
  for (bool container : {false, true}) {
    SCOPED_TRACE(container ? "container" : "folder");
    TempFolder folder;
    fs::path source = container ? folder.copyFixture("northwind") / "northwind.dbc" : folder.path();
    auto db = open(source);
    fs::path dbf = fillTyped(*db, source);
    body(*db, folder, source, dbf, container);
  }
}

// python3-dbf reads a table of the types it knows (no V, Q, W) in which every field takes NULL
// (where its rule for the NULL bits is FoxPro's): structure and values.
const char* kPythonDbf = R"(
import dbf, sys
t = dbf.Table(sys.argv[1])
t.open(dbf.READ_ONLY)
print(t.structure())
for r in t:
    print([None if v is None or type(v).__name__ == 'NullType' else str(v).strip() for v in r])
)";

TEST(ProviderTyped, EveryTypeTakesNullAndReadsBack) {
  inEachSource([](ado::Connection& db, const TempFolder&, const fs::path&, const fs::path& dbf, bool container) {
    ado::Recordset rs = db.Execute("SELECT * FROM typed", -1);
    std::vector<std::string> seen;
    for (; !rs.Eof(); rs.MoveNext()) {
      std::string line;
      for (int i = 0; i < rs.Fields().Count(); ++i)
        line += (rs.Fields()[i].Value().isNull() ? "NULL" : rs.Fields()[i].Value().toText()) + "|";
      seen.push_back(line);
    }
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0],
              "3|12.50|1.25|2024-02-29|2024-02-29 13:45:10|abc  |Gr\xC3\xB6\xC3\x9F"
              "e|memo|\x01\x02|\xFF|1|12.3456|");
    EXPECT_EQ(seen[1], "NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|");
    // A container keeps the long field name; a free table stores ten characters.
    EXPECT_EQ(rs.Fields()[6].Name(), container ? "title_longer_than_ten" : "title_long");
    db.Execute(
        "CREATE TABLE plain (id I NULL, amount N(12,2) NULL, ratio B NULL, born D NULL, stamp T NULL, code C(5) NULL, "
        "notes M NULL, flag L NULL, price Y NULL)",
        -1);
    db.Execute(
        "INSERT INTO plain VALUES(3, 12.5, 1.25, {^2024-02-29}, {^2024-02-29 13:45:10}, 'abc', 'memo', .T., 12.3456)",
        -1);
    db.Execute("INSERT INTO plain VALUES(.NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL.)", -1);
    db.Close();
    EXPECT_EQ(python(kTypesAndNulls, {dbf.string(), fs::path(kChecker).parent_path().string()}),
              "I0 N0 B0 D0 T0 C0 V0 M0 Q0 W0 L0 Y0\n0\n12\n0\n");
    EXPECT_EQ(python(kPythonDbf, {(dbf.parent_path() / "plain.DBF").string()}),
              "['id I binary null', 'amount N(12,2) null', 'ratio B binary null', 'born D null', 'stamp T binary "
              "null', 'code C(5) null', 'notes M null', 'flag L null', 'price Y binary null']\n"
              "['3', '12.5', '1.25', '2024-02-29', '2024-02-29 13:45:10', 'abc', 'memo', 'True', '12.3456']\n"
              "[None, None, None, None, None, None, None, None, None]\n");
  });
}

TEST(ProviderTyped, TagsAreBuiltAsFoxProBuildsThemAndReportedBack) {
  inEachSource([](ado::Connection& db, const TempFolder& folder, const fs::path& source, const fs::path& dbf,
                  bool container) {
    // A free table knows the field by its ten characters only.
    const std::string title = container ? "title_longer_than_ten" : "title_long";
    for (const std::string& statement : std::vector<std::string>{
             std::string("INDEX ON id TAG id CANDIDATE"), "INDEX ON UPPER(" + title + ") TAG title",
             "INDEX ON code + STR(amount,12,2) + DTOS(born) + TTOC(stamp,1) + BINTOC(id) TAG multi",
             "INDEX ON amount TAG amount UNIQUE", "INDEX ON ratio TAG ratio DESCENDING", "INDEX ON born TAG born",
             "INDEX ON stamp TAG stamp", "INDEX ON flag TAG flag", "INDEX ON price TAG price", "INDEX ON raw TAG raw"})
      db.Execute(statement, -1);

    // A candidate tag over a duplicate key is refused, and nothing changes.
    Snapshot before = snapshot(folder.path());
    std::string message;
    EXPECT_EQ(errorNumber([&] { db.Execute("INDEX ON code TAG code CANDIDATE", -1); }, &message), 1884);
    EXPECT_EQ(message, "Uniqueness of index CODE is violated.");
    EXPECT_EQ(changed(before, snapshot(folder.path())), "");

    // The primary key is the container's: a free table has none.
    const char* primary = "ALTER TABLE typed ADD PRIMARY KEY STR(id) + code TAG pk";
    if (container) {
      db.Execute(primary, -1);
      EXPECT_EQ(errorNumber([&] { db.Execute("ALTER TABLE typed ADD PRIMARY KEY id TAG pk2", -1); }), 1001);
      auto container = fox::dbc::Container::open(source);
      const fox::dbc::Object* table = container->findObject("typed", "Table");
      ASSERT_TRUE(table);
      EXPECT_EQ(table->properties.text(fox::dbc::property::PrimaryKey).value_or(""), "pk");
      std::string recorded;
      for (const auto* index : container->children(*table, "Index"))
        recorded +=
            index->name + "=" + std::to_string(index->properties.find(fox::dbc::property::IsUnique)->value[0]) + " ";
      EXPECT_EQ(recorded, "amount=0 born=0 flag=0 id=1 multi=0 pk=1 price=0 ratio=0 raw=0 stamp=0 title=0 ");
    } else {
      EXPECT_EQ(errorNumber([&] { db.Execute(primary, -1); }), 1001);
    }

    // OpenSchema(adSchemaIndexes): name, key, primary key, candidate, FoxPro's UNIQUE, order.
    ado::Recordset rs = db.OpenSchema(ado::adSchemaIndexes, {{}, {}, {}, {}, std::string("typed")});
    std::string rows;
    for (; !rs.Eof(); rs.MoveNext()) {
      auto f = rs.Fields();
      rows += f["INDEX_NAME"].Value().toText() + ":" + f["COLUMN_NAME"].Value().toText() + ":" +
              (f["PRIMARY_KEY"].Value().toText() == "1" ? "P" : "") + (f["UNIQUE"].Value().toText() == "1" ? "C" : "") +
              (f["UNIQUE_KEYS"].Value().toText() == "1" ? "U" : "") + f["COLLATION"].Value().toText() + "\n";
    }
    EXPECT_EQ(rows, std::string("AMOUNT:amount:U1\nBORN:born:1\nFLAG:flag:1\nID:id:C1\n"
                                "MULTI:code + STR(amount,12,2) + DTOS(born) + TTOC(stamp,1) + BINTOC(id):1\n") +
                        (container ? "PK:STR(id) + code:PC1\n" : "") +
                        "PRICE:price:1\nRATIO:ratio:2\nRAW:raw:1\nSTAMP:stamp:1\nTITLE:UPPER(" + title + "):1\n");
    db.Close();

    EXPECT_EQ(fox::Table::open(dbf)->tableFlags() & 0x01, 1);
    std::string checked = checkIndex(dbf);
    for (const char* tag : {"AMOUNT", "BORN", "FLAG", "ID", "MULTI", "PRICE", "RATIO", "RAW", "STAMP", "TITLE"})
      EXPECT_NE(checked.find(std::string(tag) + " ok\n"), std::string::npos) << tag << "\n" << checked;
    if (container) {
      EXPECT_NE(checked.find("PK ok\n"), std::string::npos) << checked;
    }
    EXPECT_EQ(checked.find("(python3 failed)"), std::string::npos) << checked;
  });
}

// Values the table reader alone gets wrong for a key: a blank date in a nullable field is a value
// to FoxPro (ISNULL({}) is false), not NULL; a double is STR()'d as FoxPro shows it (2.675 → 2.68).
TEST(ProviderTyped, BlankValuesAndDoublesKeyAsFoxProKeysThem) {
  TempFolder folder;
  auto db = open(folder.path());
  db->Execute("CREATE TABLE edge (born D NULL, ratio B NULL)", -1);
  for (const char* row : {"{^2024-01-01}, 2.675", ".NULL., .NULL.", "{^2023-05-05}, 1.005"})
    db->Execute(std::string("INSERT INTO edge VALUES(") + row + ")", -1);
  db->Close();
  // The first record's date blanked as Visual FoxPro stores {} (its NULL bit stays clear).
  const fs::path dbf = folder / "edge.DBF";
  {
    std::fstream file(dbf, std::ios::in | std::ios::out | std::ios::binary);
    std::uint8_t head[12];
    file.read(reinterpret_cast<char*>(head), sizeof head);
    file.seekp(head[8] | head[9] << 8 | 1);
    file.write("        ", 8);
  }
  db = open(folder.path());
  for (const char* statement : {"USE edge", "INDEX ON born TAG born", "INDEX ON STR(ratio,10,2) TAG ratio"})
    db->Execute(statement, -1);
  db->Close();
  EXPECT_EQ(checkIndex(dbf), "BORN ok\nRATIO ok\n");
}

// A run stopped after the container recorded a primary key but before the new index replaced the
// old one leaves the container naming a tag the index lacks: adding the primary key again mends it.
TEST(ProviderTyped, PrimaryKeyTheIndexLacksCanBeAddedAgain) {
  TempFolder folder;
  const fs::path dbc = folder.copyFixture("northwind") / "northwind.dbc";
  auto db = open(dbc);
  db->Execute("CREATE TABLE keyed (id I)", -1);
  db->Execute("INSERT INTO keyed VALUES(1)", -1);
  db->Close();
  fox::dbc::recordIndexes(dbc, "keyed", {{"pk", true}}, "pk");
  db = open(dbc);
  db->Execute("ALTER TABLE keyed ADD PRIMARY KEY id TAG pk", -1);
  EXPECT_EQ(errorNumber([&] { db->Execute("ALTER TABLE keyed ADD PRIMARY KEY id TAG pk2", -1); }), 1001);
  db->Close();
  EXPECT_EQ(checkIndex(dbc.parent_path() / "keyed.DBF"), "PK ok\n");
}

// The checker itself, on the Northwind sample's own indexes: every tag Visual FoxPro wrote passes
// (keys computed for each, ALLTRIM(), STR() and nullable keys among them); the two files another
// program rewrote are caught (an empty tag, keys out of byte order, keys without their NULL byte).
TEST(IndexChecker, PassesVisualFoxProsIndexesAndCatchesOthers) {
  for (const auto& entry : fs::directory_iterator(fs::path(TAVREL_FIXTURES_DIR) / "northwind")) {
    std::string ext = entry.path().extension().string();
    if (ext != ".cdx" && ext != ".CDX") continue;
    std::string stem = entry.path().stem().string();
    for (char& c : stem) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    fs::path dbf = entry.path().parent_path() / (stem + ".dbf");
    std::string out = checkIndex(dbf);
    SCOPED_TRACE(entry.path().filename().string() + "\n" + out);
    if (ext == ".CDX") {
      EXPECT_NE(out.find("records indexed 0, expected"), std::string::npos);
    } else {
      EXPECT_EQ(out.find(" keys not computed"), std::string::npos);
      for (std::size_t at = 0; at < out.size(); at = out.find('\n', at) + 1)
        EXPECT_EQ(out.substr(out.find('\n', at) - 3, 3), " ok");
    }
  }
  std::string customers = checkIndex(fs::path(TAVREL_FIXTURES_DIR) / "northwind/customers.dbf");
  EXPECT_NE(customers.find("CITY keys out of order"), std::string::npos) << customers;
  EXPECT_NE(customers.find("REGION NULL-key bit False, expression over nullable fields True"), std::string::npos);

  // A copy with a free list in its tag's header and bytes past its last page.
  TempFolder folder;
  fs::path region = folder.copyFixture("northwind") / "region.cdx";
  std::string bytes = readFile(region);
  // The directory leaf's one entry: its 16 record bits are the tag header's offset.
  const std::size_t tag = static_cast<unsigned char>(bytes[1048]) | static_cast<unsigned char>(bytes[1049]) << 8;
  ASSERT_EQ(bytes.substr(tag + 12, 3), std::string("\x04\x00\x64", 3));  // REGIONID: key length 4, candidate
  bytes[tag + 5] = 0x02;
  std::ofstream(region, std::ios::binary) << bytes << "x";
  std::string damaged = checkIndex(region.parent_path() / "region.dbf");
  EXPECT_NE(damaged.find("whole pages"), std::string::npos) << damaged;
  EXPECT_NE(damaged.find("free list 0x200"), std::string::npos) << damaged;
  // A directory leaf whose right sibling is itself: a cycle reported, not walked for ever.
  std::ofstream(region, std::ios::binary) << readFile(fs::path(TAVREL_FIXTURES_DIR) / "northwind/region.cdx")
                                                 .replace(0x408, 4, std::string("\x00\x04\x00\x00", 4));
  damaged = checkIndex(region.parent_path() / "region.dbf");
  EXPECT_NE(damaged.find("repeated node pointer 0x400"), std::string::npos) << damaged;
}

}  // namespace
