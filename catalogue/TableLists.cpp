#include "TableLists.h"

#include "connections/ConnectionStrings.h"
#include "platform/ado/Connection.h"
#include "shell/Pump.h"
#include "shell/TableNames.h"

namespace {

QString text(const ado::Recordset::Field& field) { return QString::fromStdString(field.Value().toText()); }

}  // namespace

void LoadFoxProTables(TableNames& list, const std::string& connectionString) {
  ado::Connection connection;
  connection.Open(connectionString, "", "", -1);
  ado::Recordset tables = connection.OpenSchema(ado::adSchemaTables);
  list.Clear();
  for (; !tables.Eof(); tables.MoveNext()) {
    if (tables.Fields()["TABLE_TYPE"].Value().toText() != "TABLE") continue;
    shell::Pump();
    list.AddItem(text(tables.Fields()["TABLE_NAME"]));
  }
  tables.Close();
  connection.Close();
}

void LoadMySqlTables(TableNames& list, const ConnectionSettings& settings) {
  ado::Connection connection;
  // Client-side, so that the number of rows is known before they are read.
  connection.SetCursorLocation(ado::adUseClient);
  connection.Open(MySqlConnectionString(settings, false), "", "", -1);
  ado::Recordset tables = connection.Execute("SHOW TABLES;", -1);
  list.Clear();
  const long count = tables.RecordCount();
  for (long row = 1; row <= count; ++row) {
    shell::Pump();
    list.AddItem(text(tables.Fields()[0]));
    tables.MoveNext();
  }
  tables.Close();
}
