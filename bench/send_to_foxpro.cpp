// "Send Table(s) to FoxPro" as a user runs it: the real command on its real windows offscreen,
// the real MariaDB, the real engine writing a free table. A table of five columns (INT primary
// key, VARCHAR(40), DECIMAL(12,2), DATE, VARCHAR(100)) is copied at 1,000 rows and at each size
// given; printed, one line a size: rows/s beside the same table read by the mariadb client
// (--quick) to /dev/null and their ratio, the peak resident memory of the copy against the
// 1,000-row copy's, and rows per CPU second of this process.
// Then two rows of one large value each (LARGE_VALUE_MB, default 60), LONGBLOB and LONGTEXT: how
// far the copy's resident memory rises above where it stood, as a multiple of the value.
// Needs a server: TAVREL_TEST_MYSQL_* as scripts/testdb.sh exports them.
//   bench_send_to_foxpro [ROWS…]   (default 200000 1000000)
#include <QApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BenchServer.h"
#include "Measure.h"
#include "platform/Providers.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "platform/ui/ScriptedDialogs.h"
#include "tests/support/MainWindowSteps.h"

namespace {

using Clock = std::chrono::steady_clock;
using bench::connectionString;
using bench::cpuSeconds;
using bench::env;
using bench::peakMb;
using bench::resetPeak;

const std::string kDatabase = "tavrel_bench_copy";

std::string tableName(long rows) { return "bench_" + std::to_string(rows); }

void makeTable(ado::Connection& cn, long rows) {
  const std::string name = tableName(rows);
  cn.Execute("DROP TABLE IF EXISTS " + name);
  cn.Execute("CREATE TABLE " + name +
             " (id INT PRIMARY KEY, name VARCHAR(40), amount DECIMAL(12,2), day DATE, note VARCHAR(100))");
  cn.Execute("INSERT INTO " + name +
             " SELECT seq, CONCAT('customer ', seq), seq * 1.25 / 7, '2000-01-01' + INTERVAL seq % 9000 DAY,"
             " CONCAT('a note about row ', seq, IF(seq % 7 = 0, ' by O''Brien', ''), ' and some more text to read')"
             " FROM seq_1_to_" +
             std::to_string(rows));
}

// Two rows (so that what a row leaves behind shows), each one value of `mb` MiB: a LONGBLOB of
// bytes of every kind, or a LONGTEXT of code page 1252 letters with a quote and a line break in
// every 256 bytes (which the literal escapes).
const char* const kLargeKinds[] = {"LONGBLOB", "LONGTEXT"};
std::string largeTable(const std::string& kind) { return "large_" + kind; }

void makeLargeTables(ado::Connection& cn, long mb) {
  // The server must take and give a value this large in one packet.
  cn.Execute("SET GLOBAL max_allowed_packet = " + std::to_string((mb + 64) << 20));
  ado::Connection fresh;
  fresh.Open(connectionString(kDatabase));
  const std::string blocks = std::to_string(mb << 12);  // of 256 bytes
  const std::string block256 = "CONCAT(REPEAT('Müller & Söhne ', 14), 'O''Brien & Sons Co\\n')";
  for (const std::string kind : kLargeKinds) {
    const std::string value = kind == "LONGBLOB" ? "REPEAT(UNHEX('00FF7F80'), 64 * " + blocks + ")"
                                                 : "REPEAT(" + block256 + ", " + blocks + ")";
    fresh.Execute("DROP TABLE IF EXISTS " + largeTable(kind));
    fresh.Execute("CREATE TABLE " + largeTable(kind) + " (id INT PRIMARY KEY, value " + kind + ")");
    fresh.Execute("INSERT INTO " + largeTable(kind) + " SELECT seq, " + value + " FROM seq_1_to_2");
  }
}

// The mariadb client reading the table to /dev/null: the ceiling for reading it at all.
double clientRate(long rows) {
  std::string command = "MYSQL_PWD='" + env("TAVREL_TEST_MYSQL_PASSWORD") + "' mariadb --no-defaults --quick -h " +
                        env("TAVREL_TEST_MYSQL_HOST") + " -P " + env("TAVREL_TEST_MYSQL_PORT") + " -u " +
                        env("TAVREL_TEST_MYSQL_USER") + " -e 'SELECT * FROM " + kDatabase + "." + tableName(rows) +
                        "' > /dev/null";
  Clock::time_point start = Clock::now();
  if (std::system(command.c_str()) != 0) return 0;
  return rows / std::chrono::duration<double>(Clock::now() - start).count();
}

// The main window as a user reaches it (the fields filled in, OK pressed: the load lists every
// table of the benchmark's database); then each copy is one table clicked and the button pressed.
class Copier {
 public:
  explicit Copier(const QString& folder) : setup_(steps::SetupWindow()) {
    steps::EnterMySqlLogin(*setup_, {env("TAVREL_TEST_MYSQL_HOST"), env("TAVREL_TEST_MYSQL_PORT"),
                                     env("TAVREL_TEST_MYSQL_USER"), env("TAVREL_TEST_MYSQL_PASSWORD"), kDatabase});
    steps::ChooseFoxProSource(*setup_, folder.toStdString());
    window_ = steps::PressOk(*setup_);
  }
  bool ready() { return window_ != nullptr && report(); }

