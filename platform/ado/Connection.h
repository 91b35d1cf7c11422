#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Enums.h"
#include "Recordset.h"

namespace ado {

namespace provider {
class Session;
}

// ADO's Connection. Closing it (or destroying it) closes every record set opened on it.
class Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  CursorLocationEnum CursorLocation() const { return cursorLocation_; }
  void SetCursorLocation(CursorLocationEnum location);

  void Open(const std::string& connectionString, const std::string& user = "", const std::string& password = "",
            long options = -1);
  // A closed record set when the statement returns no rows.
  Recordset Execute(const std::string& text, long options = -1);
  // `criteria`: restrictions on the rows, as ADO's OpenSchema takes them (Provider.h).
  Recordset OpenSchema(SchemaEnum schema, const std::vector<Variant>& criteria = {});
  // ADO's Properties(name).Value: a property the provider gives the open connection, null when it
  // has none of that name.
  Variant Property(const std::string& name);
  void Close();
  ObjectStateEnum State() const;

 private:
  friend class Recordset;
  provider::Session& session();
  void track(const Recordset& rs);

  CursorLocationEnum cursorLocation_ = adUseServer;
  std::shared_ptr<provider::Session> session_;
  std::vector<std::weak_ptr<detail::RecordsetState>> recordsets_;
};

}  // namespace ado
