// `tavrel check` and `tavrel verify` run as a scheduled job runs them (CliTest.h), against the
// throwaway MariaDB and a real folder of free tables: a table of each side made to trip every
// finding check reports, a clean one, and verify after a real copy each way with the target
// then changed one cell, one row fewer and one row more.
#include "CliTest.h"
#include "transfer/FoxProFileSizes.h"

namespace {

using namespace clitest;
using CheckVerify = CliTest;

// Every line of `out` that holds each of `lines` exactly once.
void expectLines(const std::string& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    const std::size_t at = out.find(line);
    EXPECT_NE(at, std::string::npos) << line << "\nin:\n" << out;
    if (at != std::string::npos) {
      EXPECT_EQ(out.find(line, at + 1), std::string::npos) << line << " twice";
    }
  }
}

TEST_F(CheckVerify, CheckToFoxProReportsEveryFinding) {
  sql(
      {"CREATE TABLE trips (id INT PRIMARY KEY, note TEXT, `it's` TEXT, `2019` TEXT, contact_type_id INT, "
       "contact_type INT, speed FLOAT)",
       "INSERT INTO trips VALUES (1, 'Zürich', 'a', 'b', 1, 2, 0.5), (2, 'Жук', NULL, 'b', 1, 2, 0.123456789), "
       "(3, 'Ящик', NULL, NULL, 1, 2, 2)",
       "CREATE VIEW trips_view AS SELECT id FROM trips", "CREATE TABLE clean (id INT, name TEXT)",
       "INSERT INTO clean VALUES (1, 'Müller & Söhne'), (2, '„…“ €')"});
  foxpro({"CREATE TABLE [trips_view](id M)"});
  const std::vector<std::string> before = folderState(folder_.path());
  const Outcome run = tavrel({"check", "to-foxpro", "trips", "trips_view", "--code-page", "1252"});
  EXPECT_EQ(run.status, 5) << run.err;
  // Each line of the file once in what check prints (some lines only the start of their finding).
  expectLines(run.out, testfiles::parts("cli/data/trips_findings.txt"));
  const Outcome clean = tavrel({"check", "to-foxpro", "clean"});
  EXPECT_EQ(clean.status, 0) << clean.err;
  EXPECT_EQ(clean.out, "clean: 2 rows: copies exactly\n");
  EXPECT_EQ(folderState(folder_.path()), before);  // no trips.dbf in any case, trips_view as it was
}

TEST_F(CheckVerify, CheckToMySqlReportsEveryFinding) {
  foxpro({"CREATE TABLE [parts](id I, big N(20,0), due D, cost Y, label C(8), flag L, at T, rate B)",
          "INSERT INTO [parts] VALUES(1, 12345678901234567890, {^2026-12-06}, 12.5, 'bolt', .T., "
          "{^2026-12-06 13:45:00}, 0.5)",
          "INSERT INTO [parts] VALUES(2, 5, {}, 1, 'nut', .F., {^2026-12-06 13:45:00}, 1)",
          "INSERT INTO [parts] VALUES(3, 5, {}, 1, 'gone', .F., {}, 1)",
          "CREATE TABLE [clean](id I, name C(20), due D)", "INSERT INTO [clean] VALUES(1, 'Müller', {^2026-12-06})"});
  // FoxPro's own writers store milliseconds and NaN, which the dialect cannot write.
  const std::string milliseconds{'\x1c', '\x52', '\xf3', '\x02'}, nan{0, 0, 0, 0, 0, 0, '\xf8', '\x7f'};
  const fs::path parts = folder_ / "parts.DBF";
  patchRecord(parts, 1, 50 + 4, milliseconds);  // at, after id, big, due, cost, label and flag: 13:45:00.700
  patchRecord(parts, 2, 58, nan);               // rate
  patchRecord(parts, 3, 0, "*");
  // A memo the server's packet cannot carry.
  const std::string packet = sql({"CREATE TABLE parts (id INT)", "SELECT @@max_allowed_packet"}).at(0);
  foxpro({"CREATE TABLE [notes](id I, note M)",
          "INSERT INTO [notes] VALUES(1, '" + std::string(std::stoul(packet), 'x') + "')"});
  // A container keeps field names longer than MySQL's 64 characters.
  const fs::path dbc = folder_.copyFixture("northwind") / "northwind.dbc";
  const std::string longName(65, 'n');
  provider_test::open(dbc)->Execute("CREATE TABLE [wide](" + longName + " I)");
  const Outcome run = tavrel({"check", "to-mysql", "parts", "clean", "notes"});
  EXPECT_EQ(run.status, 5) << run.err;
  expectLines(run.out, {"parts: MySQL has the table: the copy would ask to overwrite it",
                        "parts: column big: row 1: 12345678901234567890 has more digits than DOUBLE holds: it "
                        "arrives as 12345678901234567168",
                        "parts: column due: row 2: blank (or NULL) arrives as NULL",
                        "parts: column at: row 1: 2026-12-06 13:45:00.7 has milliseconds: it arrives as "
                        "2026-12-06 13:45:01",
                        "parts: column rate: row 2: NaN or infinity: MySQL refuses it",
                        "parts: 1 records marked deleted: the copy leaves them out", "parts: 2 rows: 6 findings",
                        "clean: 1 rows: copies exactly",
                        "notes: column note: row 1: a value of " + packet + " bytes passes max_allowed_packet (" +
                            packet + "): the copy would stop at the first of these rows"});
  const Outcome wide = tavrel({"check", "to-mysql", "wide", "--dbc", dbc.string()});
  EXPECT_EQ(wide.status, 5) << wide.err;
  expectLines(wide.out, {"wide: column " + longName + ": MySQL refuses the name (error 1059: Identifier name '" +
                         longName + "' is too long)"});
}

