#include "Cursors.h"

#include "AdoTypes.h"
#include "Errors.h"
#include "foxpro-engine/CodePage.h"

namespace foxpro {

namespace {
std::string lowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}
}  // namespace

TableCursor::TableCursor(std::unique_ptr<fox::Table> table, const std::vector<std::string>& names)
    : table_(std::move(table)) {
  const auto& fields = table_->fields();
  fields_.reserve(fields.size());
  // A header name is in the table's code page (old dBASE tables have national letters there).
  auto cp = fox::codePage(table_->codePage());
  for (std::size_t i = 0; i < fields.size(); ++i) {
    std::string name;
    if (i < names.size()) {
      name = names[i];
    } else {
      cp->toUtf8(fields[i].name, name);
      name = lowerCase(std::move(name));
    }
    fields_.push_back(fieldInfo(fields[i], std::move(name)));
  }
  physicalCount_ = table_->recordCount();
  // RecordCount is known before the first row is read: count the records not marked deleted.
  for (std::uint32_t i = 0; i < physicalCount_; ++i)
    if (!table_->deleted(i)) ++liveCount_;
}

bool TableCursor::fetch(std::vector<ado::Variant>& row) {
  // A row that cannot be read (a memo pointer past the memo file, …) is the layer's error.
  return errors::translated([&] {
    while (next_ < physicalCount_) {
      if (!table_->read(next_++, values_)) continue;
      row.resize(values_.size());
      for (std::size_t i = 0; i < values_.size(); ++i) row[i] = toVariant(std::move(values_[i]));
      return true;
    }
    return false;
  });
}

bool RowsCursor::fetch(std::vector<ado::Variant>& row) {
  if (next_ >= rows_.size()) return false;
  row = std::move(rows_[next_++]);
  return true;
}

}  // namespace foxpro
