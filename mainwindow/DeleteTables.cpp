#include "DeleteTables.h"

#include "connections/ConnectionStrings.h"
#include "platform/ado/Connection.h"
#include "platform/ui/Dialogs.h"
#include "shell/Command.h"
#include "shell/Helpers.h"
#include "shell/MainWindowParts.h"
#include "shell/Pointer.h"
#include "shell/TableList.h"
#include "transfer/QuotedNames.h"

void DeleteMySqlTables(const MainWindowParts& parts) {
  TableList& list = *parts.mysqlList;
  if (list.ListIndex() == -1) {
    ui::MsgBox(parts.window, PleaseSelectATable());
    return;
  }
  shell::Hourglass busy(parts.window);
  const ConnectionSettings settings = parts.settings();
  for (int i = list.ListCount() - 1; i >= 0; --i) {
    shell::Pump();
    if (!list.Selected(i)) continue;
    ado::Connection connection;
    OpenMySqlProbe(connection, settings);
    connection.Execute("DROP TABLE " + MySqlName(list.List(i).toStdString()), -1);
    list.RemoveItem(i);
    connection.Close();
  }
}

void DeleteFoxProTables(const MainWindowParts& parts) {
  TableList& list = *parts.foxproList;
  shell::Hourglass busy(parts.window);
  ado::Connection connection;
  OpenFoxProProbe(connection, parts.settings());
  if (list.ListIndex() == -1) {
    ui::MsgBox(parts.window, PleaseSelectATable());
    return;
  }
  for (int i = list.ListCount() - 1; i >= 0; --i) {
    if (!list.Selected(i)) continue;
    connection.Execute("DROP TABLE " + FoxProName(list.List(i).toStdString()), -1);
    list.RemoveItem(i);
  }
}