  // Copies one table; returns false when the command showed a message.
  bool copy(const std::string& table) {
    auto& mysqlList = *window_->findChild<TableList*>("List1");
    steps::Click(*window_, "Check11");  // Deselect All
    if (!steps::ClickEntries(mysqlList, {table})) return false;
    steps::Click(*window_, "Check3");
    return report();
  }

 private:
  bool report() {
    for (const QString& m : dialogs_->messages()) std::fprintf(stderr, "%s\n", m.toLocal8Bit().constData());
    return dialogs_->shown.empty();
  }

  ui::ScopedScriptedDialogs dialogs_;
  std::unique_ptr<Form1> setup_;
  Form2* window_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  if (env("TAVREL_TEST_MYSQL_HOST").empty()) {
    std::fprintf(stderr, "no server: eval \"$(scripts/testdb.sh start)\" first, or use bench/run.sh\n");
    return 2;
  }
  std::vector<long> sizes = {1000};
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
  if (argc == 1) sizes.insert(sizes.end(), {200000, 1000000});
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QTemporaryDir config;  // the fields store what is typed: not into the user's settings
  setenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()).constData(), 1);
  QApplication app(argc, argv);
  ado::registerStandardProviders();
  try {
    const long largeMb = env("LARGE_VALUE_MB").empty() ? 60 : std::atol(env("LARGE_VALUE_MB").c_str());
    {
      ado::Connection cn;
      cn.Open(connectionString(env("TAVREL_TEST_MYSQL_DATABASE")));
      cn.Execute("CREATE DATABASE IF NOT EXISTS " + kDatabase + " CHARACTER SET utf8mb4");
      cn.Execute("USE " + kDatabase);
      for (long rows : sizes) makeTable(cn, rows);
      makeLargeTables(cn, largeMb);
    }
    QTemporaryDir folder;
    Copier copier(folder.path());
    if (!copier.ready()) return 1;
    long smallPeak = 0;
    for (long rows : sizes) {
      resetPeak();
      const Clock::time_point start = Clock::now();
      const double cpu = cpuSeconds();
      if (!copier.copy(tableName(rows))) return 1;
      const double wall = std::chrono::duration<double>(Clock::now() - start).count();
      const long peak = peakMb();
      if (rows == sizes.front()) smallPeak = peak;
      const double rate = rows / wall, perCpu = rows / (cpuSeconds() - cpu);
      if (rows == sizes.front()) {
        std::printf("send to FoxPro %8ld rows: %9.0f rows/s; peak %ld MB (the memory baseline)\n", rows, rate, peak);
      } else {
        // The ceiling: the mariadb client reading the same table to /dev/null, right after the copy.
        const double ceiling = clientRate(rows);
        std::printf(
            "send to FoxPro %8ld rows: %9.0f rows/s, ceiling (mariadb --quick) %9.0f rows/s, ratio %.2f (target >= "
            "0.25); peak %ld MB, %+ld MB vs %ld rows (limit +100); %.0f rows per CPU second\n",
            rows, rate, ceiling, ceiling > 0 ? rate / ceiling : 0.0, peak, peak - smallPeak, sizes.front(), perCpu);
      }
      std::filesystem::remove(folder.path().toStdString() + "/" + tableName(rows) + ".DBF");
      std::filesystem::remove(folder.path().toStdString() + "/" + tableName(rows) + ".FPT");
    }
    for (const std::string kind : kLargeKinds) {
      const long before = bench::residentMb();
      resetPeak();
      if (!copier.copy(largeTable(kind))) return 1;
      const long rise = peakMb() - before;
      std::printf(
          "send to FoxPro 2 rows of one %s of %ld MiB: memory rose %ld MiB, %.1f times the value (target about 2)\n",
          kind.c_str(), largeMb, rise, double(rise) / double(largeMb));
      std::filesystem::remove(folder.path().toStdString() + "/" + largeTable(kind) + ".DBF");
      std::filesystem::remove(folder.path().toStdString() + "/" + largeTable(kind) + ".FPT");
    }
    ado::Connection cn;
    cn.Open(connectionString(env("TAVREL_TEST_MYSQL_DATABASE")));
    cn.Execute("DROP DATABASE " + kDatabase);
  } catch (const ado::Error& e) {
    std::fprintf(stderr, "error %ld: %s\n", e.Number(), e.Description().c_str());
    return 1;
  }
  return 0;
}
