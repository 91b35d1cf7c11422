#include "InsertTarget.h"

#include "LoadText.h"
#include "platform/ado/Error.h"

namespace mysql {

std::string quoteName(const std::string& name) {
  std::string quoted = "`";
  for (char c : name) {
    quoted += c;
    if (c == '`') quoted += '`';
  }
  return quoted + "`";
}

std::shared_ptr<const InsertTarget> InsertTarget::fromResult(MYSQL_RES* result) {
  auto target = std::make_shared<InsertTarget>();
  unsigned count = mysql_num_fields(result);
  MYSQL_FIELD* fields = mysql_fetch_fields(result);
  for (unsigned i = 0; i < count; ++i) {
    const MYSQL_FIELD& f = fields[i];
    std::string table(f.org_table, f.org_table_length);
    std::string database(f.db, f.db_length);
    if (table.empty()) {
      target->columns_.emplace_back();
      continue;
    }
    if (target->table_.empty()) {
      target->table_ = table;
      target->database_ = database;
    } else if (table != target->table_ || database != target->database_) {
      target->problem_ = "Rows cannot be added to a result drawn from more than one table.";
    }
    target->columns_.emplace_back(f.org_name, f.org_name_length);
  }
  if (target->table_.empty()) target->problem_ = "Rows cannot be added to a result that is not drawn from a table.";
  return target;
}

void InsertTarget::check(const std::vector<bool>& assigned) const {
  if (!problem_.empty()) throw ado::Error(ado::errors::kNotSupported, problem_);
  for (std::size_t i = 0; i < assigned.size() && i < columns_.size(); ++i)
    if (assigned[i] && columns_[i].empty())
      throw ado::Error(ado::errors::kNotSupported, "Field " + std::to_string(i) + " is an expression, not a column.");
}

namespace {

// "`a`,`b`": the columns of the assigned fields.
std::string columnList(const std::vector<std::string>& columns, const std::vector<bool>& assigned) {
  std::string list;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (!assigned[i]) continue;
    if (!list.empty()) list += ",";
    list += quoteName(columns[i]);
  }
  return list;
}

}  // namespace

std::string InsertTarget::loadSql(const std::vector<bool>& assigned) const {
  std::string sql = "LOAD DATA LOCAL INFILE 'rows' INTO TABLE ";
  if (!database_.empty()) sql += quoteName(database_) + ".";
  return sql + quoteName(table_) + kLoadFormat + " (" + columnList(columns_, assigned) + ")";
}

std::string InsertTarget::insertSql(const std::vector<bool>& assigned, std::size_t rows) const {
  std::string sql = "INSERT INTO ";
  if (!database_.empty()) sql += quoteName(database_) + ".";
  sql += quoteName(table_) + " (" + columnList(columns_, assigned) + ") VALUES ";
  std::string row = "(";
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (assigned[i]) row += row.size() > 1 ? ",?" : "?";
  row += ")";
  sql.reserve(sql.size() + rows * (row.size() + 1));
  for (std::size_t r = 0; r < rows; ++r) {
    if (r) sql += ",";
    sql += row;
  }
  return sql;
}

}  // namespace mysql
