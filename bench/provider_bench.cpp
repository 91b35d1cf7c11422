// Speed of the FoxPro provider, through the data-access layer as Tavrel drives it:
//   1. inserts with statements exactly as the transfer builds them: 100,000 rows of five memo
//      columns of about 20 characters, and 10,000 rows with a 5,000-character memo;
//   2. SELECT * over a 1,000,000-row table of C, N, D, L, I and M fields, walked to the end,
//      with the peak memory of the walk.
// Prints one line per figure. Usage: provider_bench FOLDER [ROWS_FOR_SELECT [PHASES]]
// PHASES (for profiling one part): any of memo,long,typed,select,dbfread; "select" and
// "dbfread" alone read the big table an earlier run left in FOLDER.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "Measure.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "platform/foxpro/FoxProProvider.h"
#include "tests/foxpro/ValueLiteral.h"

namespace {

using Clock = std::chrono::steady_clock;
using testing_literals::insertStatement;
using testing_literals::literal;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

using bench::cpuSeconds;
using bench::peakMb;
using bench::resetPeak;

// A stopwatch for wall-clock and processor time.
struct Stopwatch {
  Clock::time_point wall = Clock::now();
  double cpu = cpuSeconds();
};

// Text of about `length` characters that differs from row to row, with a quote now and then.
std::string sampleText(long row, int column, std::size_t length) {
  std::string s = "r" + std::to_string(row) + "c" + std::to_string(column) + (row % 7 == 0 ? " O'Brien " : " value ");
  while (s.size() < length) s += static_cast<char>('a' + (row + s.size()) % 26);
  s.resize(length);
  return s;
}

void report(const char* what, long rows, double secs) {
  std::printf("%-56s %8ld rows %7.3f s %10.0f rows/s\n", what, rows, secs, rows / secs);
}

// Returns the wall-clock rate.
double report(const char* what, long rows, const Stopwatch& since) {
  double wall = seconds(since.wall), cpu = cpuSeconds() - since.cpu;
  std::printf("%-56s %8ld rows %7.3f s %10.0f rows/s  (%.0f rows per CPU second)\n", what, rows, wall, rows / wall,
              rows / cpu);
  return rows / wall;
}

void memoInserts(ado::Connection& db, const std::string& folder, const char* name, long rows, int columns,
                 std::size_t length, const char* label) {
  std::string path = folder + "/" + name + ".DBF";
  std::string create = "CREATE TABLE '" + path + "'(";
  for (int c = 0; c < columns; ++c) create += "[field" + std::to_string(c) + "] M,";
  create.back() = ')';
  db.Execute(create);
  // The statements are built before the clock starts: only the provider is measured.
  std::vector<std::string> statements;
  statements.reserve(rows);
  std::vector<std::string> literals(columns);
  for (long r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) literals[c] = literal(sampleText(r, c, length));
    statements.push_back(insertStatement(path, literals));
  }
  Stopwatch start;
  for (const auto& s : statements) db.Execute(s);
  report(label, rows, start);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: provider_bench FOLDER [ROWS_FOR_SELECT [PHASES]]\n";
    return 2;
  }
  const std::string folder = argv[1];
  const long selectRows = argc > 2 ? std::stol(argv[2]) : 1000000;
  const std::string phases = argc > 3 ? argv[3] : "memo,long,typed,select,dbfread";
  auto wanted = [&](const char* phase) { return phases.find(phase) != std::string::npos; };
  foxpro::registerFoxProProvider();
  try {
    ado::Connection db;
    db.Open("Provider=vfpoledb.1;Data Source=" + folder + ";Collating Sequence=general;");

    if (wanted("memo")) memoInserts(db, folder, "memo5x20", 100000, 5, 20, "INSERT 5 memo columns of 20 characters");
    if (wanted("long"))
      memoInserts(db, folder, "memo5000", 10000, 1, 5000, "INSERT 1 memo column of 5,000 characters (25 pieces)");

    // The 1,000,000-row table, filled through the provider too.
    std::string path = folder + "/big.DBF";
    if (wanted("typed")) {
      db.Execute("CREATE TABLE '" + path + "'([name] C(20),[amount] N(12,2),[born] D,[active] L,[qty] I,[note] M)");
      Stopwatch start;
      std::string statement;
      for (long r = 0; r < selectRows; ++r) {
        statement = "INSERT INTO [" + path + "] VALUES(" + literal(sampleText(r, 0, 16)) + ", " + std::to_string(r) +
                    ".25, {^2001-02-" + std::to_string(1 + r % 28) + "}, " + (r % 2 ? ".T." : ".F.") + ", " +
                    std::to_string(r) + ", " + literal(sampleText(r, 1, 30)) + ")";
        db.Execute(statement);
      }
      report("INSERT C, N, D, L, I, M (typed, statements built in the loop)", selectRows, start);
    }
    db.Close();
    double selectRate = 0;
    if (wanted("select")) {
      ado::Connection reader;
      reader.Open("Provider=vfpoledb.1;Data Source=" + folder + ";Collating Sequence=general;");
      resetPeak();
      long before = peakMb();
      Stopwatch start;
      ado::Recordset rs = reader.Execute("SELECT * FROM \"big\"");
      long count = rs.RecordCount();
      long walked = 0;
      std::size_t bytes = 0;
      auto fields = rs.Fields();
      while (!rs.Eof()) {
        for (int i = 0; i < fields.Count(); ++i) {
          const ado::Variant& v = fields[i].Value();
          if (v.kind() == ado::Variant::Kind::Text) bytes += v.asText().size();
        }
        ++walked;
        rs.MoveNext();
      }
      if (walked != count) std::printf("RecordCount %ld but %ld rows walked\n", count, walked);
      selectRate = report("SELECT * walked, every value read", walked, start);
      std::printf("%-58s %9ld MB before, %ld MB peak during the walk (%zu text bytes seen)\n", "SELECT * memory",
                  before, peakMb(), bytes);
      reader.Close();
    }

    // dbfread on the same table, in the same run: the yardstick.
    std::string command = "/usr/bin/python3 " TAVREL_SOURCE_DIR "/bench/dbfread_rate.py '" + path + "'";
    if (FILE* p = wanted("dbfread") ? popen(command.c_str(), "r") : nullptr) {
      long rows = 0;
      double pySecs = 0, pyRate = 0;
      int got = std::fscanf(p, "%ld %lf %lf", &rows, &pySecs, &pyRate);
      if (pclose(p) == 0 && got == 3) {
        report("dbfread (python3-dbfread) on the same table", rows, pySecs);
        if (selectRate > 0) std::printf("%-58s %9.1f x\n", "SELECT * rate / dbfread rate", selectRate / pyRate);
      } else {
        std::printf("dbfread could not read the table\n");
      }
    }
  } catch (const ado::Error& e) {
    std::cerr << "Error " << e.Number() << ": " << e.Description() << "\n";
    return 1;
  }
  return 0;
}
