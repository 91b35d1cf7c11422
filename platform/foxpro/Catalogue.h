#pragma once
// The catalogue of a FoxPro source: which tables it has, where their files are, what their
// columns are called, and the bookkeeping when a table is created or dropped.
//
// Two implementations sit behind this seam: a folder of free tables (FolderCatalogue) and a
// database container (a .dbc, ContainerCatalogue). The provider parses and runs the statements;
// the catalogue decides names, paths and entries; the engine (foxpro-engine) does the file work.
// Every failure is a fox::Error carrying FoxPro's error number and message (Errors.h).
//
// How a statement's text names a table (every statement, and OpenSchema's TABLE_NAME
// restriction). A table name is a name, never a path built from it:
//   1. the table (or view) the catalogue lists under exactly that name;
//   2. else one it lists under that name without regard to case (the first in its order);
//   3. else the table whose file is tableFileFor(folder(), text), found without regard to case
//      (an exact file name wins); a file of a container's folder that is not a member of it is
//      a free table. A path to a file outside the folder is error 202.
// CREATE makes its table where these find one, else at tableFileFor(); it never replaces a file
// outside the folder (error 202). So no statement reaches a file outside the folder, except a
// container's own member where the container puts it (its back-link naming the container).
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foxpro-engine/Field.h"
#include "foxpro-engine/TableWriter.h"
#include "foxpro-engine/container/CompoundIndex.h"

namespace foxpro {

// One row of the tables rowset (OpenSchema(20)).
struct CatalogueEntry {
  std::string type;  // "TABLE", "VIEW"
  std::string name;  // a folder: the file's name without extension as on disk; a container: the table's name
};

// A table (or a container's view) as a statement's text finds it.
struct TableLocation {
  std::string name;           // the table's name as the catalogue lists it
  std::filesystem::path dbf;  // the table file, as it is on disk (empty for a view)
  // The names to report for the table's user fields, in file order. Empty: the names of the
  // file's header, lower-cased (as FoxPro's provider reports them). A container gives the long
  // names it stores.
  std::vector<std::string> columnNames;
  bool view = false;
  bool member = false;  // a container's own table (not a free table in its folder)
};

// What CREATE TABLE asks for.
struct NewTable {
  // The table file, directly in the folder (Catalogue::fileFor()).
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

  // The folder the tables live in (a container's folder).
  virtual const std::filesystem::path& folder() const = 0;

  // The rows of OpenSchema(20), in the order the catalogue gives them.
  virtual std::vector<CatalogueEntry> tables() = 0;

  // What the text names (1–3 above), or nothing.
  virtual std::optional<TableLocation> lookup(std::string_view text) = 0;
  // The table SELECT, INSERT and DROP name: lookup(); fox::Error 1 "File 'x.DBF' does not
  // exist." (the file the text names) when there is none, 1001 for a container's view.
  TableLocation find(std::string_view text);
  // The table file CREATE makes or replaces (see above).
  std::filesystem::path fileFor(std::string_view text);

  // Creates the table, replacing a table of the same file with its memo and index files and its
  // catalogue entry, and returns a writer open for appending. Checks everything it can before
  // it removes anything, so a refused table leaves the old one intact.
  virtual std::unique_ptr<fox::TableWriter> create(const NewTable& table) = 0;

  // Drops a table that find() returned: removes its files (.dbf, memo, .cdx) and its catalogue
  // entry. The provider has closed its own handles on the table first.
  virtual void drop(const TableLocation& table) = 0;

  // Records the tags of a table's structural index where the catalogue keeps them (a container:
  // its Index records, and `primaryKey` as the table's primary key unless empty). A folder keeps
  // nothing.
  virtual void recordIndexes(const TableLocation& table, const std::vector<fox::cdx::TagInfo>& tags,
                             const std::string& primaryKey);
  // The tag the catalogue records as the table's primary key; empty when it has none.
  virtual std::string primaryKey(const TableLocation& table);
};

// A folder of free tables. Throws fox::Error when the folder does not exist.
std::unique_ptr<Catalogue> openFolderCatalogue(const std::filesystem::path& folder);

// A database container (.dbc file). Throws fox::Error when the file does not exist or is not a
// container.
std::unique_ptr<Catalogue> openContainerCatalogue(const std::filesystem::path& dbc);

// Helpers for both catalogues ---------------------------------------------------------------

// Creates a free table (no back-link). A free table stores at most 10 characters of a field
// name: longer names are shortened as fox::shortFieldNames() says, so nothing is merged or lost.
std::unique_ptr<fox::TableWriter> createFreeTable(const NewTable& table);

// The table file `name` + ".dbf" in `folder`, found without regard to case; only a regular file counts.
std::optional<std::filesystem::path> findTableFile(const std::filesystem::path& folder, std::string_view name);

// True when a writer elsewhere (another connection or program) holds the table file's lock.
bool inUse(const std::filesystem::path& dbf);

// Removes the table's files (fox::tableFiles), the .dbf first. Throws fox::Error 3 when the
// table is in use elsewhere (its rows would be lost), 1705 when a file cannot be removed.
void removeTableFiles(const std::filesystem::path& dbf);

// The structural index (.cdx) of the table file, when it has one.
std::optional<std::filesystem::path> indexFile(const std::filesystem::path& dbf);

// True when the file's extension is ".dbf" in any case.
bool isDbfFile(const std::filesystem::path& file);
// True when the file lies directly in the folder.
bool directlyIn(const std::filesystem::path& file, const std::filesystem::path& folder);

// A path as a connection string gives it, made absolute: "\" counts as a separator (as in
// FoxPro), a relative path is taken from `folder`.
std::filesystem::path statementPath(const std::filesystem::path& folder, std::string_view text);

// The table file a statement's text names in `folder`, always a file directly in it. A text that
// begins with "/" or "\" is a path: of a file in the folder (".dbf" added when it has no
// extension), else error 202. A plain file name ending in ".dbf" is that file. Any other text is
// a table name, whose file is fox::tableFileStem(text) + ".DBF" ("orders" → orders.DBF, "../x"
// → ..%2Fx.DBF).
std::filesystem::path tableFileFor(const std::filesystem::path& folder, std::string_view text);

// The regular file at `path`, its file name matched without regard to case in its folder (an
// exact name wins).
std::optional<std::filesystem::path> findFileAt(const std::filesystem::path& path);

}  // namespace foxpro
