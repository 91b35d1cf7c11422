// `tavrel copy --typed` as a scheduled job runs it (CliTest.h), against the throwaway MariaDB
// and real FoxPro files: a MySQL table of every type through a free folder and a container and
// back, read with dbfread and every tag checked by cdx_check.py; the Northwind container's tags
// to MySQL indexes; and a value each direction refuses.
#include <sstream>

#include "CliTest.h"
#include "transfer/TypedKeys.h"

namespace {

using namespace clitest;

const std::string kSource = TAVREL_SOURCE_DIR;

class TypedCopy : public clitest::CliTest {
 protected:
  // tavrel with `foxpro` as the FoxPro side (a .dbc or a folder).
  Outcome tavrel(std::vector<std::string> args, const fs::path& foxpro) {
    args.insert(args.end(), {foxpro.extension() == ".dbc" ? "--dbc" : "--free-folder", foxpro.string(), "--quiet"});
    return CliTest::tavrel(args);
  }

  provider_test::TempFolder work_;
};

std::string readTable(const fs::path& dbf) {
  return provider_test::python(provider_test::readFile(kSource + "/tests/cli/typed_read.py"),
                               {dbf.string(), kSource + "/tests/container"});
}
std::string checkTags(const fs::path& dbf) {
  return provider_test::python(provider_test::readFile(kSource + "/tests/container/cdx_check.py"), {dbf.string()});
}

// Every type of the mapping, NULL in every column that takes it, a composite primary key, a
// unique and a plain index over two columns.
TEST_F(TypedCopy, EveryTypeToFoxProAndBack) {
  const std::vector<std::string> everyType = testfiles::parts("cli/data/every_type.sql", ";\n");
  sql(everyType);
  const std::vector<std::string> original = sql({"SELECT * FROM every_type ORDER BY id, part"});
  for (bool container : {false, true}) {
    SCOPED_TRACE(container ? "container" : "folder");
    const fs::path folder = container ? work_.copyFixture("northwind") : work_.path() / "free";
    fs::create_directories(folder);
    const fs::path foxpro = container ? folder / "northwind.dbc" : folder;

    // Every value fits its typed column; FoxPro computes with BIGINT UNSIGNED's largest as a double.
    Outcome run = tavrel({"check", "to-foxpro", "--typed", "every_type"}, foxpro);
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(run.out,
              "every_type: column ubig: row 1: 18446744073709551615 has more digits than a double holds: the N field "
              "stores them, but FoxPro computes with and indexes 18446744073709551616\n"
              "every_type: 3 rows: 1 finding\n");
    run = tavrel({"copy", "to-foxpro", "--typed", "every_type"}, foxpro);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(tavrel({"verify", "to-foxpro", "--typed", "every_type"}, foxpro).status, 0);
    EXPECT_EQ(run.out.substr(0, run.out.find('\t')), "every_type");
    EXPECT_EQ(run.out.find("left out"), std::string::npos) << run.out;
    const fs::path dbf = folder / "every_type.DBF";
    // The FoxPro table as dbfread reads it (the memo "line\nbreak" breaks its row's line).
    EXPECT_EQ(readTable(dbf), testfiles::text("cli/data/every_type_dbfread.txt"));
    EXPECT_EQ(checkTags(dbf), "ID ok\nIX_BORN ok\nUQ_CODE ok\n");

    sql({"DROP TABLE every_type"});
    run = tavrel({"check", "to-mysql", "--typed", "every_type"}, foxpro);
    EXPECT_EQ(run.status, 0) << run.out;
    run = tavrel({"copy", "to-mysql", "--typed", "every_type"}, foxpro);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(sql({"SELECT * FROM every_type ORDER BY id, part"}), original);
    run = tavrel({"verify", "to-mysql", "--typed", "every_type"}, foxpro);
    EXPECT_EQ(run.status, 0) << run.out;
    sql({"UPDATE every_type SET title = 'x' WHERE id = 2"});
    run = tavrel({"verify", "to-mysql", "--typed", "every_type"}, foxpro);
    EXPECT_EQ(run.status, 5);
    // The primary or unique key orders the MySQL rows: they compare as multisets.
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "every_type: row 3: missing in MySQL");
    // A container's primary key comes back as the primary key, a free table's candidate tag as
    // a unique key.
    std::string created = testfiles::text("cli/data/every_type_show_create.txt");
    const std::string primary = "PRIMARY KEY (`id`,`part`)";
    if (!container) created.replace(created.find(primary), primary.size(), "UNIQUE KEY `id` (`id`,`part`)");
    EXPECT_EQ(sql({"SHOW CREATE TABLE every_type"}).at(0) + "\n", created);  // the file ends its last line
    sql({"DROP TABLE every_type"});
    sql(everyType);
  }
}

