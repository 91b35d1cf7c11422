#pragma once
// Changing a database container the way Visual FoxPro's CREATE TABLE and DROP TABLE do, in whole,
// consistent steps under the container's exclusive lock.
//
// Order of writes (no file system offers a transaction over several files):
//   1. everything is checked and the new bytes are computed in memory;
//   2. CREATE: the table file is written (with its back-link);
//   3. CREATE: the Table record's PROPERTY memo is appended to the .dct, then its header's
//      next-free block is moved (append only: nothing the old catalogue points to is touched);
//   4. the new .dbc and the new .dcx are written to temporary files beside them and synced;
//   5. the new .dbc is renamed over the old one — the single moment the change happens;
//   6. the new .dcx is renamed over the old one;
//   7. DROP: the table's files are deleted.
// A failure before step 5 undoes steps 2–4 (the .dct is cut back to its old length and header),
// so the container is as it was. A crash before step 5 leaves at most unused .dct blocks and an
// unreferenced table file; between 5 and 6 a stale .dcx, which the next change rebuilds (and which
// VFP's VALIDATE DATABASE repairs). Readers never see a half-written .dbc.
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "foxpro-engine/Field.h"
#include "foxpro-engine/TableWriter.h"

namespace fox::dbc {

// The steps of a change; ChangeOptions::beforeStep is called just before each.
enum class Step {
  CreateTable,  // CREATE: writing the table file (everything is checked by now)
  AppendMemo,   // writing the .dct (CREATE only has a memo to append)
  WriteFiles,   // writing the new .dbc and .dcx to temporary files
  Commit,       // renaming the new .dbc over the old one
};

struct ChangeOptions {
  // How long to wait for another process's lock on the container before error 3.
  std::chrono::milliseconds lockWait{3000};
  // Called before the step named; a test throws from it to check what a failure there leaves.
  std::function<void(Step)> beforeStep;
};

struct NewTable {
  std::filesystem::path dbf;        // absolute
  std::vector<ColumnSpec> columns;  // names up to 128 characters
  CreateOptions options;            // code page and memo block size (the back-link is set here)
  std::string name{};               // the table's name; empty: the file's name gives it (tableNameForFile)
};

// The name a table gets in the container for its file: the file's base name, lower case, with
// every character that a FoxPro name cannot hold (a blank, a hyphen) turned into "_"
// ("expense categories.dbf" → expense_categories). Throws fox::Error 3001 when that is still
// not a name (it begins with a digit, is longer than 128 characters).
std::string tableNameForFile(const std::filesystem::path& dbf);

// Creates the table file and adds it to the container with a Table record (SubType, Path) and one
// Field record per column (its long name, lower case); the file's header gets unique
// 10-character names. Returns the table's name in the container (NewTable::name when given).
// Errors (nothing changed): 3001 invalid names, 3012 a table of that name is in the container
// already, 3 the container is locked, the table writer's own errors, file errors.
std::string addTable(const std::filesystem::path& dbc, const NewTable& table, const ChangeOptions& options = {});

// Removes the table from the container (its Table record, the records under it and relations
// that name it as parent are marked deleted, as VFP does) and then deletes its files.
// Errors (nothing changed): 1 no such table, 3011 the table file belongs to another container.
void dropTable(const std::filesystem::path& dbc, std::string_view name, const ChangeOptions& options = {});

// A tag of a member table's structural index, as the container records it.
struct IndexEntry {
  std::string name;
  bool candidate = false;
};

// Records the tags of a member table's structural index: one Index record per tag (its name
// lower-cased, IsUnique for a candidate tag) in place of those recorded before, and the
// PrimaryKey property of the Table record naming `primaryKey`, or kept as it was when that is
// empty (dbc.md §7). Errors (nothing changed): 1 no such table, 3 the container is locked.
void recordIndexes(const std::filesystem::path& dbc, std::string_view table, const std::vector<IndexEntry>& tags,
                   const std::string& primaryKey = {}, const ChangeOptions& options = {});

// Rewrites the container's .dcx from its records.
void rebuildIndex(const std::filesystem::path& dbc, const ChangeOptions& options = {});

// The .dcx a container has (found without regard to case), or the name it gets.
std::filesystem::path indexFileOf(const std::filesystem::path& dbc);

// `to` relative to the folder `from`, with Windows separators, as FoxPro stores paths.
std::string storedRelativePath(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace fox::dbc
