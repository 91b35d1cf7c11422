// foxsql [--json] SOURCE [STATEMENT…]: runs statements of the FoxPro dialect against a folder of
// free tables or a database container, through the data-access layer and the FoxPro provider,
// exactly as Tavrel itself reaches FoxPro. With no statements it reads them from standard
// input, one per line. ".tables" lists the tables (OpenSchema(20)).
#include <iostream>
#include <string>
#include <vector>

#include "Output.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "platform/foxpro/FoxProProvider.h"

namespace {

constexpr const char* kUsage =
    "usage: foxsql [--json] SOURCE [STATEMENT...]\n"
    "  SOURCE     a folder of free tables or a database container (.dbc)\n"
    "  STATEMENT  a statement of the FoxPro dialect, or .tables; read from standard input,\n"
    "             one per line, when none is given\n"
    "  --json     one JSON line with the fields, then one JSON array per row\n";

bool endsWithDbc(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return tail == ".dbc";
}

struct Shell {
  ado::Connection connection;
  bool json = false;

  void run(const std::string& statement) {
    if (statement == ".tables") {
      ado::Recordset rs = connection.OpenSchema(ado::adSchemaTables);
      std::vector<int> columns;
      auto fields = rs.Fields();
      for (int i = 0; i < fields.Count(); ++i)
        if (fields[i].Name() == "TABLE_TYPE" || fields[i].Name() == "TABLE_NAME") columns.push_back(i);
      print(rs, columns);
      return;
    }
    ado::Recordset rs = connection.Execute(statement);
    if (rs.State() == ado::adStateOpen) print(rs, {});
  }

  void print(ado::Recordset& rs, const std::vector<int>& columns) {
    if (json) {
      foxsql::printJson(rs, std::cout, columns);
    } else {
      foxsql::printTable(rs, std::cout, columns);
    }
    rs.Close();
  }
};

bool blank(const std::string& line) { return line.find_first_not_of(" \t\r") == std::string::npos; }

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  Shell shell;
  std::size_t next = 0;
  for (; next < args.size() && args[next].rfind("--", 0) == 0; ++next) {
    if (args[next] == "--json") {
      shell.json = true;
    } else if (args[next] == "--help") {
      std::cout << kUsage;
      return 0;
    } else {
      std::cerr << "foxsql: unknown option " << args[next] << "\n" << kUsage;
      return 2;
    }
  }
  if (next >= args.size()) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string source = args[next++];
  if (source.find(';') != std::string::npos) {
    std::cerr << "foxsql: a connection string cannot carry a source path with ';' in it\n";
    return 2;
  }

  foxpro::registerFoxProProvider();
  try {
    shell.connection.Open("Provider=vfpoledb.1;Data Source=" + source +
                          ";Collating Sequence=" + (endsWithDbc(source) ? "machine" : "general") + ";");
    if (next < args.size()) {
      for (; next < args.size(); ++next) shell.run(args[next]);
    } else {
      std::string line;
      while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!blank(line)) shell.run(line);
      }
    }
    std::cout.flush();
    shell.connection.Close();
  } catch (const ado::Error& e) {
    std::cout.flush();
    std::cerr << "Error " << e.Number() << ": " << e.Description() << "\n";
    return 1;
  }
  return 0;
}
