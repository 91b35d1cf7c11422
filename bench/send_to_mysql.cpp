// "Send Table(s) to MySQL" as a user runs it: the real main window offscreen, a free table of
// ROWS rows (I, C(40), N(12,2), D, V(100) or C(100)) selected and the button pressed, into the
// server named by TAVREL_TEST_MYSQL_*. In the same run the same rows, as a tab-separated file, go
// in through the mariadb client's LOAD DATA LOCAL INFILE into a table of the same columns: the
// ceiling. Then the same rows as the command has the server store them: with the row number in a
// first column tempid0 (dropped at the end), in loads of the command's sizes (1,000 rows first,
// doubling up to 16,000), each in a transaction of its own. Both go over TLS when the server
// offers it (the client's default), as the command does; the output says when they did. Prints
// rows/s, the ratios and the peak memory while the command runs.
// Usage: bench_send_to_mysql ROWS FOLDER [V|C] [command-only]
// "command-only" copies the table an earlier run left in FOLDER, nothing else (for profiling).
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BenchServer.h"
#include "Measure.h"
#include "connections/ConnectionStrings.h"
#include "connections/Form1.h"
#include "foxpro-engine/TableWriter.h"
#include "mainwindow/Form2.h"
#include "platform/Providers.h"
#include "platform/ado/Connection.h"
#include "platform/mysql/Inserter.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/ButtonCheckBox.h"
#include "shell/TableList.h"

namespace {

using bench::cpuSeconds;
using bench::env;

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double commandCpu = 0;   // the command's processor time in this process
long commandPeakMb = 0;  // the peak resident memory while it ran

// The rows of each LOAD DATA the command sends for `rows` rows, as the inserter sizes them (when
// neither a load's bytes nor its time cuts it first).
std::vector<long> loadSizes(long rows) {
  std::vector<long> sizes;
  for (std::size_t size = mysql::Inserter::kFirstLoadRows; rows > 0; rows -= sizes.back()) {
    sizes.push_back(std::min(long(size), rows));
    size = mysql::Inserter::nextLoadRows(size);
  }
  return sizes;
}

std::string chunkFile(const std::string& folder, long chunk) {
  return folder + "/bench-" + std::to_string(chunk) + ".tsv";
}

// Row k of the table, as FoxPro values and as the line LOAD DATA reads (with k before it in the
// chunk files).
void writeSources(long rows, const std::string& folder, char textType) {
  auto table = fox::TableWriter::create(
      folder + "/bench.dbf",
      {{"ID", 'I'}, {"NAME", 'C', 40}, {"AMOUNT", 'N', 12, 2}, {"DAY", 'D'}, {"NOTE", textType, 100}});
  std::ofstream tsv(folder + "/bench.tsv");
  std::ofstream chunk;
  const std::vector<long> sizes = loadSizes(rows);
  long chunkEnd = 0;
  std::size_t chunks = 0;
  char amount[32], day[16];
  for (long k = 0; k < rows; ++k) {
    std::string name = "customer " + std::to_string(k) + " of the benchmark";
    std::snprintf(amount, sizeof amount, "%ld.%02ld", k % 1000000, k % 100);
    fox::Date d{2000 + int(k % 25), 1 + int(k % 12), 1 + int(k % 28)};
    std::snprintf(day, sizeof day, "%04d-%02d-%02d", d.year, d.month, d.day);
    std::string note = "a note of some length for row " + std::to_string(k) + ", with text that varies";
    table->append({std::int32_t(k), name, fox::Number{amount}, d, note});
    std::string padded = name + std::string(40 - name.size(), ' ');
    if (textType == 'C') note += std::string(100 - note.size(), ' ');
    std::ostringstream line;
    line << k << '\t' << padded << '\t' << amount << '\t' << day << '\t' << note << '\n';
    tsv << line.str();
    if (k == chunkEnd) {
      chunk = std::ofstream(chunkFile(folder, long(chunks)));
      chunkEnd += sizes[chunks++];
    }
    chunk << k << '\t' << line.str();
  }
  table->close();
}

struct Load {
  double rowsPerSecond;
  bool tls;  // the client's connection went over TLS (its default when the server offers it)
};

// The mariadb client's LOAD DATA LOCAL of the rows: the plain file into a table of the columns, or
// (`asTheCommand`) the chunk files as the command's loads.
Load loadData(long rows, const std::string& folder, bool asTheCommand) {
  std::string client = "mariadb --no-defaults --local-infile=1 -h " + env("TAVREL_TEST_MYSQL_HOST") + " -P " +
                       env("TAVREL_TEST_MYSQL_PORT") + " -u " + env("TAVREL_TEST_MYSQL_USER") + " -p" +
                       env("TAVREL_TEST_MYSQL_PASSWORD") + " -D " + env("TAVREL_TEST_MYSQL_DATABASE");
  const bool tls = std::system((client + " -N -e \"SHOW SESSION STATUS LIKE 'Ssl_cipher'\""
                                         " | grep -q '[[:space:]][^[:space:]]'")
                                   .c_str()) == 0;
  const std::string columns = "id DOUBLE, name LONGTEXT, amount DOUBLE, day LONGTEXT, note LONGTEXT";
  std::string create = "DROP TABLE IF EXISTS ceiling; CREATE TABLE ceiling (" +
                       std::string(asTheCommand ? "tempid0 INTEGER UNSIGNED NOT NULL, " : "") + columns +
                       ") DEFAULT CHARSET=utf8mb4";
  if (std::system((client + " -e '" + create + "'").c_str()) != 0)
    throw std::runtime_error("CREATE for LOAD DATA failed");
  auto load = [](const std::string& file) {
    return "LOAD DATA LOCAL INFILE '" + file + "' INTO TABLE ceiling CHARACTER SET utf8mb4;";
  };
  std::string script = folder + "/ceiling.sql";
  {
    std::ofstream sql(script);
    if (!asTheCommand)
      sql << load(folder + "/bench.tsv") << "\n";
    else {
      const std::size_t chunks = loadSizes(rows).size();
      sql << "START TRANSACTION;\n";
      for (std::size_t chunk = 0; chunk < chunks; ++chunk)
        sql << load(chunkFile(folder, long(chunk))) << (chunk + 1 < chunks ? " COMMIT AND CHAIN;\n" : " COMMIT;\n");
      sql << "ALTER TABLE ceiling DROP COLUMN tempid0;\n";
    }
  }
  auto start = Clock::now();
  if (std::system((client + " < '" + script + "'").c_str()) != 0) throw std::runtime_error("LOAD DATA failed");
  double s = seconds(start);
  std::system((client + " -e 'DROP TABLE ceiling'").c_str());
  return {rows / s, tls};
}

double sendTable(long rows, const std::string& folder) {
  Form1 setup([](Form1& form) { return std::make_unique<Form2>(form); });
  Form2 window(setup);
  const std::pair<const char*, std::string> fields[] = {{"Text2", folder},
                                                        {"Text3", env("TAVREL_TEST_MYSQL_HOST")},
                                                        {"Text4", env("TAVREL_TEST_MYSQL_PORT")},
                                                        {"Text5", env("TAVREL_TEST_MYSQL_USER")},
                                                        {"Text6", env("TAVREL_TEST_MYSQL_PASSWORD")},
                                                        {"Text7", env("TAVREL_TEST_MYSQL_DATABASE")}};
  for (const auto& [name, value] : fields) setup.findChild<QLineEdit*>(name)->setText(QString::fromStdString(value));
  setup.findChild<QRadioButton*>("Option2")->setChecked(true);
  {
    ado::Connection cn;
    cn.Open(MySqlConnectionString(setup.connectionSettings(), false));
    cn.Execute("DROP TABLE IF EXISTS bench");
  }
  window.show();
  TableList* list = window.findChild<TableList*>("List2");
  list->AddItem("bench");
  list->SetSelected(0, true);
  list->SetListIndex(0);
  ui::ScopedScriptedDialogs dialogs;  // a failure's message box is recorded, not waited on
  bench::resetPeak();
  auto start = Clock::now();
  double cpu = cpuSeconds();
  QTest::mouseClick(window.findChild<ButtonCheckBox*>("Check4"), Qt::LeftButton);
  double s = seconds(start);
  commandCpu = cpuSeconds() - cpu;
  commandPeakMb = bench::peakMb();
  for (const QString& message : dialogs->messages()) throw std::runtime_error(message.toStdString());
  ado::Connection cn;
  cn.Open(MySqlConnectionString(setup.connectionSettings(), false));
  if (cn.Execute("SELECT COUNT(*) FROM bench").Fields()[0].Value().toText() != std::to_string(rows))
    throw std::runtime_error("the copy did not store every row");
  cn.Execute("DROP TABLE bench");
  return rows / s;
}

// ", +N MB vs 1000 rows (limit +100)" when MEMORY_BASELINE_MB gives the peak of a 1,000-row run.
std::string baseline(long peakMb) {
  const std::string base = env("MEMORY_BASELINE_MB");
  if (base.empty()) return "";
  return ", " + std::string(peakMb >= std::stol(base) ? "+" : "") + std::to_string(peakMb - std::stol(base)) +
         " MB vs 1000 rows (limit +100)";
}

}  // namespace

