// tavrel list mysql|foxpro: the list the main window's load fills (SHOW TABLES; or the FoxPro
// catalogue's tables), one name a line, in the window's order.
#include <cstdio>

#include "Run.h"
#include "Verbs.h"

namespace cli {

int List(const Arguments& args) {
  const Side side = SideNamed(args);
  if (args.operands().size() > 1) throw UsageError{"list takes one side, mysql or foxpro"};
  return RunAsCommand(args, side == Side::MySql, {}, [side](Run& run) {
    side == Side::MySql ? run.LoadMySqlList() : run.LoadFoxProList();
    const TableNames& list = side == Side::MySql ? run.mysqlList : run.foxproList;
    for (int i = 0; i < list.ListCount(); ++i) std::printf("%s\n", list.List(i).toStdString().c_str());
  });
}

}  // namespace cli
