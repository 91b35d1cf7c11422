#pragma once
// The record sets of a MySQL session: a result stored on the client, and a record set whose
// query runs only when its rows are first read.
#include <mysql.h>

#include <memory>
#include <string>
#include <vector>

#include "InsertTarget.h"
#include "platform/ado/Provider.h"

namespace mysql {

class MySqlSession;

// A whole result fetched at once (mysql_store_result): its row count is exact from the start.
class StoredCursor : public ado::provider::Cursor {
 public:
  StoredCursor(MySqlSession& session, MYSQL_RES* result, bool updatable);
  ~StoredCursor() override;

  const std::vector<ado::provider::FieldInfo>& fields() const override { return fields_; }
  long recordCount() const override;
  bool fetch(std::vector<ado::Variant>& row) override;
  void insert(const std::vector<ado::Variant>& values, const std::vector<bool>& assigned) override;

  const std::shared_ptr<const InsertTarget>& target() const { return target_; }

 private:
  MySqlSession& session_;
  MYSQL_RES* result_;
  bool updatable_;
  std::vector<ado::provider::FieldInfo> fields_;
  std::shared_ptr<const InsertTarget> target_;
  long inserted_ = 0;
};

// The layout of the results of one query shape (see queryShape).
struct Shape {
  std::vector<ado::provider::FieldInfo> fields;
  std::shared_ptr<const InsertTarget> target;
};

// A keyset record set whose layout is known from an earlier query of the same shape. Rows added
// through it need no query; the query runs (after every buffered row was sent) when its rows or
// count are first asked for, and then shows the table as it stands at that moment. If the table's
// columns changed since the layout was learned, that first read is an error (1412).
class LazyCursor : public ado::provider::Cursor {
 public:
  LazyCursor(MySqlSession& session, std::string sql, std::shared_ptr<const Shape> shape, bool updatable);

  const std::vector<ado::provider::FieldInfo>& fields() const override;
  long recordCount() const override;
  bool fetch(std::vector<ado::Variant>& row) override;
  void insert(const std::vector<ado::Variant>& values, const std::vector<bool>& assigned) override;

 private:
  StoredCursor& rows() const;

  MySqlSession& session_;
  std::string sql_;
  std::shared_ptr<const Shape> shape_;
  bool updatable_;
  mutable std::unique_ptr<StoredCursor> rows_;
};

}  // namespace mysql
