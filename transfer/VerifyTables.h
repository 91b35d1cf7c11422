#pragma once
// `tavrel verify`: after a copy, the source table and the table the copy made, read side by side
// row by row and compared cell by cell under the forms the copy promises (ValueForms.h). Memory
// does not grow with the tables. Rows are compared in the copy's order (the order the source
// gives them, which the copy kept) where MySQL keeps an order (InnoDB); a row missing on one
// side, or one side's extra row, shows as such when the rows after it still pair up. Elsewhere
// the two tables are compared as multisets of rows (a hash of each row's cells, in buckets), and
// the rows that differ are named as missing or extra.
#include <functional>
#include <string>
#include <vector>

struct CommandParts;

struct CellDifference {
  long sourceRow = 0;          // numbered from 1; 0 when the row is only on the target side
  long targetRow = 0;          // 0 when the row is only on the source side
  std::string column;          // empty for a whole row missing or extra
  std::string source, target;  // both values, shown as text ("NULL" for NULL)
};

struct TableComparison {
  std::string table;
  long sourceRows = 0, targetRows = 0;
  long long cells = 0;                // cells compared
  long differences = 0;               // differing cells, missing and extra rows
  std::vector<CellDifference> first;  // the first kDifferencesNamed of them
  std::string columnsProblem;         // the sides' columns differ: not compared
  bool inOrder = true;                // compared row by row in the copy's order; else as multisets of rows
};

inline constexpr std::size_t kDifferencesNamed = 10;

using VerifyReport = std::function<void(const TableComparison&)>;

// The MySQL tables selected in parts.mysqlList against the FoxPro tables their copy made.
void VerifyTablesToFoxPro(const CommandParts& parts, const VerifyReport& report);
// The FoxPro tables selected in parts.foxproList against the MySQL tables their copy made.
void VerifyTablesToMySql(const CommandParts& parts, const VerifyReport& report);
