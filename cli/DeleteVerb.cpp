// tavrel delete mysql|foxpro TABLE…: "Delete Table(s)" under the list of that side, on the
// tables named, without asking.
#include "Run.h"
#include "Verbs.h"
#include "mainwindow/DeleteTables.h"

namespace cli {

int Delete(const Arguments& args) {
  const Side side = SideNamed(args);
  const std::vector<std::string> operands = args.operands();
  const std::vector<std::string> tables(operands.begin() + 1, operands.end());
  return RunAsCommand(args, side == Side::MySql, {}, [&](Run& run) {
    if (side == Side::MySql) {
      run.LoadMySqlList();
      run.Pick(run.mysqlList, tables, "MySQL");
      DeleteMySqlTables(run.Parts());
    } else {
      run.LoadFoxProList();
      run.Pick(run.foxproList, tables, "FoxPro");
      DeleteFoxProTables(run.Parts());
    }
  });
}

}  // namespace cli