// Each column is wide enough for every value of its MySQL type, in bytes of the new table's code
// page: the locale's double-byte one here, which no --code-page names; DECIMAL(p,p) with its "-0.";
// INT UNSIGNED whatever its display width. MySQL's UNIQUE takes NULL in any number of rows, a
// candidate tag in one: such a key becomes a regular tag, named on stdout.
TEST_F(TypedCopy, ColumnsHoldTheirTypesWidestValuesAndKeysWithNullsBecomeRegularTags) {
  sql({"CREATE TABLE widest (d DECIMAL(5,5), u INT(5) UNSIGNED, name CHAR(3), note VARCHAR(4)) CHARSET=utf8mb4",
       "INSERT INTO widest VALUES (-0.12345, 4294967295, '\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E', "
       "'\xEF\xBD\x81\xEF\xBD\x82\xEF\xBD\x83\xEF\xBD\x84')",
       "CREATE TABLE nulls (id INT PRIMARY KEY, email VARCHAR(20) UNIQUE)",
       "INSERT INTO nulls VALUES (1, NULL), (2, 'a@b'), (3, NULL)"});
  program_.environment = {"LANG=ja_JP.UTF-8"};
  const Outcome run = tavrel({"copy", "to-foxpro", "--typed", "widest", "nulls"}, work_.path());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(readTable(work_.path() / "widest.DBF"),
            "D N(8,5) null U N(20,0) null NAME C(6,0) null NOTE V(8,0) "
            "null\n-0.12345|4294967295|\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E|"
            "\xEF\xBD\x81\xEF\xBD\x82\xEF\xBD\x83\xEF\xBD\x84\n");
  // After the progress line of nulls (name, rows, seconds), its one key carried otherwise, and no other.
  EXPECT_EQ(run.out.substr(run.out.find('\n', run.out.find("nulls\t3\t")) + 1),
            "nulls\temail (candidate)\temail\tleft out: its FoxPro keys repeat (NULL in several rows, or numbers of "
            "more than 15 digits that FoxPro indexes alike), which a candidate tag refuses: carried as a regular tag\n");
  EXPECT_EQ(checkTags(work_.path() / "nulls.DBF"), "EMAIL ok\nID ok\n");
}

// Each tag of the Northwind container becomes the index its expression describes (candidate and
// primary key tags unique, the container's primary key the primary key); the ALLTRIM() tags are
// named on stdout instead.
TEST_F(TypedCopy, NorthwindTagsBecomeIndexes) {
  const fs::path dbc = work_.copyFixture("northwind") / "northwind.dbc";
  const Outcome run = tavrel({"copy", "to-mysql", "--typed", "--all"}, dbc);
  ASSERT_EQ(run.status, 0) << run.err;
  std::string leftOut;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);)
    if (line.find("\tleft out: ") != std::string::npos) leftOut += line.substr(0, line.find("\tleft out: ")) + "\n";
  EXPECT_EQ(leftOut,
            "Territories\tterritoryi (primary key)\tALLTRIM(UPPER(territoryid))\n"
            "CustomerDemographics\tcusttypeid (primary key)\tALLTRIM(UPPER(customertypeid))\n"
            "CustomerCustomerDemo\tcustomerid\tALLTRIM(UPPER(customerid))\n"
            "CustomerCustomerDemo\tcusttypeid\tALLTRIM(UPPER(customertypeid))\n");
  // Per table: each index, unique or not (0 or 1), with its columns.
  EXPECT_EQ(sql({"SELECT TABLE_NAME, GROUP_CONCAT(CONCAT(INDEX_NAME, ':', NON_UNIQUE, ':', cols) ORDER BY INDEX_NAME "
                 "SEPARATOR ' ') FROM (SELECT TABLE_NAME, INDEX_NAME, NON_UNIQUE, GROUP_CONCAT(COLUMN_NAME ORDER BY "
                 "SEQ_IN_INDEX) cols FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = DATABASE() GROUP BY 1, 2, "
                 "3) i GROUP BY 1 ORDER BY 1"}),
            testfiles::parts("cli/data/northwind_indexes.txt"));
}

