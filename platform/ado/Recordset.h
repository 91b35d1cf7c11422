#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "Enums.h"
#include "Variant.h"

namespace ado {

class Connection;
namespace detail {
struct RecordsetState;
}

// ADO's Recordset. A handle: copies refer to the same record set (as ADO object references do),
// and so do its Fields and each Field, which keep the record set alive as ADO references do.
class Recordset {
 public:
  class Field {
   public:
    const std::string& Name() const;
    DataTypeEnum Type() const;
    long DefinedSize() const;
    int Precision() const;
    int NumericScale() const;
    // FieldAttributeEnum bits: adFldIsNullable | adFldMayBeNull for a field that takes NULL.
    long Attributes() const;
    // The current row's value. Between AddNew and Update: the value assigned so far (null before).
    const Variant& Value() const;
    // The current row's value, moved out: the field reads as null until the record set moves on.
    // (Not ADO's: for a caller that reads each value once and must not hold two of a large one.)
    Variant TakeValue() const;
    // Assigns the field of the new row; only between AddNew and Update.
    void SetValue(Variant value) const;

   private:
    friend class Recordset;
    Field(std::shared_ptr<detail::RecordsetState> state, int index) : state_(std::move(state)), index_(index) {}
    std::shared_ptr<detail::RecordsetState> state_;
    int index_;
  };

  class FieldList {
   public:
    int Count() const;
    Field Item(int index) const;              // 0-based
    Field Item(std::string_view name) const;  // without regard to case
    Field operator[](int index) const { return Item(index); }
    Field operator[](std::string_view name) const { return Item(name); }

   private:
    friend class Recordset;
    explicit FieldList(std::shared_ptr<detail::RecordsetState> state) : state_(std::move(state)) {}
    std::shared_ptr<detail::RecordsetState> state_;
  };

  Recordset();

  void Open(const std::string& source, Connection& connection, CursorTypeEnum cursorType = adOpenUnspecified,
            LockTypeEnum lockType = adLockUnspecified, long options = -1);
  long RecordCount() const;
  // ADO's EOF (the name EOF itself is a C macro).
  bool Eof() const;
  void MoveNext();
  FieldList Fields() const;
  void AddNew();
  void Update();
  ObjectStateEnum State() const;
  void Close();

 private:
  friend class Connection;
  std::shared_ptr<detail::RecordsetState> state_;
};

}  // namespace ado
