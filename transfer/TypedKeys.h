#pragma once
// The typed copies' keys, both ways: which index of the source becomes which index of the copy,
// and which are left out and why. Plain functions (no Qt); reading the keys goes through the
// data-access layer (SHOW INDEX on MySQL, OpenSchema(adSchemaIndexes) on FoxPro).
//
// MySQL → FoxPro, into the table's structural .cdx: the PRIMARY KEY becomes a candidate tag (in
// a container the table's primary key), every UNIQUE key a candidate tag, every other index a
// regular tag (a UNIQUE key with NULL in several rows, which a candidate tag refuses, too, and
// named). One column is the tag's expression by its field name; several are joined as
// FoxPro writes them: C, V, Q fields as they are, STR(n,w,d) for N(w,d), STR(i,11) for I,
// DTOS(d), TTOC(t,1). Left out: FULLTEXT and SPATIAL indexes, prefixes of a column, expressions,
// descending columns beside ascending ones, logical, memo and blob columns (and a B column
// among several, which STR() would round), and keys longer than FoxPro's 240 bytes. Tag names
// are the index names (the primary key's its first field's), cut to 10 characters, letters,
// digits and "_", and made unique as FoxPro compares them.
//
// FoxPro → MySQL: a tag whose expression is a field, UPPER(field), or a "+" of such terms and
// STR(), DTOS(), TTOC(…,1) of fields becomes an index on those fields: a container's primary
// key PRIMARY KEY, a candidate tag UNIQUE, any other an index. Left out: a tag with a FOR
// condition, a descending tag, any other expression.
#include <string>
#include <vector>

#include "TypedColumns.h"

namespace ado {
class Connection;
}

// A key of the source left out of the copy.
struct LeftOutKey {
  std::string name;
  std::string expression;  // MySQL: the columns "(a, b)"; FoxPro: the key (and " FOR …")
  std::string why;
};

// A MySQL index as SHOW INDEX describes it.
struct MySqlKey {
  struct Part {
    std::string column;  // empty for an expression
    bool descending = false;
    bool prefix = false;    // a prefix of the column (Sub_part)
    bool nullable = false;  // the column takes NULL
  };
  std::string name;  // PRIMARY for the primary key
  bool unique = false;
  std::string indexType;  // BTREE, HASH, FULLTEXT, SPATIAL …
  std::vector<Part> parts;
};

// The keys of a MySQL table, in SHOW INDEX's order (the primary key first).
std::vector<MySqlKey> ReadMySqlKeys(ado::Connection& mysql, const std::string& table);

// Whether InnoDB keeps a table with these keys in the order of one of them rather than in the
// order its rows were added: it has a primary key, or a unique key on columns that take no NULL.
bool KeyOrdersRows(const std::vector<MySqlKey>& keys);

// A column of the new FoxPro table: its MySQL name, its field name in the new table, its type.
struct FoxProField {
  std::string mysqlName;
  std::string fieldName;
  FoxProType type;
};

struct FoxProTag {
  std::string name;
  std::string expression;
  std::string filter;  // the FOR condition, empty for none
  bool candidate = false;
  bool primary = false;  // the container's primary key
  bool descending = false;
};

struct FoxProTagPlan {
  std::vector<FoxProTag> tags;
  std::vector<LeftOutKey> leftOut;
};

// The tags for a MySQL table's keys; `container` where the table can have a primary key.
FoxProTagPlan FoxProTagsFor(const std::vector<MySqlKey>& keys, const std::vector<FoxProField>& fields, bool container);

// The statement that adds the tag to the FoxPro table `quotedTable` (quoted by FoxProName), the
// current table of the connection (USE) unless it is the primary key.
std::string TagStatement(const std::string& quotedTable, const FoxProTag& tag);

// Why a candidate tag refused as not unique (error 1884) is carried as a regular tag: MySQL's
// UNIQUE takes any number of NULLs, a candidate tag one NULL key only; and a number alone is
// indexed as a double, which holds 15 digits, so 20-digit values may share a key.
inline constexpr const char* kCandidateWithNulls =
    "its FoxPro keys repeat (NULL in several rows, or numbers of more than 15 digits that FoxPro indexes alike), "
    "which a candidate tag refuses: carried as a regular tag";

// The tags of a FoxPro table's structural index.
std::vector<FoxProTag> ReadFoxProTags(ado::Connection& foxpro, const std::string& table);

struct MySqlIndex {
  enum class Kind { Plain, Unique, Primary } kind = Kind::Plain;
  std::string name;
  std::vector<std::string> columns;
};

struct MySqlIndexPlan {
  std::vector<MySqlIndex> indexes;
  std::vector<LeftOutKey> leftOut;
};

// The MySQL indexes for a FoxPro table's tags; `fieldNames` the table's fields, as the copy names
// its columns.
MySqlIndexPlan MySqlIndexesFor(const std::vector<FoxProTag>& tags, const std::vector<std::string>& fieldNames);

// ", ADD PRIMARY KEY (`a`,`b`), ADD UNIQUE KEY `n` (`c`)": the clauses of an ALTER TABLE.
std::string AddIndexClauses(const std::vector<MySqlIndex>& indexes);
