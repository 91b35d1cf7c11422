#pragma once
// How foxsql prints record sets: readable tables, or JSON lines.
#include <ostream>
#include <vector>

#include "platform/ado/Recordset.h"

namespace foxsql {

// One line {"fields":[{"name":…,"type":code},…]}, then one JSON array per row.
// `columns`: the positions of the fields to print; empty: all of them.
void printJson(ado::Recordset& rs, std::ostream& out, std::vector<int> columns = {});

// A table with a header, columns aligned to the widest of the first rows, and the row count.
void printTable(ado::Recordset& rs, std::ostream& out, std::vector<int> columns = {});

}  // namespace foxsql
