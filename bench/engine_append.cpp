// Append rate of the FoxPro engine's writer: rows of five memo columns of about 20 characters,
// the shape the MySQL → FoxPro transfer writes, one append per row, each written at once and
// held (as the FoxPro provider appends); then the read rate.
//   build/bench/engine_append [rows] [folder]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foxpro-engine/Table.h"
#include "foxpro-engine/Files.h"
#include "foxpro-engine/TableWriter.h"

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
  std::filesystem::path folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path();
  auto path = folder / "tavrel_bench_append.dbf";
  std::vector<fox::ColumnSpec> columns;
  for (int i = 0; i < 5; ++i) columns.push_back({"M" + std::to_string(i), 'M'});
  double seconds = 0;
  for (bool held : {false, true}) {
    auto writer = fox::TableWriter::create(path, columns);
    writer->hold(held);
    std::vector<fox::Value> row(5);
    auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rows; ++r) {
      for (int i = 0; i < 5; ++i) row[i] = "value " + std::to_string(r) + " column " + std::to_string(i);
      writer->append(row);
    }
    writer->close();
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("append%s: %d rows of 5 memo columns in %.2f s = %.0f rows/s\n", held ? " (records held)" : "", rows,
                seconds, rows / seconds);
  }

  auto start = std::chrono::steady_clock::now();
  auto table = fox::Table::open(path);
  std::vector<fox::Value> values;
  for (std::uint32_t r = 0; r < table->recordCount(); ++r) table->read(r, values);
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("read:   %u rows in %.2f s = %.0f rows/s\n", table->recordCount(), seconds,
              table->recordCount() / seconds);
  fox::removeTableFiles(path);
  return 0;
}
