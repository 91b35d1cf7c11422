// Changing containers: CREATE and DROP through the provider on copies of the fixture containers,
// checked with python-dbf, the engine and the rebuilt .dcx; failures injected at every step;
// bad input; the lock; foxsql on a container.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>

#include "Fixtures.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/Table.h"
#include "foxpro-engine/container/CompoundIndex.h"
#include "foxpro-engine/container/Container.h"
#include "foxpro-engine/container/ContainerIndex.h"
#include "foxpro-engine/container/ContainerLock.h"
#include "foxpro-engine/container/ContainerWriter.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "platform/ado/Recordset.h"
#include "platform/foxpro/FoxProProvider.h"

namespace {

namespace fs = std::filesystem;
using fixtures::readAll;
using fixtures::TempDir;
using namespace fox::dbc;

const char* kCreate =
    "CREATE TABLE '%s'([id] M,[a_very_long_field_name_number_one] M,[a_very_long_field_name_number_two] BLOB,"
    "[Note] M)";

std::string format(const char* pattern, const std::string& arg) {
  std::string out = pattern;
  return out.replace(out.find("%s"), 2, arg);
}

std::string connectionString(const fs::path& dbc) {
  return "Provider=vfpoledb.1;Data Source=" + dbc.string() + ";Collating Sequence=machine;";
}

// Every file of a folder and its bytes.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(folder)) files[e.path().filename().string()] = readAll(e.path());
  return files;
}

// The .dcx must hold exactly the keys of the live catalogue records.
void expectIndexMatchesRecords(const fs::path& dbc) {
  auto container = Container::open(dbc);
  std::vector<IndexRecord> records;
  for (const Object& o : container->objects())
    records.push_back({o.record, o.deleted, o.parentId, o.storedType, o.storedName});
  auto expected = containerIndexTags(records, container->codePage());
  auto actual = fox::cdx::readFile(indexFileOf(dbc));
  ASSERT_EQ(actual.tags.size(), 2u);
  for (const auto& tag : expected) {
    const fox::cdx::Tag* got = actual.find(tag.info.name);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->keys, tag.keys) << tag.info.name;
  }
}

struct PyRecord {
  bool live;
  int id, parent;
  std::string type, name;
};

std::vector<PyRecord> pythonCatalogue(const fs::path& dbc) {
  std::vector<PyRecord> out;
  for (auto& f : fixtures::pythonFacts("catalogue", dbc.string()))
    out.push_back({f.at(0) == "live", std::stoi(f.at(1)), std::stoi(f.at(2)), f.at(3), f.at(4)});
  return out;
}

class ContainerWrite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { foxpro::registerFoxProProvider(); }
};

