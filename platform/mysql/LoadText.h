#pragma once
// The text form of rows for LOAD DATA LOCAL INFILE (fields separated by a tab, rows ended by a
// line feed, "\" escaping, \N for NULL; utf8mb4), and which values it carries to the server
// exactly as a bound parameter of an INSERT would.
//
// LOAD DATA stores a field the way an INSERT stores a text parameter. A value of another kind
// stored as text goes through the same conversion as the bound value only where the column's type
// makes the two alike; where it would not (a double into a text column, whose text the server
// forms itself; bytes into a column of another character set; a boolean into BIT), the row is not
// loaded.
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Variant.h"

namespace mysql {

enum class ColumnClass { Other, Integer, Real, Decimal, Utf8Text, OtherText, Binary, Date, DateTime, Time };

// The class of a column from information_schema.COLUMNS' DATA_TYPE and CHARACTER_SET_NAME.
ColumnClass classifyColumn(std::string_view dataType, std::string_view characterSet);

// Whether LOAD DATA stores `value`'s text form into a column of class `column` exactly as an INSERT
// stores the value bound as a parameter, warnings included.
bool loadsAsBound(const ado::Variant& value, ColumnClass column);

// Appends `value` as one field (no separator).
void appendLoadField(std::string& out, const ado::Variant& value);
// Appends `row` as one line: its fields separated by a tab, ended by a line feed.
void appendLoadRow(std::string& out, const std::vector<ado::Variant>& row);

// The clause after the table's name: character set, separators and escape, each given in hexadecimal
// so that no sql_mode (NO_BACKSLASH_ESCAPES, ANSI_QUOTES) changes its meaning.
inline constexpr const char* kLoadFormat =
    " CHARACTER SET utf8mb4 FIELDS TERMINATED BY X'09' ENCLOSED BY '' ESCAPED BY X'5C'"
    " LINES STARTING BY '' TERMINATED BY X'0A'";

}  // namespace mysql
