#include "Recordset.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "Connection.h"
#include "Error.h"
#include "NoCase.h"
#include "RecordsetState.h"

namespace ado {

namespace detail {

void RecordsetState::open(std::shared_ptr<provider::Session> s, std::unique_ptr<provider::Cursor> c) {
  if (!c) throw Error(errors::kObjectClosed, "Operation is not allowed when the object is closed.");
  session = std::move(s);
  cursor = std::move(c);
  adding = false;
  primed = false;
  eof = true;
}

void RecordsetState::prime() {
  requireOpen();
  if (primed) return;
  eof = !cursor->fetch(row);
  primed = true;
}

void RecordsetState::close() {
  cursor.reset();
  session.reset();
  row.clear();
  newRow.clear();
  assigned.clear();
  adding = false;
  primed = false;
  eof = true;
}

void RecordsetState::requireOpen() const {
  if (!cursor) throw Error(errors::kObjectClosed, "Operation is not allowed when the object is closed.");
}

const std::vector<provider::FieldInfo>& RecordsetState::fields() const {
  requireOpen();
  return cursor->fields();
}

}  // namespace detail

namespace {

[[noreturn]] void throwNoCurrentRecord() {
  throw Error(errors::kBofOrEof,
              "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
              "current record.");
}

[[noreturn]] void throwItemNotFound() {
  throw Error(errors::kItemNotFound,
              "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

// A field taken before its record set was reopened on a result with fewer columns is gone.
template <typename Items>
auto& at(Items& items, int index) {
  if (static_cast<std::size_t>(index) >= items.size()) throwItemNotFound();
  return items[index];
}

}  // namespace

const std::string& Recordset::Field::Name() const { return at(state_->fields(), index_).name; }
DataTypeEnum Recordset::Field::Type() const { return at(state_->fields(), index_).type; }
long Recordset::Field::DefinedSize() const { return at(state_->fields(), index_).definedSize; }
int Recordset::Field::Precision() const { return at(state_->fields(), index_).precision; }
int Recordset::Field::NumericScale() const { return at(state_->fields(), index_).scale; }
long Recordset::Field::Attributes() const {
  return at(state_->fields(), index_).nullable ? adFldIsNullable | adFldMayBeNull : 0;
}

const Variant& Recordset::Field::Value() const {
  state_->requireOpen();
  if (state_->adding) return at(state_->newRow, index_);
  state_->prime();
  if (state_->eof) throwNoCurrentRecord();
  return at(state_->row, index_);
}

Variant Recordset::Field::TakeValue() const {
  Value();  // the same checks: open, on a row
  return std::exchange(at(state_->adding ? state_->newRow : state_->row, index_), Variant());
}

void Recordset::Field::SetValue(Variant value) const {
  state_->requireOpen();
  if (!state_->adding)
    throw Error(errors::kNotSupported, "Fields can be assigned only to a new record (AddNew) in this record set.");
  at(state_->newRow, index_) = std::move(value);
  state_->assigned[index_] = true;
}

int Recordset::FieldList::Count() const { return static_cast<int>(state_->fields().size()); }

Recordset::Field Recordset::FieldList::Item(int index) const {
  if (index < 0 || index >= Count()) throwItemNotFound();
  return Field(state_, index);
}

Recordset::Field Recordset::FieldList::Item(std::string_view name) const {
  const auto& fields = state_->fields();
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (equalNoCase(fields[i].name, name)) return Field(state_, static_cast<int>(i));
  throwItemNotFound();
}

Recordset::Recordset() : state_(std::make_shared<detail::RecordsetState>()) {}

void Recordset::Open(const std::string& source, Connection& connection, CursorTypeEnum cursorType,
                     LockTypeEnum lockType, long) {
  if (state_->isOpen()) throw Error(errors::kObjectOpen, "Operation is not allowed when the object is open.");
  auto cursor = connection.session().openRecordset(source, cursorType, lockType);
  if (!cursor)
    throw Error(errors::kObjectClosed, "The statement returns no rows, so no record set can be opened on it.");
  state_->open(connection.session_, std::move(cursor));
  connection.track(*this);
}

long Recordset::RecordCount() const {
  state_->requireOpen();
  return state_->cursor->recordCount();
}

bool Recordset::Eof() const {
  state_->prime();
  return state_->eof;
}

void Recordset::MoveNext() {
  state_->requireOpen();
  if (state_->adding) Update();
  state_->prime();
  if (state_->eof) throwNoCurrentRecord();
  state_->eof = !state_->cursor->fetch(state_->row);
}

Recordset::FieldList Recordset::Fields() const {
  state_->requireOpen();
  return FieldList(state_);
}

void Recordset::AddNew() {
  state_->requireOpen();
  if (state_->adding) Update();
  std::size_t n = state_->fields().size();
  state_->newRow.assign(n, Variant());
  state_->assigned.assign(n, false);
  state_->adding = true;
}

void Recordset::Update() {
  state_->requireOpen();
  if (!state_->adding) return;
  state_->cursor->insert(state_->newRow, state_->assigned);
  state_->adding = false;
  // The new row is the current one; the provider's count includes it.
  state_->row = std::move(state_->newRow);
  state_->newRow.clear();
  state_->eof = false;
  state_->primed = true;
}

ObjectStateEnum Recordset::State() const { return state_->isOpen() ? adStateOpen : adStateClosed; }

void Recordset::Close() {
  if (!state_->isOpen()) throw Error(errors::kObjectClosed, "Operation is not allowed when the object is closed.");
  state_->close();
}

}  // namespace ado