int main(int argc, char** argv) {
  if (env("TAVREL_TEST_MYSQL_HOST").empty() || argc < 3) {
    std::fprintf(stderr, "usage: bench_send_to_mysql ROWS FOLDER [V|C], with TAVREL_TEST_MYSQL_* set (bench/run.sh)\n");
    return 2;
  }
  long rows = std::atol(argv[1]);
  std::string folder = argv[2];
  char textType = argc > 3 ? argv[3][0] : 'V';
  bool commandOnly = argc > 4 && std::string(argv[4]) == "command-only";
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ado::registerStandardProviders();
  try {
    if (commandOnly) {
      double command = sendTable(rows, folder);
      std::printf("command %.0f rows/s, its own processor time %.1f us/row\n", command, commandCpu / rows * 1e6);
      return 0;
    }
    writeSources(rows, folder, textType);
    const Load ceiling = loadData(rows, folder, false);
    const Load asTheCommand = loadData(rows, folder, true);
    double command = sendTable(rows, folder);
    std::printf(
        "send to mysql, %ld rows (I, C(40), N(12,2), D, %c(100)): command %.0f rows/s, ceiling (mariadb LOAD DATA "
        "LOCAL%s) %.0f rows/s,"
        " ratio %.2f (target >= 1.0); peak %ld MB%s; the command's own processor time %.1f us/row\n"
        "  mariadb LOAD DATA LOCAL as the command stores the rows (tempid0, %zu loads of up to %zu rows, each "
        "committed%s): %.0f rows/s, ratio %.2f\n",
        rows, textType, command, ceiling.tls ? ", TLS" : "", ceiling.rowsPerSecond, command / ceiling.rowsPerSecond,
        commandPeakMb, baseline(commandPeakMb).c_str(), commandCpu / rows * 1e6, loadSizes(rows).size(),
        mysql::Inserter::kMaxLoadRows, asTheCommand.tls ? ", TLS" : "", asTheCommand.rowsPerSecond,
        command / asTheCommand.rowsPerSecond);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "failed: %s\n", e.what());
    return 1;
  }
}
