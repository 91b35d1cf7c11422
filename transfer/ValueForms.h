#pragma once
// What a value becomes on the other side of a copy: the one definition the two copies, `tavrel
// check` (what a copy would change) and `tavrel verify` (what it compares) share. Plain
// functions (no Qt).
//
// Toward FoxPro every column is a memo: binary values (ado::Bytes) arrive byte for byte, NULL as
// the empty text, and every other value as its canonical text (ado::Variant::toText: 2026-12-06,
// 13:45:00, decimals as MySQL holds them, shortest round-trip doubles).
//
// Toward MySQL a value lands in the column MySqlColumnType gives its field: LONGTEXT holds the
// canonical text (a C field's trailing blanks kept), DOUBLE the nearest double, BIT a logical,
// LONGBLOB the bytes; a blank number, date, date-time or logical has already read as NULL. A
// date-time arrives on the whole second, rounded (SecondsOnly).
#include <string>
#include <string_view>

#include "platform/ado/Variant.h"

// Whether the value reaches FoxPro as bytes rather than text.
bool ArrivesAsBytes(const ado::Variant& value);

// The text a value that does not arrive as bytes is stored as in its FoxPro memo. The view points
// into `value` or into `scratch`.
std::string_view FoxProText(const ado::Variant& value, std::string& scratch);

// The FoxPro memo's value for a MySQL value: ado::Bytes or text.
ado::Variant FoxProValue(const ado::Variant& value);

// The value a FoxPro value becomes in a MySQL column of this type (as MySqlColumnType names it).
ado::Variant MySqlValue(const ado::Variant& value, std::string_view columnType);

// A date-time with a fraction of a second (a T field's milliseconds) rounded to the nearest
// second, as FoxPro shows it; any other value unchanged. MariaDB would cut the fraction off in a
// DATETIME column and MySQL round it: rounding before sending stores the same on both.
void SecondsOnly(ado::Variant& value);

// Whether two cells hold the same under these forms: both NULL, or neither and the same
// canonical text (bytes compared byte for byte).
bool SameCell(const ado::Variant& a, const ado::Variant& b);
// Appends a key of the cell to `out`: two cells have the same key exactly when SameCell holds.
void AppendCellKey(std::string& out, const ado::Variant& value);

// A decimal text ("0012.500", "1.25e1") as one text for its value, however it is written:
// "125e-1"; "-5e0"; "0" for zero.
std::string NumberKey(std::string_view decimalText);
// A decimal text rounded half away from zero to `places` after the point, in fixed notation:
// "-12.50".
std::string RoundedDecimal(std::string_view decimalText, int places);

// The double nearest to a decimal text ("12.50", "-1e3"), and whether it is that very number.
struct NearestDouble {
  double value;
  bool exact;
};
NearestDouble DoubleOf(const std::string& decimalText);
