#include "SendTablesToFoxPro.h"

#include <QProgressBar>
#include <vector>

#include "FoxProLiterals.h"
#include "QuotedNames.h"
#include "connections/ConnectionStrings.h"
#include "platform/ado/Connection.h"
#include "platform/ui/Dialogs.h"
#include "shell/Command.h"
#include "shell/Helpers.h"
#include "shell/MainWindowParts.h"
#include "shell/Pointer.h"
#include "shell/TableList.h"

namespace {

std::string text(const QString& s) { return s.toStdString(); }

// The share of rows reached, as the progress bar shows it; never past 100, also when more rows
// arrive than were counted.
int percentReached(long row, long count) {
  if (count <= 0 || row + 1 >= count) return 100;
  return static_cast<int>(static_cast<float>(static_cast<double>(row + 1) / static_cast<double>(count) * 100.0));
}

// The table of the FoxPro source that a statement naming `name` reaches, as the source lists it
// (the container's my_table for "my table", the file ..%2Fx.DBF for "../x"); empty when there
// is none. The copy's CREATE replaces exactly this table.
QString foxproTableNamed(ado::Connection& foxpro, const QString& name) {
  ado::Recordset rs = foxpro.OpenSchema(ado::adSchemaTables, {{}, {}, text(name), "TABLE"});
  return rs.Eof() ? QString() : QString::fromStdString(rs.Fields()["TABLE_NAME"].Value().toText());
}

// Whether `entry`, the lower-cased name of the table `listed`, is the exact name of another
// table of the source (orders beside ORDERS), and so cannot stand for `listed` in the list.
bool namesAnotherTable(ado::Connection& foxpro, const QString& entry, const QString& listed) {
  return entry != listed && foxproTableNamed(foxpro, entry) == entry;
}

// The entry the FoxPro list shows for the table `listed` copied from the MySQL table `name`: the
// name lower-cased; or as the source lists the table, as the next refill shows it, when that is
// another name (the container's my_table, the file ..%2Fx) or the lower-cased name is another
// table's.
QString entryFor(ado::Connection& foxpro, const QString& listed, const QString& name) {
  if (listed.isEmpty()) return name.toLower();
  if (QString::compare(listed, name, Qt::CaseInsensitive) != 0) return listed;
  return namesAnotherTable(foxpro, name.toLower(), listed) ? listed : name.toLower();
}

// After `old` was replaced by the table `listed`: the old entry goes, and so does the
// lower-cased entry an earlier copy may have made for it (or for the new table).
void removeReplaced(const MainWindowParts& parts, ado::Connection& foxpro, const QString& old, const QString& name,
                    const QString& listed) {
  RemoveListItem(parts.foxproList, old);
  const QString lower = name.toLower();
  if (QString::compare(old, name, Qt::CaseInsensitive) == 0 &&
      (lower == listed || !namesAnotherTable(foxpro, lower, old)))
    RemoveListItem(parts.foxproList, lower);
}

// The CREATE TABLE text: one memo column per field (binary data byte for byte), named as the
// field with blanks and "/" made "_"; a name that reads as a number is asked for again.
std::string createStatement(const MainWindowParts& parts, const QString& table, ado::Recordset& source) {
  std::string statement = "CREATE TABLE " + FoxProName(text(table)) + "(";
  ado::Recordset::FieldList fields = source.Fields();
  for (int i = 0; i < fields.Count(); ++i) {
    shell::Pump();
    std::string column = FoxProColumnName(fields[i].Name());
    if (ReadsAsNumber(column))
      column = text(ui::InputBox(parts.window, QStringLiteral("Please change field name so it is not strictly numeric"),
                                 QString::fromStdString(column)));
    statement += FoxProName(column);
    statement += FoxProColumnType(fields[i].Type());
    statement += ',';
  }
  statement.back() = ')';
  return statement;
}

// A statement buffer kept from row to row up to this size; a larger one goes with its row.
constexpr std::size_t kLargeStatement = 1 << 20;

void copyRows(const MainWindowParts& parts, ado::Connection& foxpro, const std::string& table, ado::Recordset& source) {
  const long count = source.RecordCount();
  std::vector<ado::Recordset::Field> fields;
  for (int i = 0; i < source.Fields().Count(); ++i) fields.push_back(source.Fields()[i]);
  const std::string head = "INSERT INTO " + table + " VALUES(";
  std::string statement;
  // Rows until the end of the source, not just `count` of them: on a storage engine without
  // snapshots another connection may add or remove rows after they were counted.
  for (long row = 0; !source.Eof(); ++row) {
    shell::Pump();
    parts.progressBar->setValue(percentReached(row, count));
    statement.assign(head);
    // Each value leaves the row as it goes into the statement, and a statement grown large by a
    // value is let go once it ran: a large value is not held twice over, nor kept for the next row.
    for (std::size_t i = 0; i < fields.size(); ++i) {
      shell::Pump();
      if (i > 0) statement += ", ";
      AppendValueLiteral(statement, fields[i].TakeValue());
    }
    statement += ')';
    foxpro.Execute(statement);
    if (statement.capacity() > kLargeStatement) std::string().swap(statement);
    source.MoveNext();
  }
}

// The table goes where the FoxPro source puts a table of that name: a table the name finds is
// replaced (after Yes), else a new file directly in the folder (a name is never a path). The
// CREATE replaces the old table itself, and only once everything about the new one checks out,
// after the source has opened: a table is lost only when its replacement can be made.
void sendTable(const MainWindowParts& parts, ado::Connection& foxpro, ado::Connection& mysql, const QString& name) {
  const QString old = foxproTableNamed(foxpro, name);
  if (!old.isEmpty() &&
      !ui::AskYesNo(parts.window, "Would you like to overwrite " + old + "?", QStringLiteral("Overwrite?")))
    return;
  ado::Recordset source;
  source.Open("SELECT * FROM " + MySqlName(text(name)), mysql, ado::adOpenStatic, ado::adLockOptimistic);
  foxpro.Execute(createStatement(parts, name, source));
  const QString listed = foxproTableNamed(foxpro, name);
  if (!old.isEmpty()) removeReplaced(parts, foxpro, old, name, listed);
  copyRows(parts, foxpro, FoxProName(text(name)), source);
  parts.progressBar->setValue(0);
  source.Close();
  parts.foxproList->AddItem(entryFor(foxpro, listed, name));
}

}  // namespace

void SendTablesToFoxPro(const MainWindowParts& parts) {
  TableList& tables = *parts.mysqlList;
  if (tables.ListIndex() == -1) {
    ui::MsgBox(parts.window, QStringLiteral("Please select a table"));
    return;
  }
  shell::Hourglass hourglass(parts.window);
  const ConnectionSettings settings = parts.settings();
  ado::Connection foxpro;
  foxpro.SetCursorLocation(ado::adUseServer);
  foxpro.Open(FoxProConnectionString(settings), "", "", -1);
  ado::Connection mysql;
  mysql.SetCursorLocation(ado::adUseClient);
  mysql.Open(MySqlConnectionString(settings, false), "", "", -1);
  for (int i = tables.ListCount() - 1; i >= 0; --i) {
    shell::Pump();
    if (i < tables.ListCount() && tables.Selected(i)) sendTable(parts, foxpro, mysql, tables.List(i));
  }
  mysql.Close();
  foxpro.Close();
}
