#include "Cursors.h"

#include <algorithm>

#include "FieldTypes.h"
#include "MySqlSession.h"
#include "platform/ado/Error.h"

namespace mysql {

namespace {
constexpr long kTableDefinitionChanged = 1412;  // MySQL's ER_TABLE_DEF_CHANGED
}

StoredCursor::StoredCursor(MySqlSession& session, MYSQL_RES* result, bool updatable)
    : session_(session), result_(result), updatable_(updatable) {
  // A stored result needs its connection no more; detaching it lets the result outlive the handle.
  result_->handle = nullptr;
  unsigned count = mysql_num_fields(result_);
  MYSQL_FIELD* fields = mysql_fetch_fields(result_);
  for (unsigned i = 0; i < count; ++i) fields_.push_back(fieldInfo(fields[i]));
  target_ = InsertTarget::fromResult(result_);
}

StoredCursor::~StoredCursor() { mysql_free_result(result_); }

long StoredCursor::recordCount() const { return static_cast<long>(mysql_num_rows(result_)) + inserted_; }

bool StoredCursor::fetch(std::vector<ado::Variant>& row) {
  MYSQL_ROW cells = mysql_fetch_row(result_);
  if (!cells) return false;
  unsigned long* lengths = mysql_fetch_lengths(result_);
  MYSQL_FIELD* fields = mysql_fetch_fields(result_);
  row.resize(fields_.size());
  for (std::size_t i = 0; i < fields_.size(); ++i) row[i] = decodeValue(fields[i], cells[i], lengths[i]);
  return true;
}

void StoredCursor::insert(const std::vector<ado::Variant>& values, const std::vector<bool>& assigned) {
  if (!updatable_) Cursor::insert(values, assigned);
  session_.insert(target_, values, assigned);
  ++inserted_;
}

LazyCursor::LazyCursor(MySqlSession& session, std::string sql, std::shared_ptr<const Shape> shape, bool updatable)
    : session_(session), sql_(std::move(sql)), shape_(std::move(shape)), updatable_(updatable) {}

StoredCursor& LazyCursor::rows() const {
  if (!rows_) {
    std::unique_ptr<StoredCursor> rows = session_.query(sql_, updatable_);
    if (!rows) throw ado::Error(ado::errors::kObjectClosed, "The query returned no rows.");
    // The caller was given the remembered layout (and a new row sized to it): fields that
    // changed under it would put values into other columns.
    const auto& now = rows->fields();
    const auto& given = shape_->fields;
    if (!std::equal(now.begin(), now.end(), given.begin(), given.end(),
                    [](const auto& a, const auto& b) { return a.name == b.name && a.type == b.type; }))
      throw ado::Error(kTableDefinitionChanged,
                       "The table's columns changed after the record set was opened; open the record set again.");
    rows_ = std::move(rows);
  }
  return *rows_;
}

const std::vector<ado::provider::FieldInfo>& LazyCursor::fields() const {
  return rows_ ? rows_->fields() : shape_->fields;
}

long LazyCursor::recordCount() const { return rows().recordCount(); }

bool LazyCursor::fetch(std::vector<ado::Variant>& row) { return rows().fetch(row); }

void LazyCursor::insert(const std::vector<ado::Variant>& values, const std::vector<bool>& assigned) {
  if (!updatable_) Cursor::insert(values, assigned);
  if (rows_) return rows_->insert(values, assigned);
  session_.insert(shape_->target, values, assigned);
}

}  // namespace mysql
