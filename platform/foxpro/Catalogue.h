#pragma once
// The catalogue of a FoxPro source: which tables it has, where their files are, what their
// columns are called, and the bookkeeping when a table is created or dropped.
//
// Two implementations sit behind this seam: a folder of free tables (FolderCatalogue) and a
// database container (a .dbc, ContainerCatalogue). The provider parses and runs the statements;
// the catalogue decides names, paths and entries; the engine (foxpro-engine) does the file work.
// Every failure is a fox::Error carrying FoxPro's error number and message (Errors.h).
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foxpro-engine/Field.h"
#include "foxpro-engine/TableWriter.h"

namespace foxpro {

// One row of the tables rowset (OpenSchema(20)).
struct CatalogueEntry {
  std::string type;  // "TABLE", "VIEW"
  std::string name;  // a folder: the file's name without extension as on disk; a container: the table's name
};

// A table as SELECT and DROP find it.
struct TableLocation {
  std::string name;           // the table's name as the catalogue lists it
  std::filesystem::path dbf;  // the table file, as it is on disk
  // The names to report for the table's user fields, in file order. Empty: the names of the
  // file's header, lower-cased (as FoxPro's provider reports them). A container gives the long
  // names it stores.
  std::vector<std::string> columnNames;
};

// What CREATE TABLE asks for.
struct NewTable {
  // The table file: absolute, as the statement names it (the provider has already put names
  // without a folder into folder() and added ".dbf" when the statement gave no extension).
  std::filesystem::path dbf;
  // The columns as declared, names as the statement gives them (up to 128 characters; the
  // catalogue decides the 10-character names the file stores).
  std::vector<fox::ColumnSpec> columns;
  // Code page and memo block size; the catalogue sets the back-link.
  fox::CreateOptions options;
  // CREATE TABLE … FREE: a free table even when the source is a container.
  bool free = false;
};

class Catalogue {
 public:
  virtual ~Catalogue() = default;

  // The folder the tables live in (a container's folder): names without a folder are found here.
  virtual const std::filesystem::path& folder() const = 0;

  // The rows of OpenSchema(20), in the order the catalogue gives them.
  virtual std::vector<CatalogueEntry> tables() = 0;

  // The table that SELECT, DROP or INSERT names: a table name (matched without regard to case),
  // or a file name or path (namesFile(); a path without extension means ".dbf"). Throws
  // fox::Error 1 "File 'name.dbf' does not exist." when there is none.
  virtual TableLocation find(std::string_view name) = 0;

  // Creates the table, replacing a table of the same file name (ignoring case) with its memo and
  // index files and its catalogue entry, and returns a writer open for appending. Checks
  // everything it can before it removes anything, so a refused table leaves the old one intact.
  virtual std::unique_ptr<fox::TableWriter> create(const NewTable& table) = 0;

  // Drops a table that find() returned: removes its files (.dbf, memo, .cdx) and its catalogue
  // entry. The provider has closed its own handles on the table first.
  virtual void drop(const TableLocation& table) = 0;
};

// A folder of free tables. Throws fox::Error when the folder does not exist.
std::unique_ptr<Catalogue> openFolderCatalogue(const std::filesystem::path& folder);

// A database container (.dbc file). Throws fox::Error when the file does not exist or is not a
// container.
std::unique_ptr<Catalogue> openContainerCatalogue(const std::filesystem::path& dbc);

// Helpers for both catalogues ---------------------------------------------------------------

// Creates a free table (no back-link). A free table stores at most 10 characters of a field
// name: longer names are cut to 10, and a cut name that an earlier field already has ends in a
// number instead (CONTACT_TY, CONTACT_T2), as FoxPro shortens the long names of database
// tables, so nothing is merged or lost.
std::unique_ptr<fox::TableWriter> createFreeTable(const NewTable& table);

// The table file `name` + ".dbf" in `folder`, found without regard to case; only a regular file counts.
std::optional<std::filesystem::path> findTableFile(const std::filesystem::path& folder, std::string_view name);

// The files that belong to the table file `dbf` and exist: the .dbf itself first, then its memo
// (.fpt or .dbt), structural index (.cdx) and .cpg, found as the engine finds them. Only these files:
// another table whose name differs only in case (possible on this file system) is left alone.
std::vector<std::filesystem::path> tableFiles(const std::filesystem::path& dbf);

// True when a writer elsewhere (another connection or program) holds the table file's lock.
bool inUse(const std::filesystem::path& dbf);

// Removes the files of tableFiles(dbf), the .dbf first. Throws fox::Error 3 when the table is in
// use elsewhere (its rows would be lost), 1705 when a file cannot be removed.
void removeTableFiles(const std::filesystem::path& dbf);

// The structural index (.cdx) of the table file, when it has one.
std::optional<std::filesystem::path> indexFile(const std::filesystem::path& dbf);

// True when the text names a file rather than a table: it holds a path separator or ends in ".dbf".
bool namesFile(std::string_view name);
// True when the file's extension is ".dbf" in any case.
bool isDbfFile(const std::filesystem::path& file);

// The path a statement gives, made absolute: "\" counts as a separator (as in FoxPro), a relative
// path is taken from `folder`.
std::filesystem::path statementPath(const std::filesystem::path& folder, std::string_view text);
// The table file a statement names: statementPath(), with ".dbf" added when it has no extension.
std::filesystem::path tablePath(const std::filesystem::path& folder, std::string_view text);

// The regular file at `path`, its file name matched without regard to case in its folder.
std::optional<std::filesystem::path> findFileAt(const std::filesystem::path& path);

}  // namespace foxpro