// check estimates the .dbf and .fpt a copy makes from the values alone: the estimate matches the
// files the engine writes, memos of every length around a block's edge included.
TEST(CheckSizes, EstimateMatchesTheFilesACopyWrites) {
  provider_test::TempFolder folder;
  const fs::path dbf = folder / "sized.DBF", fpt = folder / "sized.FPT";
  auto cn = provider_test::open(folder.path());
  cn->Execute("CREATE TABLE [sized](a M, b BLOB)", -1);
  cn->Close();
  FoxProFileSizes estimate(fs::file_size(dbf), headerNumber(dbf, 10, 2), fs::file_size(fpt));
  cn = provider_test::open(folder.path());
  const std::size_t lengths[] = {0, 1, 55, 56, 57, 119, 120, 121, 5000};
  for (std::size_t i = 0; i < std::size(lengths); ++i) {
    const std::size_t text = lengths[i], bytes = lengths[(i + 4) % std::size(lengths)];
    cn->Execute("INSERT INTO [sized] VALUES('" + std::string(text, 'x') + "', 0h" + std::string(2 * bytes, 'a') + ")",
                -1);
    estimate.addRecord();
    estimate.addMemo(text);
    estimate.addMemo(bytes);
  }
  cn->Close();
  EXPECT_EQ(estimate.dbf, fs::file_size(dbf));
  EXPECT_EQ(estimate.fpt, fs::file_size(fpt));
}

// One byte of a memo changed in the .fpt: its position is where the value's bytes are.
void changeByte(const fs::path& path, const std::string& value) {
  const std::size_t at = readFile(path).find(value);
  ASSERT_NE(at, std::string::npos);
  std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).seekp(static_cast<std::streamoff>(at)) << 'X';
}