TEST_F(ContainerWrite, CreateAndDropOnACopyOfEachFixtureContainer) {
  for (const auto& fixture : fixtures::containers()) {
    SCOPED_TRACE(fixture.folder);
    TempDir temp;
    fs::path folder = temp.copyFolder(fixture.folder);
    fs::path dbc = folder / fixture.dbc;
    auto before = snapshot(folder);
    std::size_t recordsBefore = Container::open(dbc)->objects().size();

    ado::Connection c;
    c.Open(connectionString(dbc));
    fs::path items = folder / "Items.DBF";
    c.Execute(format(kCreate, items.string()));
    c.Execute("INSERT INTO [" + items.string() + "] VALUES('1', 'one', 0h4142, 'first')");
    c.Execute("INSERT INTO [" + items.string() + "] VALUES('2', 'two', 0h, 'second')");

    // python-dbf reads the container with the new Table and Field records.
    auto py = pythonCatalogue(dbc);
    ASSERT_EQ(py.size(), recordsBefore + 5);
    const PyRecord& table = py[recordsBefore];
    EXPECT_TRUE(table.live);
    EXPECT_EQ(table.id, static_cast<int>(recordsBefore + 1));
    EXPECT_EQ(table.parent, 1);
    EXPECT_EQ(table.type, "Table");
    EXPECT_EQ(table.name, "items");
    const char* fields[] = {"id", "a_very_long_field_name_number_one", "a_very_long_field_name_number_two", "note"};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(py[recordsBefore + 1 + i].type, "Field");
      EXPECT_EQ(py[recordsBefore + 1 + i].parent, table.id);
      EXPECT_EQ(py[recordsBefore + 1 + i].name, fields[i]);
    }

    // The engine lists and reads the new table, with its long names; its header has unique
    // 10-character names and a back-link to the container.
    ado::Recordset rs = c.Execute("SELECT * FROM \"Items\"");
    ASSERT_EQ(rs.Fields().Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(rs.Fields()[i].Name(), fields[i]);
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.Fields()[1].Value().toText(), "one");
    rs.Close();
    auto member = fox::Table::open(items);
    EXPECT_EQ(member->backlink(), fixture.dbc);
    EXPECT_EQ(member->fields()[1].name, "A_VERY_LON");
    EXPECT_EQ(member->fields()[2].name, "A_VERY_LO2");
    auto property = Container::open(dbc)->table("items").object->properties;
    EXPECT_EQ(property.items().at(0).id, property::SubType);
    EXPECT_EQ(property.text(property::Path).value_or(""), "Items.DBF");
    expectIndexMatchesRecords(dbc);

    // Nothing else changed: every member table's files are as they were.
    auto after = snapshot(folder);
    for (const auto& [name, bytes] : before) {
      if (fox::dbc::sameText(fs::path(name).stem().string(), fs::path(fixture.dbc).stem().string())) continue;
      EXPECT_EQ(after.at(name), bytes) << name;
    }

    // DROP removes the new table and then one of the container's own tables.
    c.Execute("DROP TABLE [items]");
    EXPECT_FALSE(fs::exists(items));
    EXPECT_FALSE(fs::exists(folder / "Items.FPT"));
    std::string victim = Container::open(dbc)->tablesAndViews().front()->name;
    fs::path victimFile = Container::open(dbc)->table(victim).dbf;
    c.Execute("DROP TABLE [" + victim + "]");
    EXPECT_FALSE(fs::exists(victimFile));
    py = pythonCatalogue(dbc);
    EXPECT_EQ(py.size(), recordsBefore + 5);
    for (const PyRecord& r : py) {
      if (!r.live) continue;
      EXPECT_NE(r.name, "items");
      EXPECT_FALSE(r.type == "Table" && r.name == victim);
    }
    expectIndexMatchesRecords(dbc);
    bool listed = false;
    ado::Recordset schema = c.OpenSchema(ado::adSchemaTables);
    for (; !schema.Eof(); schema.MoveNext()) {
      std::string n = schema.Fields()["TABLE_NAME"].Value().toText();
      listed = listed || fox::dbc::sameText(n, victim) || n == "items";
    }
    EXPECT_FALSE(listed);
    c.Close();
  }
}

// A failure before the commit leaves all three container files and the folder as they were.
TEST_F(ContainerWrite, FailureAtEveryStepLeavesTheContainerWhole) {
  for (Step failAt : {Step::CreateTable, Step::AppendMemo, Step::WriteFiles, Step::Commit}) {
    SCOPED_TRACE(static_cast<int>(failAt));
    TempDir temp;
    fs::path folder = temp.copyFolder("dbf-gem/foxprodb");
    fs::path dbc = folder / "FOXPRO-DB-TEST.DBC";
    auto before = snapshot(folder);
    ChangeOptions options;
    options.beforeStep = [&](Step s) {
      if (s == failAt) throw fox::Error(1105, "injected");
    };
    NewTable table{folder / "extra.dbf", {{"first_column_name", 'C', 10}, {"amount", 'N', 8, 2}}, {}};
    EXPECT_THROW(addTable(dbc, table, options), fox::Error);
    EXPECT_EQ(snapshot(folder), before);
    if (failAt == Step::WriteFiles || failAt == Step::Commit) {
      EXPECT_THROW(dropTable(dbc, "contacts", options), fox::Error);
      EXPECT_EQ(snapshot(folder), before);
    }
  }
  // Without a failure the same change goes through.
  TempDir temp;
  fs::path folder = temp.copyFolder("dbf-gem/foxprodb");
  NewTable table{folder / "extra.dbf", {{"first_column_name", 'C', 10}}, {}};
  EXPECT_EQ(addTable(folder / "FOXPRO-DB-TEST.DBC", table), "extra");
  expectIndexMatchesRecords(folder / "FOXPRO-DB-TEST.DBC");
}

