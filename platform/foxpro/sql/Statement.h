#pragma once
// The statements of the FoxPro dialect, as the parser gives them.
//
//   CREATE TABLE|DBF name [FREE] (column type[(width[, decimals])] [NULL|NOT NULL] [NOCPTRANS], …)
//   DROP TABLE name
//   INSERT INTO name VALUES(value, …)
//   SELECT * FROM name
//   USE name                                              (the table INDEX ON works on)
//   INDEX ON expression TAG tag [CANDIDATE|UNIQUE] [ASCENDING|DESCENDING]
//   ALTER TABLE name ADD PRIMARY KEY expression TAG tag
//
// A name is 'text', "text", [text] or a bare name; inside, a doubled quote or closing bracket
// stands for one ([a]]b] is a]b). A value is one or more terms joined by "+":
// 'text' or "text" (a doubled quote stands for one), CHR(n), 0h… binary, a number, .T./.F.,
// .NULL., {^yyyy-mm-dd [hh:mm[:ss] [AM|PM]]}, {} (the empty date), or such a sum in parentheses.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "foxpro-engine/Field.h"
#include "foxpro-engine/Value.h"

namespace foxpro::sql {

struct CreateTable {
  std::string table;  // as written: a path or a name
  bool free = false;
  std::vector<fox::ColumnSpec> columns;
};

struct DropTable {
  std::string table;
};

// One term of a value. Terms point into the statement text, which must outlive them.
struct Term {
  enum class Kind : std::uint8_t { Text, Chr, Binary, Number, Logical, Null, Date, DateTime };
  Kind kind = Kind::Null;
  char quote = 0;          // Text: the quote character that is doubled inside
  bool negative = false;   // Number: a minus sign stood before it
  std::uint32_t code = 0;  // Chr: the character code; Logical: 1 true, 0 false
  std::string_view text;   // Text: the body; Binary: the hex digits; Number: the digits as written
  fox::DateTime when;      // Date, DateTime
};

struct Insert {
  std::string table;
  std::vector<Term> terms;
  std::vector<std::uint32_t> valueEnds;  // value i is terms [valueEnds[i-1], valueEnds[i])
  std::size_t valueCount() const { return valueEnds.size(); }
};

struct Select {
  std::string table;
};

struct Use {
  std::string table;
};

// A tag for a table's structural index; `table` empty: the connection's current table (INDEX ON).
struct IndexOn {
  std::string table;
  std::string expression;  // as written, blanks around it removed
  std::string tag;
  bool candidate = false, unique = false, descending = false;
  bool primaryKey = false;  // ALTER TABLE … ADD PRIMARY KEY
};

using Statement = std::variant<CreateTable, DropTable, Insert, Select, Use, IndexOn>;

// Parses one statement. Throws fox::Error with FoxPro's number and message ("Syntax error.",
// "Command contains unrecognized phrase/keyword.", …). Statements that the result points into
// (Insert terms) must outlive it.
Statement parse(std::string_view text);
// The same into `statement`, reusing its buffers when it holds an Insert already.
void parse(std::string_view text, Statement& statement);

// The plain decimal form of a number literal, as an N field stores it: "1e3" → "1000",
// ".5" → "0.5", "2.50" stays "2.50".
std::string plainNumber(std::string_view digits, bool negative);

}  // namespace foxpro::sql