TEST_F(CheckVerify, VerifyFindsEveryChangeOfTheCopy) {
  sql({"CREATE TABLE orders (id INT PRIMARY KEY, note TEXT, amount DECIMAL(10,2), at DATETIME, pic BLOB)",
       "INSERT INTO orders VALUES (1, 'first', 1.50, '2026-12-06 13:45:00', x'00FF'), (2, NULL, NULL, NULL, NULL), "
       "(3, 'third memo', -2.00, '2026-01-01 00:00:00', x'')"});
  foxpro({"CREATE TABLE [stock](id I, qty N(10,2), due D, label C(6), gone L, pic W)",
          "INSERT INTO [stock] VALUES(1, 2.5, {^2026-12-06}, 'ab', .T., 0h00FF)",
          "INSERT INTO [stock] VALUES(2, 0, {}, '', .F., 0h)",
          "INSERT INTO [stock] VALUES(3, -1, {}, 'x', .F., 0h01)"});
  // The copy each way, made afresh with --overwrite, and verify of it.
  const auto copy = [&](const std::string& direction) {
    return tavrel({"copy", direction, direction == "to-foxpro" ? "orders" : "stock", "--overwrite"}).status;
  };
  const auto verify = [&](const std::string& direction) {
    return tavrel({"verify", direction, direction == "to-foxpro" ? "orders" : "stock"});
  };
  ASSERT_EQ(copy("to-foxpro") + copy("to-mysql"), 0);
  EXPECT_EQ(verify("to-foxpro").out,
            "orders: 3 rows in MySQL, 3 in FoxPro, 15 cells compared in row order: every cell matches\n");
  EXPECT_EQ(verify("to-mysql").status, 0);

  const struct {
    std::function<void()> change;
    std::string direction, line;
  } cases[] = {
      {[&] { changeByte(folder_ / "orders.FPT", "third memo"); }, "to-foxpro",
       "orders: row 3, column note: MySQL \"third memo\", FoxPro \"Xhird memo\""},
      {[&] { patchRecord(folder_ / "orders.DBF", 2, 0, "*"); }, "to-foxpro", "orders: row 2: missing in FoxPro"},
      {[&] { foxpro({"INSERT INTO [orders] VALUES('4', 'x', '', '', 0h)"}); }, "to-foxpro",
       "orders: row 4 of FoxPro: not in MySQL"},
      // A memo of text is not the binary memo of its UTF-8 bytes.
      {[&] { sql({"ALTER TABLE orders MODIFY note BLOB"}); }, "to-foxpro",
       "orders: row 1, column note: MySQL 0h6669727374, FoxPro \"first\""},
      {[&] { sql({"UPDATE stock SET qty = 2.25 WHERE id = 1"}); }, "to-mysql",
       "stock: row 1, column qty: FoxPro \"2.50\", MySQL \"2.25\""},
      {[&] { sql({"DELETE FROM stock WHERE id = 2"}); }, "to-mysql", "stock: row 2: missing in MySQL"},
      {[&] { sql({"INSERT INTO stock (id) VALUES (9)"}); }, "to-mysql", "stock: row 4 of MySQL: not in FoxPro"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    c.change();
    const Outcome run = verify(c.direction);
    EXPECT_EQ(run.status, 5) << run.err;
    expectLines(run.out, {c.line});
    // Each change is undone by copying afresh.
    ASSERT_EQ(copy(c.direction), 0);
    ASSERT_EQ(verify(c.direction).status, 0);
  }
}

// MyISAM gives its rows in the order of their place in the file, and InnoDB keeps a table with a
// unique key on columns without NULL in that key's order, not in the order the typed copy added
// them: such tables are compared as multisets of rows, a changed row one missing and one extra.
TEST_F(CheckVerify, VerifyWithoutARowOrderComparesMultisets) {
  sql({"CREATE TABLE log (id INT, note TEXT) ENGINE=MyISAM", "INSERT INTO log VALUES (1, 'a'), (2, 'b'), (3, 'a')"});
  ASSERT_EQ(tavrel({"copy", "to-foxpro", "log"}).status, 0);
  const Outcome same = tavrel({"verify", "to-foxpro", "log"});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(same.out, "log: 3 rows in MySQL, 3 in FoxPro, 6 cells compared as multisets of rows: every cell matches\n");
  sql({"UPDATE log SET note = 'c' WHERE id = 3"});
  const Outcome changed = tavrel({"verify", "to-foxpro", "log"});
  EXPECT_EQ(changed.status, 5) << changed.err;
  EXPECT_EQ(changed.out,
            "log: row 3: missing in FoxPro\nlog: row 3 of FoxPro: not in MySQL\n"
            "log: 3 rows in MySQL, 3 in FoxPro, 6 cells compared as multisets of rows: 2 differences\n");

  foxpro({"CREATE TABLE keyed (c C(2), n N(4,1) NULL)", "INSERT INTO keyed VALUES('b', 1)",
          "INSERT INTO keyed VALUES('a', .NULL.)", "USE keyed", "INDEX ON c TAG c CANDIDATE"});
  ASSERT_EQ(tavrel({"copy", "to-mysql", "--typed", "keyed"}).status, 0);
  const Outcome keyed = tavrel({"verify", "to-mysql", "--typed", "keyed"});
  EXPECT_EQ(keyed.status, 0) << keyed.out;
  EXPECT_EQ(keyed.out,
            "keyed: 2 rows in FoxPro, 2 in MySQL, 4 cells compared as multisets of rows: every cell matches\n");
}

}  // namespace
