#pragma once
// The state behind a Recordset handle; shared by Recordset and Connection only.
#include <memory>
#include <vector>

#include "Provider.h"

namespace ado::detail {

struct RecordsetState {
  std::shared_ptr<provider::Session> session;  // keeps the session object alive while the cursor lives
  std::unique_ptr<provider::Cursor> cursor;
  std::vector<Variant> row;
  bool eof = true;
  // The first row is read when the caller first needs it (EOF, a value, MoveNext), so that a
  // provider may leave a record set unread that is only added to.
  bool primed = false;
  bool adding = false;
  std::vector<Variant> newRow;
  std::vector<bool> assigned;

  bool isOpen() const { return cursor != nullptr; }
  void open(std::shared_ptr<provider::Session> s, std::unique_ptr<provider::Cursor> c);
  void close();
  void requireOpen() const;
  void prime();
  const std::vector<provider::FieldInfo>& fields() const;
};

}  // namespace ado::detail