TEST_F(ContainerWrite, MissingOrStaleIndexIsRebuiltByTheFirstChange) {
  TempDir temp;
  fs::path folder = temp.copyFolder("go-dbase/database");
  fs::path dbc = folder / "EXPENSES.DBC";
  fs::remove(folder / "EXPENSES.DCX");
  EXPECT_EQ(Container::open(dbc)->tablesAndViews().size(), 4u);
  addTable(dbc, {folder / "new one.dbf", {{"id", 'I'}}, {}});
  EXPECT_EQ(Container::open(dbc)->tablesAndViews().back()->name, "new_one");
  expectIndexMatchesRecords(dbc);
  ASSERT_TRUE(fs::exists(folder / "EXPENSES.dcx") || fs::exists(folder / "EXPENSES.DCX"));

  fs::copy_file(fixtures::fixturePath("northwind/northwind.dcx"), indexFileOf(dbc), fs::copy_options::overwrite_existing);
  dropTable(dbc, "NEW_ONE");
  expectIndexMatchesRecords(dbc);
}

TEST_F(ContainerWrite, CreateOverAMemberFileReplacesTheMember) {
  TempDir temp;
  fs::path folder = temp.copyFolder("go-dbase/database");
  fs::path dbc = folder / "EXPENSES.DBC";
  ado::Connection c;
  c.Open(connectionString(dbc));
  c.Execute("CREATE TABLE '" + (folder / "EMPLOYEES.DBF").string() + "'([replacement_column] M)");
  auto container = Container::open(dbc);
  std::size_t named = 0;
  for (const Object* o : container->tablesAndViews()) named += o->name == "employees" ? 1 : 0;
  EXPECT_EQ(named, 1u);
  EXPECT_EQ(container->table("employees").fieldNames, std::vector<std::string>{"replacement_column"});
  EXPECT_FALSE(fs::exists(folder / "employees.FPT"));  // the old memo and index went with the old table
  EXPECT_FALSE(fs::exists(folder / "employees.CDX"));
  expectIndexMatchesRecords(dbc);
  c.Close();
}

// As in a folder, a path without extension means the .dbf, and a name that is no table of the
// container names a file: the table "expense categories" sent before is expense_categories here.
TEST_F(ContainerWrite, TablesAreFoundByTheirFilesAsInAFolder) {
  TempDir temp;
  fs::path folder = temp.copyFolder("go-dbase/database");
  fs::path dbc = folder / "EXPENSES.DBC";
  ado::Connection c;
  c.Open(connectionString(dbc));
  c.Execute("CREATE TABLE 'items'([x] M)");
  c.Execute("INSERT INTO [" + (folder / "items").string() + "] VALUES('1')");
  EXPECT_EQ(c.Execute("SELECT * FROM [" + (folder / "items").string() + "]").RecordCount(), 1);
  EXPECT_EQ(c.Execute("SELECT * FROM \"expense categories\"").RecordCount(), 5);
  // DROP takes the member's files; EXPENSE DETAILS.DBF is another table on this file system.
  fs::copy_file(folder / "expense categories.dbf", folder / "EXPENSE DETAILS.DBF");
  c.Execute("DROP TABLE [expense details]");
  EXPECT_FALSE(Container::open(dbc)->findObject("expense_details", "Table"));
  EXPECT_FALSE(fs::exists(folder / "expense details.dbf") || fs::exists(folder / "expense details.CDX"));
  EXPECT_TRUE(fs::exists(folder / "EXPENSE DETAILS.DBF"));
  c.Close();
}

int errorOf(const std::function<void()>& f);

