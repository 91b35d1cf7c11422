#pragma once
// Both table lists filled as the main window's load fills them: every MySQL table, every FoxPro
// table of the source the settings name.
#include "connections/ConnectionStrings.h"
#include "platform/ado/Connection.h"
#include "shell/TableList.h"

inline void FillLists(const ConnectionSettings& settings, TableList* mysqlList, TableList* foxproList) {
  mysqlList->Clear();
  foxproList->Clear();
  ado::Connection mysql;
  mysql.Open(MySqlConnectionString(settings, false));
  for (ado::Recordset rs = mysql.Execute("SHOW TABLES;"); !rs.Eof(); rs.MoveNext())
    mysqlList->AddItem(QString::fromStdString(rs.Fields()[0].Value().toText()));
  ado::Connection foxpro;
  foxpro.Open(FoxProConnectionString(settings));
  for (ado::Recordset rs = foxpro.OpenSchema(ado::adSchemaTables); !rs.Eof(); rs.MoveNext())
    if (rs.Fields()["TABLE_TYPE"].Value().toText() == "TABLE")
      foxproList->AddItem(QString::fromStdString(rs.Fields()["TABLE_NAME"].Value().toText()));
}
