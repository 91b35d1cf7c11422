#pragma once
// How MySQL result columns appear in the data-access layer: the ADO type code the MySQL ODBC
// driver reports for each column type, and the typed value of each text-protocol cell.
#include <mysql.h>

#include "platform/ado/Provider.h"
#include "platform/ado/Variant.h"

namespace mysql {

// The character set number MySQL gives binary strings; it, not the column type, tells BINARY
// from CHAR, VARBINARY from VARCHAR and BLOB from TEXT.
inline constexpr unsigned kBinaryCharset = 63;

ado::DataTypeEnum adoType(const MYSQL_FIELD& field);
ado::provider::FieldInfo fieldInfo(const MYSQL_FIELD& field);

// The value of one cell as the server sent it in text form (nullptr for NULL).
// Zero dates ("0000-00-00", also with zero month or day) keep their zero parts: the value's text
// is exactly what MySQL shows. TIME values keep their whole range (-838:59:59 … 838:59:59) with
// the hours above 23 and the sign in ado::Time. Throws ado::Error when a cell cannot be read as
// its type (which a server does not send).
ado::Variant decodeValue(const MYSQL_FIELD& field, const char* data, unsigned long length);

}  // namespace mysql