// CREATE … FREE beside a container: a free table, its long names shortened uniquely as in a
// folder; never over a member's file.
TEST_F(ContainerWrite, FreeTablesBesideAContainer) {
  TempDir temp;
  fs::path folder = temp.copyFolder("go-dbase/database");
  fs::path dbc = folder / "EXPENSES.DBC";
  ado::Connection c;
  c.Open(connectionString(dbc));
  auto before = snapshot(folder);
  EXPECT_EQ(errorOf([&] { c.Execute("CREATE TABLE 'employees' FREE ([x] M)"); }), err::NameInUse);
  EXPECT_EQ(snapshot(folder), before);
  c.Execute("CREATE TABLE 'loose' FREE ([a_long_column_name] M,[a_long_column_name_too] M)");
  c.Execute("INSERT INTO [loose] VALUES('1', '2')");
  ado::Recordset rs = c.Execute("SELECT * FROM loose");
  EXPECT_EQ(rs.Fields()[0].Name() + " " + rs.Fields()[1].Name(), "a_long_col a_long_co2");
  EXPECT_EQ(rs.Fields()[1].Value().toText(), "2");
  EXPECT_EQ(fox::Table::open(folder / "loose.dbf")->backlink(), "");
  EXPECT_EQ(snapshot(folder).at("EXPENSES.DBC"), before.at("EXPENSES.DBC"));
  c.Close();
}

int errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const fox::Error& e) {
    return e.number();
  } catch (const ado::Error& e) {
    return static_cast<int>(e.Number());
  }
  return 0;
}

TEST_F(ContainerWrite, BadInputIsAClearErrorAndChangesNothing) {
  TempDir temp;
  fs::path folder = temp.copyFolder("go-dbase/database");
  fs::path dbc = folder / "EXPENSES.DBC";

  // Not a container: a plain table, and bytes that are no table at all.
  fs::copy_file(folder / "expense details.dbf", folder / "plain.dbc");
  fixtures::writeAll(folder / "junk.dbc", "this is not a database");
  for (const char* file : {"plain.dbc", "junk.dbc"}) {
    ado::Connection c;
    EXPECT_NE(errorOf([&] { c.Open(connectionString(folder / file)); }), 0) << file;
  }
  EXPECT_EQ(errorOf([&] { Container::open(folder / "plain.dbc"); }), err::NotADatabase);

  auto before = snapshot(folder);
  ado::Connection c;
  c.Open(connectionString(dbc));
  // Names FoxPro does not allow: 129 characters, a leading digit; and a name already in use.
  std::string longName(129, 'a');
  EXPECT_EQ(errorOf([&] { c.Execute("CREATE TABLE '" + (folder / "t1.dbf").string() + "'([" + longName + "] M)"); }),
            fox::err::InvalidName);
  EXPECT_EQ(errorOf([&] { c.Execute("CREATE TABLE '" + (folder / (longName + ".dbf")).string() + "'([a] M)"); }),
            fox::err::InvalidName);
  EXPECT_EQ(errorOf([&] { c.Execute("CREATE TABLE '" + (folder / "t1.dbf").string() + "'([1st] M)"); }),
            fox::err::InvalidName);
  fs::create_directory(folder / "sub");
  EXPECT_EQ(errorOf([&] { c.Execute("CREATE TABLE '" + (folder / "sub" / "employees.dbf").string() + "'([a] M)"); }),
            err::NameInUse);
  EXPECT_EQ(errorOf([&] { c.Execute("DROP TABLE [nosuchtable]"); }), fox::err::FileNotFound);
  fs::remove(folder / "sub");
  EXPECT_EQ(snapshot(folder), before);

  // A member whose back-link names another container: reading and dropping it are refused.
  std::string table = readAll(folder / "expense details.dbf");
  std::size_t backlink = table.find("expenses.dbc");
  ASSERT_NE(backlink, std::string::npos);
  table.replace(backlink, 12, "otherdb.dbc\0", 12);
  fixtures::writeAll(folder / "expense details.dbf", table);
  before = snapshot(folder);
  EXPECT_EQ(errorOf([&] { c.Execute("SELECT * FROM \"expense_details\""); }), err::BelongsElsewhere);
  EXPECT_EQ(errorOf([&] { c.Execute("DROP TABLE [expense_details]"); }), err::BelongsElsewhere);
  EXPECT_EQ(snapshot(folder), before);

  // A member whose file is missing: listed, an error when opened, and DROP takes it out.
  fs::remove(folder / "employees.dbf");
  EXPECT_EQ(Container::open(dbc)->tablesAndViews().size(), 4u);
  EXPECT_EQ(errorOf([&] { c.Execute("SELECT * FROM \"employees\""); }), fox::err::FileNotFound);
  c.Execute("DROP TABLE [employees]");
  EXPECT_EQ(Container::open(dbc)->tablesAndViews().size(), 3u);
  expectIndexMatchesRecords(dbc);
  c.Close();

  // Without its .dct the container does not open.
  fs::remove(folder / "EXPENSES.DCT");
  before = snapshot(folder);
  ado::Connection d;
  EXPECT_EQ(errorOf([&] { d.Open(connectionString(dbc)); }), fox::err::MemoFileInvalid);
  EXPECT_EQ(snapshot(folder), before);
}

