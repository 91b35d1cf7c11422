#include "SendTablesToMySql.h"

#include <QList>
#include <QString>
#include <cctype>

#include "Datatype.h"
#include "KeysLeftOut.h"
#include "QuotedNames.h"
#include "TypedKeys.h"
#include "ValueForms.h"
#include "connections/ConnectionStrings.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "platform/ui/Dialogs.h"
#include "shell/CommandFront.h"
#include "shell/CommandParts.h"
#include "shell/Pump.h"
#include "shell/TableNames.h"

namespace {

using ado::Variant;

bool contains(const std::string& text, std::string_view fragment) { return text.find(fragment) != std::string::npos; }

// MySQL tells column names apart without regard to case.
bool sameColumn(const std::string& a, const std::string& b) {
  return QString::compare(QString::fromStdString(a), QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

// What the server would refuse in a CREATE's column names: checked before an old table is
// dropped for the new one.
void checkColumnNames(const std::vector<std::string>& names) {
  for (std::size_t i = 0; i < names.size(); ++i)
    if (std::optional<ado::Error> problem = ColumnNameProblem(names, i)) throw *problem;
}

// The server's text for a refused value ends with " at row 1": the one row of its INSERT, not a
// row of the table.
std::string withoutStatementRow(std::string description) {
  constexpr std::string_view kRow1 = " at row 1";
  if (description.ends_with(kRow1)) description.resize(description.size() - kRow1.size());
  return description;
}

// `row` empty: a failure of the table as a whole, after its rows.
[[noreturn]] void throwForRow(const ado::Error& e, const std::string& table, const std::string& row) {
  throw ado::Error(e.Number(),
                   withoutStatementRow(e.Description()) + "\n\nTable " + table + (row.empty() ? "" : ", " + row) + ".");
}

// One table, from the overwrite question to its entry in the MySQL list.
class TableCopy {
 public:
  TableCopy(const CommandParts& parts, ado::Connection& foxpro, ado::Connection& mysql, ado::Recordset& source,
            ado::Recordset& destination, QString name)
      : parts_(parts),
        foxpro_(foxpro),
        mysql_(mysql),
        source_(source),
        destination_(destination),
        listName_(std::move(name)),
        name_(listName_.toStdString()) {}

  // The old table is dropped only once the source has opened and the new table's text is made,
  // its column names checked: a table is lost only when its replacement can be made.
  void run() {
    const bool replace = ListContains(*parts_.mysqlList, listName_);
    if (replace &&
        !ui::AskYesNo(parts_.front->DialogOwner(), QStringLiteral("Would you like to overwrite %1?").arg(listName_),
                      QStringLiteral("Overwrite?")))
      return;
    parts_.front->CopyBegins(listName_);
    const std::vector<FoxProTag> tags = parts_.typed ? ReadFoxProTags(foxpro_, name_) : std::vector<FoxProTag>();
    source_.Open("SELECT * FROM " + FoxProName(name_), foxpro_);
    const std::string create = createText();
    indexes_ = MySqlIndexesFor(tags, fieldNames());
    if (replace) {
      // On a server that tells names apart by case, the list's entry may be another table than N.
      mysql_.Execute("DROP TABLE IF EXISTS " + MySqlName(name_));
      RemoveListItem(*parts_.mysqlList, listName_);
    }
    mysql_.Execute(create);
    const long rows = copyRows();
    parts_.front->CopyEnds(rows);
    ReportLeftOut(*parts_.front, listName_, indexes_.leftOut);
    source_.Close();
    parts_.mysqlList->AddItem(listName_);
  }

 private:
  std::vector<std::string> fieldNames() const {
    std::vector<std::string> names;
    for (int j = 0; j < source_.Fields().Count(); ++j) names.push_back(source_.Fields()[j].Name());
    return names;
  }

  std::string createText() {
    const ado::Recordset::FieldList fields = source_.Fields();
    const int count = fields.Count();
    const std::vector<std::string> names = fieldNames();
    temporary_ = TemporaryColumnName(names);
    std::vector<SourceColumn> columns;
    std::vector<std::string> typedTypes;
    for (int j = 0; j < count; ++j) {
      shell::Pump();
      columns.push_back({names[j], static_cast<std::int16_t>(fields[j].Type())});
      if (!parts_.typed) continue;
      typedShapes_.push_back(ShapeOf(fields[j]));
      typedTypes.push_back(TypedMySqlType(typedShapes_.back()));
    }
    try {
      return CreateTableText(name_, temporary_, columns, typedTypes);
    } catch (const ado::Error& e) {
      throwForRow(e, name_, "");
    }
  }

  // Returns the number of rows copied.
  long copyRows() {
    const long count = source_.RecordCount();
    const std::string lookup = "select * from " + MySqlName(name_) + " where " + MySqlName(temporary_) + "=";
    const std::vector<ado::Recordset::Field> from = fieldsOf(source_);
    const std::size_t width = from.size();
    std::vector<Variant> row(width);
    // The destination's fields, taken once it first opens: a Field refers to its record set by
    // position, and every reopening of the lookup gives the same columns.
    std::vector<ado::Recordset::Field> to;
    long k = 0;
    try {
      for (; k < count; ++k) {
        shell::Pump();
        parts_.front->CopyReaches(static_cast<int>(static_cast<float>((k + 1.0) / count * 100.0)), k + 1, count);
        readRow(from, row, k);
        destination_.Open(lookup + std::to_string(k), mysql_, ado::adOpenKeyset, ado::adLockOptimistic);
        destination_.AddNew();
        if (to.empty()) {
          to = fieldsOf(destination_);
          // A table that lost columns since its CREATE: the layer's own error for the missing field.
          if (to.size() <= width) destination_.Fields().Item(static_cast<int>(width));
        }
        to[0].SetValue(k);
        for (std::size_t j = 0; j < width; ++j) to[j + 1].SetValue(std::move(row[j]));
        destination_.Update();
        if (destination_.State() == ado::adStateOpen) destination_.Close();
        moveNext(k);
      }
      // A typed copy's indexes are built here, after the rows, in the same pass over the table.
      mysql_.Execute("ALTER TABLE " + MySqlName(name_) + " DROP COLUMN " + MySqlName(temporary_) +
                     AddIndexClauses(indexes_.indexes));
      return count;
    } catch (const SourceFailure& failure) {
      throwForRow(failure.error, name_, "row " + std::to_string(failure.row));
    } catch (const ado::Error& e) {
      throwForRow(e, name_, failedRow(count));
    }
  }

  // A failure of the FoxPro side, at the row being read.
  struct SourceFailure {
    ado::Error error;
    long row;
  };

  static std::vector<ado::Recordset::Field> fieldsOf(const ado::Recordset& records) {
    const ado::Recordset::FieldList list = records.Fields();
    std::vector<ado::Recordset::Field> fields;
    for (int j = 0; j < list.Count(); ++j) fields.push_back(list[j]);
    return fields;
  }

  // Each value is read once, so it is taken rather than copied. A typed column's value is made
  // what the column stores; one the column refuses stops the copy at its row, as the server would.
  void readRow(const std::vector<ado::Recordset::Field>& from, std::vector<Variant>& row, long k) {
    try {
      for (std::size_t j = 0; j < row.size(); ++j) {
        row[j] = from[j].TakeValue();
        if (typedShapes_.empty()) {
          SecondsOnly(row[j]);
          continue;
        }
        constexpr int kOutOfRange = 1264;
        const std::string refused = TypedMySqlValue(row[j], typedShapes_[j]);
        if (!refused.empty()) throw SourceFailure{ado::Error(kOutOfRange, refused), k};
      }
    } catch (const ado::Error& e) {
      throw SourceFailure{e, k};
    }
  }

  void moveNext(long k) {
    try {
      source_.MoveNext();
    } catch (const ado::Error& e) {
      throw SourceFailure{e, k + 1};
    }
  }

  // Rows may reach the server in groups, so a refused row is reported at a later call. Every row
  // before it is stored and none after it, and rows are numbered from 0: the number of rows
  // stored is the refused row's number.
  // All `count` rows stored: the failure is the ALTER's, no row's.
  // When the connection itself failed, the count cannot be asked for.
  std::string failedRow(long count) {
    try {
      ado::Recordset stored = mysql_.Execute("SELECT COUNT(*) FROM " + MySqlName(name_));
      const std::string rows = stored.Fields()[0].Value().toText();
      return rows == std::to_string(count) ? std::string() : "row " + rows;
    } catch (const ado::Error&) {
      return "copy stopped; the rows the server had acknowledged are stored";
    }
  }

  const CommandParts& parts_;
  ado::Connection& foxpro_;
  ado::Connection& mysql_;
  ado::Recordset& source_;
  ado::Recordset& destination_;
  const QString listName_;
  const std::string name_;
  std::string temporary_;
  std::vector<FieldShape> typedShapes_;  // a typed copy's source fields
  MySqlIndexPlan indexes_;
};

}  // namespace

std::optional<ado::Error> ColumnNameProblem(const std::vector<std::string>& names, std::size_t i) {
  constexpr qsizetype kLongestName = 64;
  const QString name = QString::fromStdString(names[i]);
  if (name.isEmpty() || name.endsWith(' ') || name.contains(QChar(0)))
    return ado::Error(1166, "Incorrect column name '" + names[i] + "'");
  if (name.toUcs4().size() > kLongestName) return ado::Error(1059, "Identifier name '" + names[i] + "' is too long");
  for (std::size_t j = 0; j < i; ++j)
    if (sameColumn(names[j], names[i])) return ado::Error(1060, "Duplicate column name '" + names[i] + "'");
  return std::nullopt;
}

std::string TemporaryColumnName(const std::vector<std::string>& fieldNames) {
  std::int16_t counter = 0;
  std::string candidate = "tempid0";
  for (std::size_t i = 0; i < fieldNames.size(); ++i) {
    if (!sameColumn(fieldNames[i], candidate)) continue;
    ++counter;
    candidate = "tempid" + std::to_string(counter);
    i = static_cast<std::size_t>(-1);  // compare again from the first field
  }
  return candidate;
}

std::string MySqlColumnType(std::int16_t typeCode) {
  std::string name(AdoTypeName(typeCode));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (contains(name, "char")) return "LONGTEXT";
  if (contains(name, "binary")) return "LONGBLOB";
  if (contains(name, "boolean")) return "BIT";
  if (contains(name, "dec") || contains(name, "numeric") || contains(name, "double")) return "DOUBLE";
  if (contains(name, "smallint")) return "SMALLINT";
  if (contains(name, "int")) return "DOUBLE";
  return "LONGTEXT";
}

std::string CreateTableText(const std::string& table, const std::string& temporaryColumn,
                            const std::vector<SourceColumn>& columns, const std::vector<std::string>& typedTypes) {
  std::vector<std::string> names{temporaryColumn};
  for (const SourceColumn& c : columns) names.push_back(c.name);
  checkColumnNames(names);
  std::string sql =
      "CREATE TABLE " + MySqlName(table) + "( " + MySqlName(temporaryColumn) + " INTEGER UNSIGNED NOT NULL,";
  for (std::size_t i = 0; i < columns.size(); ++i)
    sql += MySqlName(columns[i].name) + " " + (typedTypes.empty() ? MySqlColumnType(columns[i].type) : typedTypes[i]) +
           ",";
  sql.pop_back();
  return sql + " ) DEFAULT CHARSET=utf8mb4;";
}

void SendTablesToMySql(const CommandParts& parts) {
  TableNames& list = *parts.foxproList;
  if (list.ListIndex() == -1) {
    ui::MsgBox(parts.front->DialogOwner(), QStringLiteral("Please select a table to send."));
    return;
  }
  parts.front->ShowBusy(true);
  const ConnectionSettings settings = parts.settings();
  ado::Connection foxpro, mysql;
  foxpro.SetCursorLocation(ado::adUseClient);
  foxpro.Open(FoxProConnectionString(settings, parts.foxproCodePage), "", "", -1);
  mysql.SetCursorLocation(ado::adUseServer);
  mysql.Open(MySqlConnectionString(settings, true), "", "", -1);
  ado::Recordset source, destination;
  for (int i = list.ListCount() - 1; i >= 0; --i)
    if (list.Selected(i)) TableCopy(parts, foxpro, mysql, source, destination, list.List(i)).run();
  parts.front->ShowBusy(false);
  mysql.Close();
  foxpro.Close();
}
