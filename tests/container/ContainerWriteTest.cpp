// Changing containers: CREATE and DROP through the provider on copies of the fixture containers,
// checked with python-dbf, the engine and the rebuilt .dcx; failures and kills at every step and
// failed writes, syncs and renames; bad input; the lock.
#include "ContainerIndexCheck.h"
#include "Fixtures.h"
#include "foxpro-engine/Names.h"
#include "foxpro-engine/container/ContainerLock.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/foxpro/ProviderSupport.h"
#include "tests/support/Faults.h"
#include "tests/support/Unprivileged.h"

namespace {

using namespace provider_test;
using namespace fox::dbc;

// The .dbc as python-dbf reads it, as a table: "live|deleted ID PARENT TYPE NAME" per record.
std::vector<std::string> pythonCatalogue(const fs::path& dbc) {
  std::vector<std::string> out;
  for (auto& f : fixtures::pythonFacts("catalogue", dbc.string()))
    out.push_back(f.at(0) + " " + f.at(1) + " " + f.at(2) + " " + f.at(3) + " " + f.at(4));
  return out;
}

TEST(ContainerWrite, CreateAndDropOnACopyOfEachFixtureContainer) {
  const std::vector<std::string> fields = {"id", "a_very_long_field_name_number_one",
                                           "a_very_long_field_name_number_two", "note"};
  for (const auto& fixture : fixtures::containers()) {
    SCOPED_TRACE(fixture.folder);
    TempFolder temp;
    fs::path folder = temp.copyFixture(fixture.folder), dbc = folder / fixture.dbc;
    auto before = snapshot(folder);
    const std::size_t records = Container::open(dbc)->objects().size();

    // The statements the copy to a container sends: the table file in the container's folder.
    auto db = open(dbc);
    const std::string items = (folder / "Items.DBF").string();
    db->Execute("CREATE TABLE '" + items + "'([id] M,[" + fields[1] + "] M,[" + fields[2] + "] BLOB,[Note] M)", -1);
    db->Execute("INSERT INTO [" + items + "] VALUES('1', 'one', 0h4142, 'first')", -1);
    db->Execute("INSERT INTO [" + items + "] VALUES('2', 'two', 0h, 'second')", -1);

    // python-dbf reads the container with the new Table record and its Field records.
    auto py = pythonCatalogue(dbc);
    ASSERT_EQ(py.size(), records + 5);
    const std::string table = std::to_string(records + 1);
    for (std::size_t i = 0; i < 5; ++i)
      EXPECT_EQ(py[records + i], "live " + std::to_string(records + 1 + i) + " " +
                                     (i ? table + " Field " + fields[i - 1] : std::string("1 Table items")));

    // The engine reads the new table with its long names; its header has unique 10-character
    // names and a back-link to the container; the Table record says where its file is.
    ado::Recordset rs = db->Execute("SELECT * FROM \"Items\"", -1);
    std::string seen = std::to_string(rs.RecordCount());
    for (int i = 0; i < rs.Fields().Count(); ++i)
      seen += " " + rs.Fields()[i].Name() + "=" + rs.Fields()[i].Value().toText();
    EXPECT_EQ(seen, "2 id=1 " + fields[1] + "=one " + fields[2] + "=AB note=first");
    auto member = fox::Table::open(items);
    EXPECT_EQ(member->backlink(), fixture.dbc);
    EXPECT_EQ(member->fields()[1].name + " " + member->fields()[2].name, "A_VERY_LON A_VERY_LO2");
    auto property = Container::open(dbc)->table("items").object->properties;
    EXPECT_EQ(property.items().at(0).id, property::SubType);
    EXPECT_EQ(property.text(property::Path).value_or(""), "Items.DBF");
    expectIndexMatchesRecords(dbc);

    // DROP removes the new table and then one of the container's own tables.
    db->Execute("DROP TABLE [items]", -1);
    EXPECT_FALSE(fs::exists(items) || fs::exists(folder / "Items.FPT"));
    const std::string victim = Container::open(dbc)->tablesAndViews().front()->name;
    const fs::path victimFile = Container::open(dbc)->table(victim).dbf;
    db->Execute("DROP TABLE [" + victim + "]", -1);
    EXPECT_FALSE(fs::exists(victimFile));
    py = pythonCatalogue(dbc);
    EXPECT_EQ(py.size(), records + 5);
    for (const std::string& r : py)
      EXPECT_TRUE(r.starts_with("deleted") || !(r.ends_with(" items") || r.ends_with(" Table " + victim))) << r;
    expectIndexMatchesRecords(dbc);
    for (ado::Recordset schema = db->OpenSchema(ado::adSchemaTables); !schema.Eof(); schema.MoveNext()) {
      std::string name = schema.Fields()["TABLE_NAME"].Value().toText();
      EXPECT_FALSE(fox::sameName(name, victim) || name == "items");
    }

    // Every other file, the untouched members' included, is byte for byte as it was.
    std::istringstream changedFiles(changed(before, snapshot(folder)));
    for (std::string name; changedFiles >> name;) {
      std::string stem = fs::path(name).stem().string();
      EXPECT_TRUE(fox::sameName(stem, fs::path(fixture.dbc).stem().string()) ||
                  fox::sameName(stem, victimFile.stem().string()))
          << name;
    }
  }
}

// A change stopped at each of its steps, by an error there or by the process being killed there,
// leaves the container's files as they were, read alike by python-dbf; the next change goes
// through. (A kill leaves the new table's unreferenced file, unused .dct blocks and the
// unrenamed files.)
class ChangeStoppedAt : public ::testing::TestWithParam<Step> {};

TEST_P(ChangeStoppedAt, FailureOrKillLeavesTheContainerWhole) {
  const Step at = GetParam();
  TempFolder temp;
  fs::path folder = temp.copyFixture("dbf-gem/foxprodb"), dbc = folder / "FOXPRO-DB-TEST.DBC";
  auto before = snapshot(folder);
  const std::size_t records = pythonCatalogue(dbc).size();
  NewTable table{folder / "extra.dbf", {{"first_column_name", 'C', 10}, {"amount", 'N', 8, 2}}, {}};

  ChangeOptions failing, killing;
  failing.beforeStep = [&](Step s) {
    if (s == at) throw fox::Error(1105, "injected");
  };
  killing.beforeStep = [&](Step s) {
    if (s == at) faults::die();
  };
  EXPECT_THROW(addTable(dbc, table, failing), fox::Error);
  EXPECT_EQ(changed(before, snapshot(folder)), "");
  if (at == Step::WriteFiles || at == Step::Commit) {
    EXPECT_THROW(dropTable(dbc, "contacts", failing), fox::Error);
    EXPECT_EQ(changed(before, snapshot(folder)), "");
  }

  EXPECT_TRUE(faults::killedDuring([&] { addTable(dbc, table, killing); }));
  auto after = snapshot(folder);
  for (const char* file : {"FOXPRO-DB-TEST.DBC", "FOXPRO-DB-TEST.DCX"}) EXPECT_EQ(after.at(file), before.at(file));
  EXPECT_EQ(pythonCatalogue(dbc).size(), records);
  EXPECT_EQ(addTable(dbc, table), "extra");
  EXPECT_EQ(pythonCatalogue(dbc).size(), records + 3);
  expectIndexMatchesRecords(dbc);
}

std::string stepName(const ::testing::TestParamInfo<Step>& info) {
  static const char* const names[] = {"CreateTable", "AppendMemo", "WriteFiles", "Commit"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(ContainerWrite, ChangeStoppedAt,
                         ::testing::Values(Step::CreateTable, Step::AppendMemo, Step::WriteFiles, Step::Commit),
                         stepName);

// Each write, sync and rename of a CREATE and of a DROP fails in turn: before the new .dbc is in
// place the folder is as it was; when only the .dcx's rename fails after it, the change is made
// and the stale index is rebuilt by the next change.
TEST(ContainerWrite, FailedWriteSyncOrRenameAtEveryPoint) {
  for (bool drop : {false, true}) {
    for (fox::IoOperation operation : {fox::IoOperation::Write, fox::IoOperation::Sync, fox::IoOperation::Rename}) {
      int failed = 0;
      for (int n = 1;; ++n) {
        SCOPED_TRACE((drop ? "DROP, operation " : "CREATE, operation ") + std::to_string(static_cast<int>(operation)) +
                     " #" + std::to_string(n));
        TempFolder temp;
        fs::path folder = temp.copyFixture("dbf-gem/foxprodb"), dbc = folder / "FOXPRO-DB-TEST.DBC";
        auto before = snapshot(folder);
        bool fired, threw;
        {
          faults::FailNth fail(operation, n);
          threw = enginetest::errorOf([&] {
            if (drop)
              dropTable(dbc, "contacts");
            else
              addTable(dbc, {folder / "extra.dbf", {{"first_column_name", 'C', 10}}, {}});
          }) != 0;
          fired = fail.fired();
        }
        EXPECT_EQ(threw, fired);
        if (!fired) break;
        ++failed;
        bool listed = Container::open(dbc)->findObject(drop ? "contacts" : "extra", "Table") != nullptr;
        if (listed != drop) {  // the change was made
          EXPECT_EQ(operation, fox::IoOperation::Rename);
          rebuildIndex(dbc);
          expectIndexMatchesRecords(dbc);
        } else {
          EXPECT_EQ(changed(before, snapshot(folder)), "");
        }
      }
      EXPECT_GE(failed, 2);  // the new .dbc and .dcx are each written, synced and renamed
    }
  }
}

// Tables named by their files: a member's file replaced by CREATE (the member keeping its name),
// a path without extension (the .dbf), a name that is no table of the container but a file
// beside it (the table "expense details" is expense_details in the container), and CREATE … FREE.
// A change rebuilds a missing index, and one that belongs to another container, from the records.
TEST(ContainerWrite, TablesNamedByTheirFilesAndIndexesRebuilt) {
  TempFolder temp;
  fs::path folder = temp.copyFixture("go-dbase/database"), dbc = folder / "EXPENSES.DBC";
  fs::remove(folder / "EXPENSES.DCX");
  auto db = open(dbc);

  // CREATE over a member's file replaces the member: one table of that name, the new fields,
  // the old memo and index gone with the old table.
  db->Execute("CREATE TABLE '" + (folder / "EMPLOYEES.DBF").string() + "'([replacement_column] M)", -1);
  auto container = Container::open(dbc);
  std::size_t named = 0;
  for (const Object* o : container->tablesAndViews()) named += o->name == "employees" ? 1 : 0;
  EXPECT_EQ(named, 1u);
  EXPECT_EQ(container->table("employees").fieldNames, std::vector<std::string>{"replacement_column"});
  EXPECT_FALSE(fs::exists(folder / "employees.FPT") || fs::exists(folder / "employees.CDX"));
  expectIndexMatchesRecords(dbc);
  // A member named otherwise than its file keeps its name when replaced: its rows reach it.
  addTable(dbc, {folder / "cust.dbf", {{"v", 'M'}}, {}, "Customers"});
  db->Execute("CREATE TABLE [customers]([w] M)", -1);
  db->Execute("INSERT INTO [customers] VALUES('new')", -1);
  EXPECT_EQ(Container::open(dbc)->table("Customers").fieldNames, std::vector<std::string>{"w"});
  EXPECT_EQ(Container::open(dbc)->table("Customers").dbf, folder / "cust.dbf");

  db->Execute("CREATE TABLE 'items'([x] M)", -1);
  db->Execute("INSERT INTO [" + (folder / "items").string() + "] VALUES('1')", -1);
  EXPECT_EQ(db->Execute("SELECT * FROM [" + (folder / "items").string() + "]", -1).RecordCount(), 1);
  EXPECT_EQ(db->Execute("SELECT * FROM \"expense categories\"", -1).RecordCount(), 5);
  // DROP takes the member's files; EXPENSE DETAILS.DBF is another table on this file system.
  fs::copy_file(folder / "expense categories.dbf", folder / "EXPENSE DETAILS.DBF");
  fs::copy_file(fixtures::fixturePath("northwind/northwind.dcx"), indexFileOf(dbc), fs::copy_options::overwrite_existing);
  db->Execute("DROP TABLE [expense details]", -1);
  expectIndexMatchesRecords(dbc);
  EXPECT_FALSE(Container::open(dbc)->findObject("expense_details", "Table"));
  EXPECT_FALSE(fs::exists(folder / "expense details.dbf") || fs::exists(folder / "expense details.CDX"));
  EXPECT_TRUE(fs::exists(folder / "EXPENSE DETAILS.DBF"));

  // A free table beside the container: long names shortened uniquely as in a folder; never over
  // a member's file.
  auto before = snapshot(folder);
  EXPECT_EQ(errorNumber([&] { db->Execute("CREATE TABLE 'employees' FREE ([x] M)", -1); }), err::NameInUse);
  EXPECT_EQ(changed(before, snapshot(folder)), "");
  db->Execute("CREATE TABLE 'loose' FREE ([a_long_column_name] M,[a_long_column_name_too] M)", -1);
  db->Execute("INSERT INTO [loose] VALUES('1', '2')", -1);
  ado::Recordset rs = db->Execute("SELECT * FROM loose", -1);
  EXPECT_EQ(rs.Fields()[0].Name() + " " + rs.Fields()[1].Name() + "=" + rs.Fields()[1].Value().toText(),
            "a_long_col a_long_co2=2");
  EXPECT_EQ(fox::Table::open(folder / "loose.DBF")->backlink(), "");
  EXPECT_EQ(changed(before, snapshot(folder)), "loose.DBF loose.FPT ");
}

TEST(ContainerWrite, BadInputIsAClearErrorAndChangesNothing) {
  TempFolder temp;
  fs::path folder = temp.copyFixture("go-dbase/database"), dbc = folder / "EXPENSES.DBC";

  // Not a container: a plain table, and bytes that are no table at all.
  fs::copy_file(folder / "expense details.dbf", folder / "plain.dbc");
  std::ofstream(folder / "junk.dbc") << "this is not a database";
  EXPECT_EQ(errorNumber([&] { open(folder / "plain.dbc"); }), err::NotADatabase);
  EXPECT_NE(errorNumber([&] { open(folder / "junk.dbc"); }), 0);

  auto before = snapshot(folder);
  auto db = open(dbc);
  auto refused = [&](const std::string& statement) { return errorNumber([&] { db->Execute(statement, -1); }); };
  // Names FoxPro does not allow: 129 characters, a leading digit; a table outside the container's
  // folder.
  const std::string longName(129, 'a'), t1 = (folder / "t1.dbf").string();
  EXPECT_EQ(refused("CREATE TABLE '" + t1 + "'([" + longName + "] M)"), fox::err::InvalidName);
  EXPECT_EQ(refused("CREATE TABLE '" + (folder / (longName + ".dbf")).string() + "'([a] M)"), fox::err::InvalidName);
  EXPECT_EQ(refused("CREATE TABLE '" + t1 + "'([1st] M)"), fox::err::InvalidName);
  fs::create_directory(folder / "sub");
  EXPECT_EQ(refused("CREATE TABLE '" + (folder / "sub" / "employees.dbf").string() + "'([a] M)"), 202);
  fs::remove(folder / "sub");
  EXPECT_EQ(refused("DROP TABLE [nosuchtable]"), fox::err::FileNotFound);
  EXPECT_EQ(changed(before, snapshot(folder)), "");

  // A member whose back-link names another container: reading and dropping it are refused.
  std::string table = readFile(folder / "expense details.dbf");
  std::size_t backlink = table.find("expenses.dbc");
  ASSERT_NE(backlink, std::string::npos);
  table.replace(backlink, 12, "otherdb.dbc\0", 12);
  std::ofstream(folder / "expense details.dbf", std::ios::binary) << table;
  before = snapshot(folder);
  EXPECT_EQ(refused("SELECT * FROM \"expense_details\""), err::BelongsElsewhere);
  EXPECT_EQ(refused("DROP TABLE [expense_details]"), err::BelongsElsewhere);
  EXPECT_EQ(changed(before, snapshot(folder)), "");

  // A member whose file is missing: listed, an error when opened, and DROP takes it out.
  fs::remove(folder / "employees.dbf");
  EXPECT_EQ(Container::open(dbc)->tablesAndViews().size(), 4u);
  EXPECT_EQ(refused("SELECT * FROM \"employees\""), fox::err::FileNotFound);
  db->Execute("DROP TABLE [employees]", -1);
  EXPECT_EQ(Container::open(dbc)->tablesAndViews().size(), 3u);
  expectIndexMatchesRecords(dbc);
  db->Close();

  // Without its .dct the container does not open.
  fs::remove(folder / "EXPENSES.DCT");
  before = snapshot(folder);
  EXPECT_EQ(errorNumber([&] { open(dbc); }), fox::err::MemoFileInvalid);
  EXPECT_EQ(changed(before, snapshot(folder)), "");
}

TEST(ContainerWrite, ReadOnlyFolderIsRefusedWithoutChange) {
  TempFolder temp;
  fs::path folder = temp.copyFixture("dbf-gem/foxprodb");
  fs::permissions(temp.path(), fs::perms::all);  // reachable by the unprivileged child
  for (const auto& entry : fs::directory_iterator(folder)) fs::permissions(entry, fs::perms::all);
  auto readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec |
                  fs::perms::others_read | fs::perms::others_exec;
  fs::permissions(folder, readOnly);
  auto before = snapshot(folder);
  EXPECT_TRUE(unprivileged::holds([&] {
    return enginetest::errorOf([&] {
             addTable(folder / "FOXPRO-DB-TEST.DBC", {folder / "x.dbf", {{"a", 'I'}}, {}});
           }) != 0;
  }));
  EXPECT_TRUE(unprivileged::holds(
      [&] { return enginetest::errorOf([&] { dropTable(folder / "FOXPRO-DB-TEST.DBC", "types"); }) != 0; }));
  EXPECT_EQ(changed(before, snapshot(folder)), "");
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);  // so the folder can be removed
}

// Two programs: a change waits briefly for another's lock on the container, then gives a clear
// error; a table one connection is filling is neither dropped nor replaced by another.
TEST(ContainerWrite, LocksKeepTwoWritersApart) {
  TempFolder temp;
  fs::path folder = temp.copyFixture("dbf-gem/foxprodb"), dbc = folder / "FOXPRO-DB-TEST.DBC";
  ChangeOptions quick;
  quick.lockWait = std::chrono::milliseconds(100);
  {
    ContainerLock held(dbc, std::chrono::milliseconds(0));
    auto before = snapshot(folder);
    EXPECT_EQ(enginetest::errorOf([&] { dropTable(dbc, "types", quick); }), fox::err::FileInUse);
    EXPECT_EQ(changed(before, snapshot(folder)), "");
  }
  dropTable(dbc, "types", quick);
  // The lock follows the container file when a change has replaced it.
  { ContainerLock again(dbc, std::chrono::milliseconds(0)); }

  auto writer = open(dbc), other = open(dbc);
  writer->Execute("CREATE TABLE 'filling'([a] M)", -1);
  writer->Execute("INSERT INTO [filling] VALUES('1')", -1);
  auto before = snapshot(folder);
  EXPECT_EQ(errorNumber([&] { other->Execute("DROP TABLE [filling]", -1); }), fox::err::FileInUse);
  EXPECT_EQ(errorNumber([&] { other->Execute("CREATE TABLE 'filling'([b] M)", -1); }), fox::err::FileInUse);
  EXPECT_EQ(changed(before, snapshot(folder)), "");
  writer->Close();
  other->Execute("DROP TABLE [filling]", -1);
  EXPECT_FALSE(fs::exists(folder / "filling.DBF"));
}

}  // namespace
