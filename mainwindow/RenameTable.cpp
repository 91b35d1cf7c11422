#include "RenameTable.h"

#include "connections/ConnectionStrings.h"
#include "platform/ado/Connection.h"
#include "platform/ui/Dialogs.h"
#include "shell/CommandFront.h"
#include "shell/CommandParts.h"
#include "shell/TableNames.h"
#include "transfer/QuotedNames.h"

namespace {

// Whether the server stores and compares table names lower-cased (lower_case_table_names 1 or
// 2), so that a table renamed to "Orders" is listed by it as "orders". On Linux it is 0 by
// default and names keep their case.
bool foldsTableNames(ado::Connection& connection) {
  ado::Recordset setting = connection.Execute("SELECT @@lower_case_table_names", -1);
  return setting.Fields()[0].Value().toText() != "0";
}

}  // namespace

void RenameTable(const CommandParts& parts) {
  TableNames& list = *parts.mysqlList;
  if (list.ListIndex() == -1) {
    ui::MsgBox(parts.front->DialogOwner(), PleaseSelectATable());
    return;
  }
  int selected = 0, index = -1;
  for (int i = 0; i < list.ListCount(); ++i) {
    if (!list.Selected(i)) continue;
    ++selected;
    index = i;
  }
  if (selected != 1) {
    ui::MsgBox(parts.front->DialogOwner(), QStringLiteral("Please select just one table to rename"));
    return;
  }
  const QString oldName = list.List(index);
  const QString newName =
      ui::InputBox(parts.front->DialogOwner(), QStringLiteral("Enter new name of ") + oldName + ":", oldName);
  if (newName.isEmpty()) return;

  BusyPointer busy(*parts.front);
  ado::Connection connection;
  OpenMySqlProbe(connection, parts.settings());
  const bool folds = foldsTableNames(connection);
  connection.Execute("RENAME TABLE " + MySqlName(oldName.toStdString()) + " TO " + MySqlName(newName.toStdString()),
                     -1);
  connection.Close();
  list.RemoveItem(index);
  list.AddItem(folds ? newName.toLower() : newName);
}
