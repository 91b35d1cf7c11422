#pragma once
// The record sets the FoxPro provider returns.
#include <memory>
#include <string>
#include <vector>

#include "foxpro-engine/Table.h"
#include "platform/ado/Provider.h"

namespace foxpro {

// SELECT * over one table: rows are read from the file as they are walked, deleted records
// are passed over and not counted (FoxPro's SET DELETED ON).
class TableCursor : public ado::provider::Cursor {
 public:
  // `names`: the names to report for the table's fields; empty: the header's names, lower-cased.
  TableCursor(std::unique_ptr<fox::Table> table, const std::vector<std::string>& names);

  const std::vector<ado::provider::FieldInfo>& fields() const override { return fields_; }
  long recordCount() const override { return liveCount_; }
  bool fetch(std::vector<ado::Variant>& row) override;

 private:
  std::unique_ptr<fox::Table> table_;
  std::vector<ado::provider::FieldInfo> fields_;
  std::vector<fox::Value> values_;
  std::uint32_t next_ = 0;
  std::uint32_t physicalCount_ = 0;
  long liveCount_ = 0;
};

// Rows held in memory: the tables rowset.
class RowsCursor : public ado::provider::Cursor {
 public:
  RowsCursor(std::vector<ado::provider::FieldInfo> fields, std::vector<std::vector<ado::Variant>> rows)
      : fields_(std::move(fields)), rows_(std::move(rows)) {}

  const std::vector<ado::provider::FieldInfo>& fields() const override { return fields_; }
  long recordCount() const override { return static_cast<long>(rows_.size()); }
  bool fetch(std::vector<ado::Variant>& row) override;

 private:
  std::vector<ado::provider::FieldInfo> fields_;
  std::vector<std::vector<ado::Variant>> rows_;
  std::size_t next_ = 0;
};

}  // namespace foxpro