TEST_F(ContainerWrite, ReadOnlyFolderIsRefusedWithoutChange) {
  TempDir temp;
  fs::path folder = temp.copyFolder("dbf-gem/foxprodb");
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(folder.c_str(), W_OK) == 0) {
    fs::permissions(folder, fs::perms::owner_all);
    GTEST_SKIP() << "running as root: permissions do not stop writes here";
  }
  auto before = snapshot(folder);
  EXPECT_NE(errorOf([&] { addTable(folder / "FOXPRO-DB-TEST.DBC", {folder / "x.dbf", {{"a", 'I'}}, {}}); }), 0);
  EXPECT_NE(errorOf([&] { dropTable(folder / "FOXPRO-DB-TEST.DBC", "types"); }), 0);
  EXPECT_EQ(snapshot(folder), before);
  fs::permissions(folder, fs::perms::owner_all);
}

TEST_F(ContainerWrite, ASecondWriterWaitsBrieflyThenGetsAClearError) {
  TempDir temp;
  fs::path folder = temp.copyFolder("dbf-gem/foxprodb");
  fs::path dbc = folder / "FOXPRO-DB-TEST.DBC";
  ChangeOptions quick;
  quick.lockWait = std::chrono::milliseconds(100);
  {
    ContainerLock held(dbc, std::chrono::milliseconds(0));
    auto before = snapshot(folder);
    EXPECT_EQ(errorOf([&] { dropTable(dbc, "types", quick); }), fox::err::FileInUse);
    EXPECT_EQ(snapshot(folder), before);
  }
  dropTable(dbc, "types", quick);
  // The lock follows the container file when a change has replaced it.
  ContainerLock again(dbc, std::chrono::milliseconds(0));
}

// A table one connection is filling is neither dropped nor replaced by another.
TEST_F(ContainerWrite, ATableAnotherConnectionWritesStays) {
  TempDir temp;
  fs::path folder = temp.copyFolder("dbf-gem/foxprodb");
  fs::path dbc = folder / "FOXPRO-DB-TEST.DBC";
  ado::Connection writer, other;
  writer.Open(connectionString(dbc));
  other.Open(connectionString(dbc));
  writer.Execute("CREATE TABLE 'filling'([a] M)");
  writer.Execute("INSERT INTO [filling] VALUES('1')");
  auto before = snapshot(folder);
  EXPECT_EQ(errorOf([&] { other.Execute("DROP TABLE [filling]"); }), fox::err::FileInUse);
  EXPECT_EQ(errorOf([&] { other.Execute("CREATE TABLE 'filling'([b] M)"); }), fox::err::FileInUse);
  EXPECT_EQ(snapshot(folder), before);
  writer.Close();
  other.Execute("DROP TABLE [filling]");
  EXPECT_FALSE(fs::exists(folder / "filling.dbf"));
}

TEST_F(ContainerWrite, FoxsqlWorksOnAContainerAsOnAFolder) {
  TempDir temp;
  fs::path folder = temp.copyFolder("northwind");
  std::string command = std::string(TAVREL_BUILD_DIR) + "/foxsql --json '" + (folder / "northwind.dbc").string() +
                        "' .tables 'SELECT * FROM \"Region\"' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  EXPECT_EQ(::pclose(pipe), 0) << out;
  EXPECT_NE(out.find("\"OrderDetails\""), std::string::npos) << out;
  EXPECT_NE(out.find("regiondescription"), std::string::npos) << out;
  EXPECT_NE(out.find("Eastern"), std::string::npos) << out;
}

}  // namespace
