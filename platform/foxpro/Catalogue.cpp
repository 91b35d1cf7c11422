#include "Catalogue.h"

#include <algorithm>
#include <system_error>

#include "Errors.h"
#include "foxpro-engine/File.h"
#include "foxpro-engine/Files.h"
#include "foxpro-engine/Names.h"

namespace foxpro {

namespace fs = std::filesystem;

namespace {

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && fox::sameName(text.substr(text.size() - suffix.size()), suffix);
}

std::optional<fs::path> findRegularFile(const fs::path& folder, std::string_view name) {
  auto found = fox::findFileNoCase(folder, name);
  std::error_code ec;
  if (!found || !fs::is_regular_file(*found, ec)) return std::nullopt;
  return found;
}

}  // namespace

std::unique_ptr<fox::TableWriter> createFreeTable(const NewTable& table) {
  std::vector<std::string> names;
  for (const auto& column : table.columns) names.push_back(column.name);
  names = fox::shortFieldNames(names);
  std::vector<fox::ColumnSpec> columns = table.columns;
  for (std::size_t i = 0; i < columns.size(); ++i) columns[i].name = names[i];
  fox::CreateOptions options = table.options;
  options.backlink.clear();
  // The engine replaces an old table of the same name only once the new one is valid.
  return fox::TableWriter::create(table.dbf, columns, options);
}

std::optional<fs::path> findTableFile(const fs::path& folder, std::string_view name) {
  std::string file(name);
  file += ".dbf";
  return findRegularFile(folder, file);
}

std::optional<fs::path> indexFile(const fs::path& dbf) {
  return findRegularFile(dbf.parent_path(), fox::indexFileName(dbf).filename().string());
}

bool inUse(const fs::path& dbf) {
  try {
    fox::File file(dbf, fox::File::Mode::Read);
    return !file.tryLockExclusive();  // closing the file releases the lock just taken, if it was
  } catch (const fox::Error&) {
    return false;
  }
}

void removeTableFiles(const fs::path& dbf) {
  if (inUse(dbf)) throw errors::fileInUse(dbf.filename().string());
  fox::removeTableFiles(dbf);
}

bool isDbfFile(const fs::path& file) {
  std::string extension = file.extension().string();
  return extension.size() == 4 && endsWithNoCase(extension, ".dbf");
}

bool directlyIn(const fs::path& file, const fs::path& folder) {
  std::error_code ec;
  return file.has_filename() && fs::equivalent(file.parent_path(), folder, ec);
}

fs::path statementPath(const fs::path& folder, std::string_view text) {
  std::string slashed(text);
  for (char& c : slashed)
    if (c == '\\') c = '/';
  fs::path path(slashed);
  if (path.is_relative()) path = folder / path;
  return path.lexically_normal();
}

fs::path tableFileFor(const fs::path& folder, std::string_view text) {
  const bool plainName = text.find_first_of("/\\") == std::string_view::npos;
  if (plainName && isDbfFile(std::string(text)) &&
      !fox::nameProblem(text.substr(0, text.size() - 4), fox::NameKind::TableFile))
    return folder / std::string(text);
  if (!plainName && (text.front() == '/' || text.front() == '\\')) {
    fs::path path = statementPath(folder, text);
    if (!directlyIn(path, folder))
      throw fox::Error(errors::kInvalidPath, "Invalid path or file name: '" + std::string(text) +
                                                 "' is not in the folder '" + folder.string() + "'.");
    if (!path.has_extension()) path += ".dbf";
    return path;
  }
  return folder / (fox::tableFileStem(text) + ".DBF");
}

std::optional<fs::path> findFileAt(const fs::path& path) {
  if (!path.has_filename()) return std::nullopt;
  return findRegularFile(path.parent_path(), path.filename().string());
}

void Catalogue::recordIndexes(const TableLocation&, const std::vector<fox::cdx::TagInfo>&, const std::string&) {}
std::string Catalogue::primaryKey(const TableLocation&) { return {}; }

TableLocation Catalogue::find(std::string_view text) {
  std::optional<TableLocation> table = lookup(text);
  if (!table) throw errors::fileDoesNotExist(tableFileFor(folder(), text).filename().string());
  if (table->view) throw errors::featureNotAvailable("reading the view '" + table->name + "'");
  return *table;
}

fs::path Catalogue::fileFor(std::string_view text) {
  std::optional<TableLocation> table = lookup(text);
  if (!table || table->view) return tableFileFor(folder(), text);
  if (!directlyIn(table->dbf, folder()))
    throw fox::Error(errors::kInvalidPath, "Invalid path or file name: the file of table '" + table->name + "', '" +
                                               table->dbf.string() + "', is not in the folder '" + folder().string() +
                                               "'.");
  return table->dbf;
}

}  // namespace foxpro
