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

std::vector<fs::path> tableFiles(const fs::path& dbf) {
  std::vector<fs::path> files;
  std::error_code ec;
  if (!fs::is_regular_file(dbf, ec)) return files;
  files.push_back(dbf);
  for (bool dBase : {false, true})
    if (auto memo = fox::findMemoFile(dbf, dBase); memo && std::find(files.begin(), files.end(), *memo) == files.end())
      files.push_back(*memo);
  if (auto index = indexFile(dbf)) files.push_back(*index);
  if (auto cpg = findRegularFile(dbf.parent_path(), fox::codePageFileName(dbf).filename().string()))
    files.push_back(*cpg);
  return files;
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
  for (const fs::path& file : tableFiles(dbf)) {
    std::error_code ec;
    if (!fs::remove(file, ec) && ec) throw errors::fileAccessDenied(file.filename().string());
  }
}

bool namesFile(std::string_view name) {
  return name.find('/') != std::string_view::npos || name.find('\\') != std::string_view::npos ||
         endsWithNoCase(name, ".dbf");
}

bool isDbfFile(const fs::path& file) {
  std::string extension = file.extension().string();
  return extension.size() == 4 && endsWithNoCase(extension, ".dbf");
}

fs::path statementPath(const fs::path& folder, std::string_view text) {
  std::string slashed(text);
  for (char& c : slashed)
    if (c == '\\') c = '/';
  fs::path path(slashed);
  if (path.is_relative()) path = folder / path;
  return path.lexically_normal();
}

fs::path tablePath(const fs::path& folder, std::string_view text) {
  fs::path path = statementPath(folder, text);
  if (path.has_filename() && !path.has_extension()) path += ".dbf";
  return path;
}

std::optional<fs::path> findFileAt(const fs::path& path) {
  if (!path.has_filename()) return std::nullopt;
  return findRegularFile(path.parent_path(), path.filename().string());
}

}  // namespace foxpro
