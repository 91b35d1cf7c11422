#include "SendTablesToFoxPro.h"

#include <vector>

#include "FoxProLiterals.h"
#include "KeysLeftOut.h"
#include "QuotedNames.h"
#include "TypedKeys.h"
#include "connections/ConnectionStrings.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "platform/ui/Dialogs.h"
#include "shell/CommandFront.h"
#include "shell/CommandParts.h"
#include "shell/Pump.h"
#include "shell/TableNames.h"

namespace {

std::string text(const QString& s) { return s.toStdString(); }

// The share of rows reached, as the progress bar shows it; never past 100, also when more rows
// arrive than were counted.
int percentReached(long row, long count) {
  if (count <= 0 || row + 1 >= count) return 100;
  return static_cast<int>(static_cast<float>(static_cast<double>(row + 1) / static_cast<double>(count) * 100.0));
}

// The entry the FoxPro list shows for the table just made from the MySQL table `name`: the name
// lower-cased, as for every copy; but the source's own name for it when the name was mapped to
// another (the container's my_table for "my table", the file ..%2Fx for "../x"), as the next
// refill shows it: no table has the lower-cased name then.
QString entryFor(ado::Connection& foxpro, const QString& name) {
  const QString listed = FoxProTableNamed(foxpro, name);
  return listed.isEmpty() || QString::compare(listed, name, Qt::CaseInsensitive) == 0 ? name.toLower() : listed;
}

// The CREATE TABLE text: one memo column per field (binary data byte for byte), named as the
// field with blanks and "/" made "_"; a name that reads as a number is asked for again. A typed
// copy gives each column its typed FoxPro type instead, put in `typed`.
std::string createStatement(const CommandParts& parts, ado::Connection& foxpro, const QString& table,
                            ado::Recordset& source, std::vector<FoxProType>& typed) {
  // The code page the new table gets, as the connection has it: the one asked for, else the locale's.
  const bool doubleByte =
      parts.typed && IsDoubleByteCodePage(static_cast<int>(foxpro.Property("Code Page").asInteger()));
  std::string statement = "CREATE TABLE " + FoxProName(text(table)) + "(";
  ado::Recordset::FieldList fields = source.Fields();
  for (int i = 0; i < fields.Count(); ++i) {
    shell::Pump();
    std::string column = FoxProColumnName(fields[i].Name());
    if (ReadsAsNumber(column))
      column = text(ui::InputBox(parts.front->DialogOwner(),
                                 QStringLiteral("Please change field name so it is not strictly numeric"),
                                 QString::fromStdString(column)));
    statement += FoxProName(column);
    if (parts.typed) {
      typed.push_back(TypedFoxProType(ShapeOf(fields[i]), doubleByte));
      statement += FoxProTypeText(typed.back());
    } else {
      statement += FoxProColumnType(fields[i].Type());
    }
    statement += ',';
  }
  statement.back() = ')';
  return statement;
}

// A statement buffer kept from row to row up to this size; a larger one goes with its row.
constexpr std::size_t kLargeStatement = 1 << 20;

// The literal of a value: as the window's copy writes it, or, for a typed column, as that type
// holds it; a value the typed column cannot hold stops the copy at its row.
void appendLiteral(std::string& statement, ado::Variant value, const std::vector<FoxProType>& typed, std::size_t i,
                   const std::string& table, const std::string& field, long row) {
  if (typed.empty()) return AppendValueLiteral(statement, value);
  const std::string why = AppendTypedLiteral(statement, value, typed[i]);
  if (why.empty()) return;
  constexpr std::size_t kShown = 40;
  std::string shown = value.kind() == ado::Variant::Kind::Bytes ? "(binary)" : value.toText();
  if (shown.size() > kShown) shown = shown.substr(0, kShown) + "…";
  throw ado::Error(3003, "Cannot store row " + std::to_string(row + 1) + " of table '" + table + "'. Field " + field +
                             ": " + shown + ": " + why + ".");
}

// Returns the number of rows copied.
long copyRows(const CommandParts& parts, ado::Connection& foxpro, const std::string& name, ado::Recordset& source,
              const std::vector<FoxProType>& typed) {
  const std::string table = FoxProName(name);
  const long count = source.RecordCount();
  std::vector<ado::Recordset::Field> fields;
  for (int i = 0; i < source.Fields().Count(); ++i) fields.push_back(source.Fields()[i]);
  const std::string head = "INSERT INTO " + table + " VALUES(";
  std::string statement;
  // Rows until the end of the source, not just `count` of them: on a storage engine without
  // snapshots another connection may add or remove rows after they were counted.
  long row = 0;
  for (; !source.Eof(); ++row) {
    shell::Pump();
    parts.front->CopyReaches(percentReached(row, count), row + 1, count);
    statement.assign(head);
    // Each value leaves the row as it goes into the statement, and a statement grown large by a
    // value is let go once it ran: a large value is not held twice over, nor kept for the next row.
    for (std::size_t i = 0; i < fields.size(); ++i) {
      shell::Pump();
      if (i > 0) statement += ", ";
      appendLiteral(statement, fields[i].TakeValue(), typed, i, name, fields[i].Name(), row);
    }
    statement += ')';
    foxpro.Execute(statement);
    if (statement.capacity() > kLargeStatement) std::string().swap(statement);
    source.MoveNext();
  }
  return row;
}

// The typed copy's tags, added once the rows are in (a table with an index takes no INSERT), on
// the fields as the new table names them. Returns the keys left out, and the candidate tags
// carried as regular ones.
std::vector<LeftOutKey> addTags(const CommandParts& parts, ado::Connection& foxpro, const QString& name,
                                const std::vector<MySqlKey>& keys, const std::vector<FoxProType>& typed,
                                ado::Recordset& source) {
  std::vector<FoxProField> fields;
  ado::Recordset made;
  made.Open("SELECT * FROM " + FoxProName(text(name)), foxpro);
  for (int i = 0; i < made.Fields().Count(); ++i)
    fields.push_back({source.Fields()[i].Name(), made.Fields()[i].Name(), typed[static_cast<std::size_t>(i)]});
  made.Close();
  const FoxProTagPlan plan = FoxProTagsFor(keys, fields, parts.settings().usesDbcFile());
  std::vector<LeftOutKey> leftOut = plan.leftOut;
  const std::string table = FoxProName(text(name));
  foxpro.Execute("USE " + table);
  for (FoxProTag tag : plan.tags) {
    try {
      foxpro.Execute(TagStatement(table, tag));
    } catch (const ado::Error& e) {
      constexpr int kNotUnique = 1884;  // the refused tag changed nothing
      if (e.Number() != kNotUnique || tag.primary) throw;
      tag.candidate = false;
      foxpro.Execute(TagStatement(table, tag));
      leftOut.push_back({tag.name + " (candidate)", tag.expression, kCandidateWithNulls});
    }
  }
  return leftOut;
}

// The table goes where the FoxPro source puts a table of that name: a table the name finds is
// replaced (after Yes), else a new file directly in the folder (a name is never a path). The
// question comes when the FoxPro list shows the name in any letter case, naming the MySQL
// table, and also when the name reaches a table the list does not show (a container's member
// in the file of that name), naming that table. The CREATE replaces the old table itself, and
// only once everything about the new one checks out, after the source has opened: a table is
// lost only when its replacement can be made, and its entry goes only then.
void sendTable(const CommandParts& parts, ado::Connection& foxpro, ado::Connection& mysql, const QString& name) {
  const bool listed = ListContains(*parts.foxproList, name);
  const QString old = FoxProTableNamed(foxpro, name);
  const bool replacing = listed || !old.isEmpty();
  if (replacing &&
      !ui::AskYesNo(parts.front->DialogOwner(), "Would you like to overwrite " + (listed ? name : old) + "?",
                    QStringLiteral("Overwrite?")))
    return;
  parts.front->CopyBegins(name);
  const std::vector<MySqlKey> keys = parts.typed ? ReadMySqlKeys(mysql, text(name)) : std::vector<MySqlKey>();
  ado::Recordset source;
  source.Open("SELECT * FROM " + MySqlName(text(name)), mysql, ado::adOpenStatic, ado::adLockOptimistic);
  std::vector<FoxProType> typed;
  foxpro.Execute(createStatement(parts, foxpro, name, source, typed));
  const QString entry = entryFor(foxpro, name);
  // An entry that matched the name only without regard to case stays, as it always has; a
  // table listed under a mapped name (the one it had, kept by the CREATE) is not listed twice.
  if (replacing) RemoveListItem(*parts.foxproList, name.toLower());
  if (entry != name.toLower()) RemoveListItem(*parts.foxproList, entry);
  const long rows = copyRows(parts, foxpro, text(name), source, typed);
  const std::vector<LeftOutKey> leftOut =
      parts.typed ? addTags(parts, foxpro, name, keys, typed, source) : std::vector<LeftOutKey>();
  // The connection holds the last rows back: they reach the table's file (or their failure to
  // be written is this table's error) before the table counts as copied. A catalogue read writes
  // every row held first.
  FoxProTableNamed(foxpro, name);
  parts.front->CopyEnds(rows);
  ReportLeftOut(*parts.front, name, leftOut);
  source.Close();
  parts.foxproList->AddItem(entry);
}

}  // namespace

QString FoxProTableNamed(ado::Connection& foxpro, const QString& name) {
  ado::Recordset rs = foxpro.OpenSchema(ado::adSchemaTables, {{}, {}, text(name), "TABLE"});
  return rs.Eof() ? QString() : QString::fromStdString(rs.Fields()["TABLE_NAME"].Value().toText());
}

void SendTablesToFoxPro(const CommandParts& parts) {
  TableNames& tables = *parts.mysqlList;
  if (tables.ListIndex() == -1) {
    ui::MsgBox(parts.front->DialogOwner(), PleaseSelectATable());
    return;
  }
  BusyPointer hourglass(*parts.front);
  const ConnectionSettings settings = parts.settings();
  ado::Connection foxpro;
  foxpro.SetCursorLocation(ado::adUseServer);
  foxpro.Open(FoxProConnectionString(settings, parts.foxproCodePage, true), "", "", -1);
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