// A value the typed column cannot hold stops the copy at its row, naming table, row and column;
// the rows before it stay. To FoxPro: text outside the table's code page in a C column, a
// fraction of a second a T column does not hold, and INT's lowest value, below FoxPro's I. To
// MySQL (whose utf8mb4 holds every character): a number FoxPro stored in N(5,2) without its
// decimals, wider than DECIMAL(5,2).
TEST_F(TypedCopy, RefusedValueStopsAtItsRow) {
  struct Case {
    std::string column, good, bad, error;
  };
  const Case cases[] = {
      {"CHAR(4)", "'ab'", "'\xC4\x85'", "Cannot store row 2 of table 'refused.DBF'. Field v: the character U+0105"},
      {"DATETIME(3)", "'2024-01-01 10:00:00'", "'2024-01-01 10:00:00.5'",
       "Cannot store row 2 of table 'refused'. Field v: 2024-01-01 10:00:00.5: a FoxPro date-time holds no fraction "
       "of a second."},
      {"INT", "'7'", "-2147483648",
       "Cannot store row 2 of table 'refused'. Field v: -2147483648: it is wider than the column's I."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    sql({"CREATE OR REPLACE TABLE refused (id INT, v " + c.column + ")",
         "INSERT INTO refused VALUES (1, " + c.good + "), (2, " + c.bad + "), (3, " + c.good + ")"});
    const Outcome run = tavrel({"copy", "to-foxpro", "--typed", "--overwrite", "refused"}, work_.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.lastError().find(c.error), std::string::npos) << run.err;
    const std::string table = readTable(work_.path() / "refused.DBF");
    EXPECT_EQ(table.substr(table.find('\n') + 1), "1|" + c.good.substr(1, c.good.size() - 2) + "\n");
  }

  // A number as Visual FoxPro stores one too wide for its decimals: 12345 in N(5,2), and one
  // written with more decimals than its field, which MySQL rounds. The blank date before it, in a
  // field without NULL, arrives as NULL; a deleted record and a descending tag are left out.
  const fs::path folder = folder_.path();
  foxpro({"CREATE TABLE wide (id I, n N(5,2), d D)", "INSERT INTO wide VALUES(1, 1.5, {})",
          "INSERT INTO wide VALUES(2, 99.99, {^2024-01-01})", "INSERT INTO wide VALUES(3, 2.25, {})",
          "INSERT INTO wide VALUES(4, 0, {})", "USE wide", "INDEX ON n TAG n DESCENDING"});
  // 1.234 and 12345 in n, after the deletion mark and the I field; the fourth record deleted.
  patchRecord(folder / "wide.DBF", 1, 1 + 4, "1.234");
  patchRecord(folder / "wide.DBF", 2, 1 + 4, "12345");
  patchRecord(folder / "wide.DBF", 4, 0, "*");
  Outcome run = tavrel({"check", "to-mysql", "--typed", "wide"}, folder);
  EXPECT_EQ(run.status, 5);
  EXPECT_EQ(run.out,
            "wide: column n: row 1: 1.234 has more decimals than the column: it arrives as 1.23\n"
            "wide: column d: rows 1, 3 (2 rows): blank arrives as NULL\n"
            "wide: column n: row 2: Out of range value for column 'n': the copy would stop at the first of these rows\n"
            "wide: 1 records marked deleted: the copy leaves them out\n"
            "wide: tag n n left out: a descending tag has no MySQL counterpart\n"
            "wide: 3 rows: 5 findings\n");
  run = tavrel({"copy", "to-mysql", "--typed", "wide"}, folder);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.lastError().find("Out of range value for column 'n'"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Table wide, row 1."), std::string::npos) << run.err;
  EXPECT_EQ(sql({"SELECT id, n, d FROM wide"}), std::vector<std::string>{"1|1.23|NULL"});
}

// Before anything is written, check names each value the typed copy to FoxPro would refuse,
// with its rows, a number FoxPro computes with rounded, and the keys it leaves out or carries
// as regular tags (NULL in two rows; two numbers FoxPro indexes as one double).
TEST_F(TypedCopy, CheckNamesWhatTheTypedCopyWouldRefuseOrChange) {
  sql(
      {"CREATE TABLE odd (id INT, i INT, stamp DATETIME(3), code CHAR(2), born DATE, big DECIMAL(18,0), "
       "email VARCHAR(10), note VARCHAR(20), UNIQUE KEY email (email), UNIQUE KEY big (big), KEY part (note(3))) "
       "CHARSET=utf8mb4",
       "INSERT INTO odd VALUES (1, -2147483648, '2024-01-01 10:00:00.5', '\xC4\x85', '0000-00-00', "
       "123456789012345678, NULL, 'a'), (2, 1, '2024-01-01 10:00:00', 'ab', '2024-01-01', 123456789012345679, NULL, "
       "'b'), "
       "(3, -2147483648, '2024-01-01 10:00:00.25', 'ok', '0000-00-00', 2, 'x', 'c')"});
  const Outcome run = tavrel({"check", "to-foxpro", "--typed", "--code-page", "1252", "odd"}, work_.path());
  EXPECT_EQ(run.status, 5);
  const char* stops = ": the copy would stop at the first of these rows\n";
  EXPECT_EQ(run.out,
            std::string("odd: key part (note(prefix)) left out: an index on a prefix of the column note\n") +
                "odd: key email (candidate) email left out: " + kCandidateWithNulls +
                "\nodd: key big (candidate) big left out: " + kCandidateWithNulls +
                "\nodd: column i: rows 1, 3 (2 rows): it is wider than the column's I" + stops +
                "odd: column stamp: rows 1, 3 (2 rows): a FoxPro date-time holds no fraction of a second" + stops +
                "odd: column born: rows 1, 3 (2 rows): the zero date is no date FoxPro holds" + stops +
                "odd: column big: rows 1, 2 (2 rows): 123456789012345678 has more digits than a double holds: the N "
                "field stores them, but FoxPro computes with and indexes 123456789012345680\n"
                "odd: column code: row 1: the character U+0105 '\xC4\x85' has no equivalent in code page "
                "1252 (error 3003)" +
                stops + "odd: 3 rows: 8 findings\n");
}

}  // namespace
