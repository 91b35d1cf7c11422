#pragma once
// `tavrel check`: what a copy of the tables selected in a list would refuse, change or not carry,
// found by reading both sides and writing nothing to either. Each direction walks the same list
// its copy walks and reads the source as its copy does, row by row (memory does not grow with
// the table); what a value becomes is the copy's own definition (ValueForms.h, FoxProLiterals.h).
#include <functional>
#include <string>
#include <vector>

struct CommandParts;

// One thing the copy would do to a table: `column` (empty for the table as a whole), the first
// rows concerned (numbered from 1; none for a column's name or the table), how many rows in all,
// and what would happen.
struct Finding {
  std::string column;
  std::vector<long> rows;
  long count = 0;
  std::string what;
};

struct TableCheck {
  std::string table;
  long rows = 0;
  std::vector<Finding> findings;  // none: the table copies exactly
};

// At most this many row numbers are kept per finding.
inline constexpr std::size_t kRowsNamed = 5;

using CheckReport = std::function<void(const TableCheck&)>;

// The MySQL tables selected in parts.mysqlList, as "Send Table(s) to FoxPro" would copy them.
void CheckTablesToFoxPro(const CommandParts& parts, const CheckReport& report);
// The FoxPro tables selected in parts.foxproList, as "Send Table(s) to MySQL" would copy them.
void CheckTablesToMySql(const CommandParts& parts, const CheckReport& report);
