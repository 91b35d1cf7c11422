#pragma once
// What a provider implements behind the layer. The system's code never sees these types: it
// calls Connection and Recordset, which drive a Session and its Cursors.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ConnectionString.h"
#include "Enums.h"
#include "Variant.h"

namespace ado::provider {

struct FieldInfo {
  std::string name;
  DataTypeEnum type = adEmpty;
  long definedSize = 0;  // characters or bytes; 0 when not meaningful
  int precision = 0;
  int scale = 0;
  bool nullable = true;
};

// The rows of one result, read front to back. The layer asks for rows and the count only when
// the caller first reads them, not when the record set opens.
class Cursor {
 public:
  virtual ~Cursor() = default;
  virtual const std::vector<FieldInfo>& fields() const = 0;
  // The exact number of rows, rows inserted through insert() included, or -1 when the provider
  // cannot tell.
  virtual long recordCount() const = 0;
  // Reads the next row into `row` (resized to the field count). False after the last row.
  virtual bool fetch(std::vector<Variant>& row) = 0;
  // Inserts one row into the result's base table. values[i] belongs to fields()[i];
  // assigned[i] is false for a field the caller never set. Read-only cursors throw.
  virtual void insert(const std::vector<Variant>& values, const std::vector<bool>& assigned);
};

// One open connection.
class Session {
 public:
  virtual ~Session() = default;
  // Runs a statement. Returns the rows when it produces a result set, nullptr otherwise.
  virtual std::unique_ptr<Cursor> execute(const std::string& text) = 0;
  // OpenSchema. `criteria`: ADO's restrictions, one value per restricted column in the schema's
  // order (for the tables schema TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE); an empty
  // value or a missing one restricts nothing.
  virtual std::unique_ptr<Cursor> openSchema(SchemaEnum schema, const std::vector<Variant>& criteria) = 0;
  // Recordset::Open. The default runs the text as a statement that must return rows.
  virtual std::unique_ptr<Cursor> openRecordset(const std::string& source, CursorTypeEnum cursorType,
                                                LockTypeEnum lockType);
  // Connection.Properties(name): a dynamic property of the open connection; null when the provider
  // has none of that name (the default).
  virtual Variant property(const std::string& name) const;
  // Releases everything the session holds; further calls fail. Called once.
  virtual void close() = 0;
};

struct OpenRequest {
  ConnectionString connectionString;
  CursorLocationEnum cursorLocation = adUseServer;
  std::string user;
  std::string password;
  long options = -1;
};

using Factory = std::function<std::unique_ptr<Session>(const OpenRequest&)>;

// Providers register under the name the connection string gives: the DRIVER value for ODBC
// drivers ("MySQL ODBC 3.51 Driver"), the Provider value for OLE DB providers ("vfpoledb.1").
// Names compare without regard to case.
void registerDriver(const std::string& driverName, Factory factory);
void registerProvider(const std::string& providerName, Factory factory);

}  // namespace ado::provider
