// build/foxsql run as a user runs it: arguments, standard input, standard output and error,
// exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "tests/foxpro/ProviderSupport.h"

namespace {

using provider_test::TempFolder;
namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string quoteArg(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs foxsql with `args`, feeding `input` to its standard input.
Outcome foxsql(const std::vector<std::string>& args, const std::string& input = "") {
  TempFolder scratch;
  testfiles::writeFile(scratch / "in", input);
  std::string command = std::string(TAVREL_BUILD_DIR) + "/foxsql";
  for (const auto& a : args) command += " " + quoteArg(a);
  Outcome run;
  int raw = testfiles::run(command + " <" + quoteArg(scratch / "in") + " 2>" + quoteArg(scratch / "err"), run.out);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.err = testfiles::readFile(scratch / "err");
  return run;
}

// Every type, nullable, with values, with empty values and with NULLs.
TEST(Foxsql, JsonGivesEveryTypeInItsForm) {
  TempFolder folder;
  Outcome run =
      foxsql({"--json", folder.path().string(),
              "CREATE TABLE 'all'([c] C(5) NULL,[v] V(5) NULL,[m] M NULL,[n] N(8,2) NULL,[f] F(6,1) NULL,[i] I NULL,"
              "[b] B NULL,[y] Y NULL,[d] D NULL,[t] T NULL,[l] L NULL,[q] Q(3) NULL,[g] G NULL,[w] W NULL,"
              "[cb] C(2) NOCPTRANS NULL,[mb] M NOCPTRANS NULL)",
              "INSERT INTO [all] VALUES('ab', 'x \"y ', 'line'+CHR(13)+CHR(10)+'two', -12.5, 1.5, 42, 2.5, "
              "19.99, {^2024-05-17}, {^2024-05-17 13:45:30}, .T., 0h0102ff, 0h4748, 0h00, 0h4142, 0hc3)",
              "INSERT INTO [all] VALUES('', '', '', 0, 0, -7, -0.125, -0.0001, {}, {:}, .F., 0h, 0h, 0h, '', '')",
              "INSERT INTO [all] VALUES(.NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL., "
              ".NULL., .NULL., .NULL., .NULL., .NULL., .NULL., .NULL.)",
              "SELECT * FROM \"all\""});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, testfiles::text("tools/data/every_type.jsonl"));
}

// Every line stays JSON: control characters escaped, and a table file named in a legacy code
// page (caf\xE9, Latin-1), which is not UTF-8, shown with U+FFFD.
TEST(Foxsql, JsonEscapesControlCharactersAndTextThatIsNotUtf8) {
  TempFolder folder;
  Outcome run = foxsql({"--json", folder.path().string(), "CREATE TABLE 'caf\xE9'([a] M)",
                        "INSERT INTO [caf\xE9] VALUES('x'+CHR(1)+CHR(31)+'\x7F')", ".tables"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "{\"fields\":[{\"name\":\"TABLE_NAME\",\"type\":202},{\"name\":\"TABLE_TYPE\",\"type\":202}]}\n"
            "[\"caf\\ufffd\",\"TABLE\"]\n");
  run = foxsql({"--json", folder.path().string(), "SELECT * FROM [caf\xE9]"});
  EXPECT_EQ(run.out, "{\"fields\":[{\"name\":\"a\",\"type\":201}]}\n[\"x\\u0001\\u001f\x7F\"]\n");
}

TEST(Foxsql, StatementsFromStandardInputAndReadableTables) {
  TempFolder folder;
  Outcome run = foxsql({folder.path().string()},
                       "CREATE TABLE 'people'([name] C(8),[age] I)\n"
                       "\n"
                       "INSERT INTO [people] VALUES('Ann', 31)\r\n"
                       "INSERT INTO [people] VALUES('Bo''s', 7)\n"
                       ".tables\n"
                       "SELECT * FROM people\n");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, testfiles::text("tools/data/people.txt"));
}

// A failing statement ends the run there with status 1 and FoxPro's message; a usage mistake is
// status 2.
TEST(Foxsql, FailuresEndTheRunWithTheirMessageAndStatus) {
  TempFolder folder;
  const std::string dir = folder.path().string();
  Outcome run = foxsql({dir, "CREATE TABLE 'a'([x] M)", "DROP TABLE [missing]", "CREATE TABLE 'b'([x] M)"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Error 1: File 'missing.DBF' does not exist.\n");
  EXPECT_TRUE(fs::exists(folder / "a.DBF"));
  EXPECT_FALSE(fs::exists(folder / "b.DBF"));

  run = foxsql({"--json", dir}, "INSERT INTO [a] VALUES('ok')\nINSERT INTO [a] VALUES('broken)\nSELECT * FROM a\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Error 10: Syntax error.\n");
  EXPECT_EQ(run.out, "");

  run = foxsql({dir + "/nowhere", ".tables"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Error 202: Invalid path or file name.\n");

  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"--xml", dir}, {dir + "/a;b"}})
    EXPECT_EQ(foxsql(args).status, 2);  // no source; an unknown option; a path a connection string cannot carry
}

// A named pipe where a table's memo or code page file or a container's memo file should be would
// block the open until something wrote to it: the statement fails at once instead,
// naming the file that is wrong.
TEST(Foxsql, NamedPipesBesideATableAreRefusedNotWaitedFor) {
  TempFolder folder;
  const fs::path northwind = folder.copyFixture("northwind");
  ASSERT_EQ(foxsql({folder.path().string(), "CREATE TABLE 't'([m] M)", "INSERT INTO [t] VALUES('x')"}).status, 0);
  const struct {
    fs::path pipe;
    std::string source, statement;
  } cases[] = {
      {folder / "t.FPT", folder.path().string(), "SELECT * FROM t"},
      {folder / "t.CPG", folder.path().string(), "SELECT * FROM t"},
      {northwind / "northwind.dct", (northwind / "northwind.dbc").string(), ".tables"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pipe.filename().string());
    const fs::path aside = c.pipe.string() + ".aside";
    if (fs::exists(c.pipe)) fs::rename(c.pipe, aside);
    ASSERT_EQ(::mkfifo(c.pipe.c_str(), 0600), 0);
    Outcome run = foxsql({c.source, c.statement});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error 15: '" + c.pipe.filename().string() + "' is a named pipe, not a file.\n");
    fs::remove(c.pipe);
    if (fs::exists(aside)) fs::rename(aside, c.pipe);
  }
}

}  // namespace
