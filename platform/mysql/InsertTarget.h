#pragma once
// The base table behind a result, taken from the result's metadata (db, org_table, org_name),
// and the INSERT statements that add rows to it.
#include <mysql.h>

#include <memory>
#include <string>
#include <vector>

namespace mysql {

// `name` with backticks, a backtick inside doubled.
std::string quoteName(const std::string& name);

class InsertTarget {
 public:
  static std::shared_ptr<const InsertTarget> fromResult(MYSQL_RES* result);

  const std::string& database() const { return database_; }
  const std::string& table() const { return table_; }
  // "db.table": tells one table from another.
  std::string key() const { return database_ + "." + table_; }
  // The column behind result field `field` (empty for an expression).
  const std::string& column(std::size_t field) const { return columns_[field]; }

  // Throws ado::Error when no row can be inserted through these fields (no base table, several
  // tables, or an assigned field that is an expression rather than a column).
  void check(const std::vector<bool>& assigned) const;
  // "INSERT INTO `db`.`t` (`a`,`b`) VALUES (?,?),(?,?)" for the assigned fields and `rows` rows.
  std::string insertSql(const std::vector<bool>& assigned, std::size_t rows) const;
  // "LOAD DATA LOCAL INFILE … INTO TABLE `db`.`t` … (`a`,`b`)" for the assigned fields, in the
  // text form of LoadText.h.
  std::string loadSql(const std::vector<bool>& assigned) const;

 private:
  std::string database_, table_;
  std::vector<std::string> columns_;  // per result field; empty for an expression
  std::string problem_;
};

}  // namespace mysql
