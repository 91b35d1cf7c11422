#include "SendTablesToFoxPro.h"

#include <QProgressBar>
#include <algorithm>
#include <vector>

#include "FoxProLiterals.h"
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

// A table name or path as the FoxPro dialect reads it: in brackets, or quoted (quotes doubled)
// when it holds a closing bracket, which a bracketed name cannot.
std::string foxproName(const std::string& name) {
  if (name.find(']') == std::string::npos) return "[" + name + "]";
  std::string quoted = "'";
  for (char c : name) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

// The folder new tables go to, with its separator: the container's folder, or the free table
// folder as typed. An empty folder stays empty: the bare file name then lies where the FoxPro
// connection resolves it too, in the current folder.
QString targetFolder(const ConnectionSettings& settings) {
  QString folder = settings.usesDbcFile() ? DirectoryOf(settings.DBCFile) : settings.FreeTableFolder;
  if (!folder.isEmpty() && !folder.endsWith('/') && !folder.endsWith('\\')) folder += '/';
  return folder;
}

// The share of rows reached, as the progress bar shows it; never past 100, also when more rows
// arrive than were counted.
int percentReached(long row, long count) {
  if (count <= 0 || row + 1 >= count) return 100;
  return static_cast<int>(static_cast<float>(static_cast<double>(row + 1) / static_cast<double>(count) * 100.0));
}

// The CREATE TABLE text: one memo column per field (binary data byte for byte), named as the
// field with blanks and "/" made "_"; a name that reads as a number is asked for again.
std::string createStatement(const MainWindowParts& parts, const std::string& path, ado::Recordset& source) {
  std::string statement = "CREATE TABLE '";
  for (char c : path) statement += c == '\'' ? std::string("''") : std::string(1, c);
  statement += "'(";
  ado::Recordset::FieldList fields = source.Fields();
  for (int i = 0; i < fields.Count(); ++i) {
    shell::Pump();
    std::string column = FoxProColumnName(fields[i].Name());
    std::string bare = column;
    std::erase_if(bare, [](char c) { return c == '[' || c == ']'; });
    if (ReadsAsNumber(bare)) {
      QString answer =
          ui::InputBox(parts.window, QStringLiteral("Please change field name so it is not strictly numeric"),
                       QString::fromStdString(bare));
      column = "[" + text(answer) + "]";
    }
    statement += column;
    statement += FoxProColumnType(fields[i].Type());
    statement += ',';
  }
  statement.back() = ')';
  return statement;
}

// A statement buffer kept from row to row up to this size; a larger one goes with its row.
constexpr std::size_t kLargeStatement = 1 << 20;

void copyRows(const MainWindowParts& parts, ado::Connection& foxpro, const std::string& path, ado::Recordset& source) {
  const long count = source.RecordCount();
  std::vector<ado::Recordset::Field> fields;
  for (int i = 0; i < source.Fields().Count(); ++i) fields.push_back(source.Fields()[i]);
  const std::string head = "INSERT INTO " + foxproName(path) + " VALUES(";
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

void sendTable(const MainWindowParts& parts, ado::Connection& foxpro, ado::Connection& mysql, const QString& name) {
  if (ListContains(parts.foxproList, name)) {
    if (!ui::AskYesNo(parts.window, "Would you like to overwrite " + name + "?", QStringLiteral("Overwrite?"))) return;
    foxpro.Execute("DROP TABLE " + foxproName(text(name.toLower())));
    RemoveListItem(parts.foxproList, name.toLower());
  }
  ado::Recordset source;
  source.Open("SELECT * FROM " + MySqlName(name), mysql, ado::adOpenStatic, ado::adLockOptimistic);

  const QString path = targetFolder(parts.settings()) + name + ".DBF";
  if (FileExists(path)) DeleteFileQuietly(path);
  foxpro.Execute(createStatement(parts, text(path), source));
  copyRows(parts, foxpro, text(path), source);
  parts.progressBar->setValue(0);
  source.Close();
  parts.foxproList->AddItem(name.toLower());
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
