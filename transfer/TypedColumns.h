#pragma once
// The typed copies' column mapping, both ways, in one place: which type a source column gets on
// the other side, and what a value becomes there or why that type cannot hold it. Plain
// functions (no Qt), for the copies and for anything that wants to say in advance what a typed
// copy would do.
//
// MySQL → FoxPro (Visual FoxPro types, NULL where the MySQL column takes NULL):
//   TINYINT, SMALLINT, MEDIUMINT, INT, YEAR (and unsigned forms within 32 bits) → I (whose
//     range is ±2147483647: INT's -2147483648 is refused)
//   INT UNSIGNED, BIGINT (signed or not) → N(20)
//   DECIMAL(p,s) → N(p+2,s) (N(p+3,p) for s = p: "-0.5") while that is ≤ 20 wide, else M (the
//     exact text)
//   FLOAT, DOUBLE → B;  DATE → D;  DATETIME, TIMESTAMP → T;  BIT(1) → L
//   TIME → V(10), or V(11+f) with f fractional digits (its text "-838:59:59", which no FoxPro
//     type holds otherwise)
//   CHAR, ENUM, SET of n ≤ 254 characters → C(n);  VARCHAR(n ≤ 254) → V(n)  (twice the width
//     in a double-byte code page);  longer text, TEXT, JSON → M
//   BINARY, VARBINARY, BIT(n > 1) of n ≤ 254 bytes → Q(n);  longer, BLOB, GEOMETRY → W
// FoxPro → MySQL (NULL where the FoxPro field takes NULL, and for N, F, L, D and T fields, whose
// blank value reads as NULL; text in utf8mb4):
//   N(w,d), F(w,d) → DECIMAL(w,d);  I → INT;  B → DOUBLE;  Y → DECIMAL(19,4);  D → DATE;
//   T → DATETIME;  L → BOOLEAN;  C(n) → CHAR(n);  V(n) → VARCHAR(n);  M → LONGTEXT;
//   Q(n), binary C(n)/V(n) → VARBINARY(n);  W, G, binary M → LONGBLOB
#include <string>

#include "platform/ado/Recordset.h"
#include "platform/ado/Variant.h"

// What a copy knows of a source column.
struct FieldShape {
  std::string name;
  int type = 0;          // ADO type code
  long definedSize = 0;  // characters or bytes
  int precision = 0, scale = 0;
  bool nullable = true;
};

FieldShape ShapeOf(const ado::Recordset::Field& field);

// A Visual FoxPro column type: C V Q N I B D T L M W.
struct FoxProType {
  char letter = 'M';
  int width = 0, decimals = 0;
  bool nullable = true;
  // C and V: the most bytes a character takes in the table's code page, which the width counts.
  int characterBytes = 1;
};

// The FoxPro type of a MySQL column; `doubleByte` for a code page of up to two bytes a character.
FoxProType TypedFoxProType(const FieldShape& mysqlColumn, bool doubleByte);
// The type as a CREATE TABLE writes it after the name: " N(12,2) NULL", " I NOT NULL".
std::string FoxProTypeText(const FoxProType& type);
// Whether text in `codePage` takes up to two bytes a character (932, 936, 949, 950).
bool IsDoubleByteCodePage(int codePage);

// Appends the FoxPro literal the typed column stores the value as (.NULL. for NULL). Returns the
// empty text, or, having appended nothing, why the column cannot hold the value unchanged (a
// fraction of a second, a zero date, a number or text wider than the column).
std::string AppendTypedLiteral(std::string& out, const ado::Variant& value, const FoxProType& column);

// What a typed FoxPro column keeps of a value it holds (AppendTypedLiteral took it) but changes;
// empty when it keeps it exactly. An N column stores a number digit for digit, but FoxPro
// computes with and indexes it as a double: a number no double gives back is named with the
// double's value.
std::string TypedFoxProChange(const ado::Variant& value, const FoxProType& column);

// The MySQL column type of a FoxPro field, with its NULL or NOT NULL: "DECIMAL(12,2) NULL".
std::string TypedMySqlType(const FieldShape& foxproField);

// Whether a blank value of a field of this ADO type reads as NULL (N, F, L, D and T fields, also
// where the field takes no NULL).
bool BlankReadsAsNull(int adoType);

// Makes a FoxPro field's value what its typed MySQL column stores: a date-time on the whole
// second (SecondsOnly), a number rounded half away from zero to the column's decimals, a C
// field's text without its trailing blanks (MariaDB's CHAR drops them). Returns the empty text,
// or the server's words for a value the column refuses (a number too wide for its DECIMAL),
// the value then left as it was.
std::string TypedMySqlValue(ado::Variant& value, const FieldShape& foxproField);

// How the cells of a typed column compare between its two sides: as they are; as numbers (the
// two sides write one number differently: "1.50", 1.5); as fixed-width text, whose trailing
// blanks are FoxPro's padding.
enum class TypedCellForm { AsIs, Number, Padded };
TypedCellForm CellFormOf(const FoxProType& typedColumn);
TypedCellForm CellFormOf(const FieldShape& foxproField);
// The cell in that form: a number as the text of its value, padded text without its blanks.
ado::Variant TypedCell(const ado::Variant& value, TypedCellForm form);
