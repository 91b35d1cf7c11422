// tavrel rename OLD NEW: "Rename Table" on the MySQL table OLD, NEW answering the question for
// the new name.
#include "Run.h"
#include "Verbs.h"
#include "mainwindow/RenameTable.h"

namespace cli {

int Rename(const Arguments& args) {
  const std::vector<std::string> operands = args.operands();
  if (operands.size() != 2) throw UsageError{"rename takes the table's name and its new name"};
  if (operands[1].empty()) throw UsageError{"the new name is empty"};
  return RunAsCommand(args, true, {}, [&](Run& run) {
    run.LoadMySqlList();
    run.Pick(run.mysqlList, {operands[0]}, "MySQL");
    // The input box for the new name proposes the entry's name, as listed.
    run.dialogs.answers().inputs[run.mysqlList.List(run.mysqlList.ListIndex())] = QString::fromStdString(operands[1]);
    RenameTable(run.Parts());
  });
}

}  // namespace cli
