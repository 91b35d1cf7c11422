#pragma once
// "Send Table(s) to MySQL": copies every FoxPro table selected in the FoxPro list into MySQL as a
// new table of the same name, structure and every row, through a temporary key column that
// numbers the rows while they are copied; the name then joins the MySQL list. With
// CommandParts::typed the columns get their typed MySQL types (TypedColumns.h) and the table's
// tags become indexes in the ALTER TABLE that drops that column (TypedKeys.h).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ado/Error.h"

struct CommandParts;

void SendTablesToMySql(const CommandParts& parts);

// The temporary key column's name: "tempid0", or "tempid" followed by the first counter value
// (1, 2, …) whose name equals no field name. Names compare as MySQL compares column names,
// without regard to case: "TEMPID0" is a clash.
std::string TemporaryColumnName(const std::vector<std::string>& fieldNames);

// The MySQL column type for a source field's data-access type code, chosen by the fragments of
// its lower-cased type name: LONGTEXT for text (and for currency, dates and times, which
// arrive as their canonical text), LONGBLOB for binary types, BIT for logicals, SMALLINT for
// small integers, DOUBLE for every other number.
std::string MySqlColumnType(std::int16_t typeCode);

// What the server would refuse in the column name names[i] of a CREATE, with its own number and
// words (1166 empty or ending in a blank, 1059 longer than 64 characters, 1060 equal to an
// earlier name without regard to case); nothing when it takes the name.
std::optional<ado::Error> ColumnNameProblem(const std::vector<std::string>& names, std::size_t i);

struct SourceColumn {
  std::string name;
  std::int16_t type;
};

// "CREATE TABLE `N`( `T` INTEGER UNSIGNED NOT NULL,`a` LONGTEXT,`b` DOUBLE ) DEFAULT CHARSET=utf8mb4;"
// Every name in backticks, a backtick inside doubled; utf8mb4 holds every character of every
// FoxPro code page, whatever the database's own character set. A column name the server would
// refuse throws its error instead (1166 empty or ending in a blank, 1059 longer than 64
// characters, 1060 two names equal without regard to case).
// `typedTypes`: a typed copy's column types (TypedMySqlType), one per column; empty for the
// window's (MySqlColumnType).
std::string CreateTableText(const std::string& table, const std::string& temporaryColumn,
                            const std::vector<SourceColumn>& columns, const std::vector<std::string>& typedTypes = {});
