#include "DeleteTables.h"

#include "connections/ConnectionStrings.h"
#include "platform/ado/Connection.h"
#include "platform/ui/Dialogs.h"
#include "shell/CommandFront.h"
#include "shell/CommandParts.h"
#include "shell/Pump.h"
#include "shell/TableNames.h"
#include "transfer/QuotedNames.h"

void DeleteMySqlTables(const CommandParts& parts) {
  TableNames& list = *parts.mysqlList;
  if (list.ListIndex() == -1) {
    ui::MsgBox(parts.front->DialogOwner(), PleaseSelectATable());
    return;
  }
  BusyPointer busy(*parts.front);
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

void DeleteFoxProTables(const CommandParts& parts) {
  TableNames& list = *parts.foxproList;
  BusyPointer busy(*parts.front);
  ado::Connection connection;
  OpenFoxProProbe(connection, parts.settings());
  if (list.ListIndex() == -1) {
    ui::MsgBox(parts.front->DialogOwner(), PleaseSelectATable());
    return;
  }
  for (int i = list.ListCount() - 1; i >= 0; --i) {
    if (!list.Selected(i)) continue;
    connection.Execute("DROP TABLE " + FoxProName(list.List(i).toStdString()), -1);
    list.RemoveItem(i);
  }
}
