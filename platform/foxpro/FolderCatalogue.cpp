// The catalogue of a folder of free tables: every .dbf file of the folder is a table, named by
// its file name without extension as it is on disk.
#include <algorithm>
#include <system_error>

#include "Catalogue.h"
#include "Errors.h"
#include "foxpro-engine/Names.h"

namespace foxpro {

namespace {

namespace fs = std::filesystem;

// The table files of the folder: its regular files whose extension is .dbf in any case.
std::vector<fs::path> tableFilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) throw errors::invalidPath();
  for (fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) throw errors::invalidPath();
    if (it->is_regular_file(ec) && isDbfFile(it->path())) files.push_back(it->path());
  }
  return files;
}

class FolderCatalogue : public Catalogue {
 public:
  explicit FolderCatalogue(fs::path folder) : folder_(std::move(folder)) {}

  const fs::path& folder() const override { return folder_; }

  std::vector<CatalogueEntry> tables() override {
    std::vector<CatalogueEntry> rows;
    for (const fs::path& file : tableFilesIn(folder_)) rows.push_back({"TABLE", file.stem().string()});
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return rows;
  }

  std::optional<TableLocation> lookup(std::string_view text) override {
    std::optional<fs::path> exact, noCase;
    for (const fs::path& file : tableFilesIn(folder_)) {
      const std::string stem = file.stem().string();
      // The first in the catalogue's order (by name) of each kind, so the choice is stable.
      if (stem == text && (!exact || file < *exact)) exact = file;
      if (fox::sameName(stem, text) && (!noCase || file < *noCase)) noCase = file;
    }
    std::optional<fs::path> file = exact ? exact : noCase ? noCase : findFileAt(tableFileFor(folder_, text));
    if (!file) return std::nullopt;
    return TableLocation{file->stem().string(), *file, {}};
  }

  std::unique_ptr<fox::TableWriter> create(const NewTable& table) override { return createFreeTable(table); }

  // Only a table this folder lists: a file that is not a .dbf (whose "memo" could be another
  // table's .fpt) deletes nothing.
  void drop(const TableLocation& table) override {
    if (!isDbfFile(table.dbf) || !directlyIn(table.dbf, folder_))
      throw fox::Error(errors::kInvalidPath, "Invalid path or file name: '" + table.dbf.string() +
                                                 "' is not a table of the folder '" + folder_.string() + "'.");
    removeTableFiles(table.dbf);
  }

 private:
  fs::path folder_;
};

}  // namespace

std::unique_ptr<Catalogue> openFolderCatalogue(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) throw errors::invalidPath();
  return std::make_unique<FolderCatalogue>(folder);
}

}  // namespace foxpro
