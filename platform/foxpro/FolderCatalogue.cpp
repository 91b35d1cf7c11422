// The catalogue of a folder of free tables: every .dbf file of the folder is a table, named by
// its file name without extension as it is on disk.
#include <algorithm>
#include <system_error>

#include "Catalogue.h"
#include "Errors.h"

namespace foxpro {

namespace {

namespace fs = std::filesystem;

bool isTableFile(const fs::directory_entry& entry) {
  std::error_code ec;
  return entry.is_regular_file(ec) && isDbfFile(entry.path());
}

class FolderCatalogue : public Catalogue {
 public:
  explicit FolderCatalogue(fs::path folder) : folder_(std::move(folder)) {}

  const fs::path& folder() const override { return folder_; }

  std::vector<CatalogueEntry> tables() override {
    std::vector<CatalogueEntry> rows;
    std::error_code ec;
    fs::directory_iterator it(folder_, ec);
    if (ec) throw errors::invalidPath();
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
      if (ec) throw errors::invalidPath();
      if (isTableFile(*it)) rows.push_back({"TABLE", it->path().stem().string()});
    }
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return rows;
  }

  TableLocation find(std::string_view name) override {
    std::optional<fs::path> file;
    std::string shown(name);
    if (namesFile(name)) {
      fs::path path = tablePath(folder_, name);
      shown = path.filename().string();
      file = findFileAt(path);
    } else {
      shown += ".dbf";
      file = findTableFile(folder_, name);
    }
    if (!file) throw errors::fileDoesNotExist(shown);
    return TableLocation{file->stem().string(), *file, {}};
  }

  std::unique_ptr<fox::TableWriter> create(const NewTable& table) override { return createFreeTable(table); }

  // Only a table this folder lists: a path into another folder, or to a file that is not a
  // .dbf (whose "memo" could be another table's .fpt), deletes nothing.
  void drop(const TableLocation& table) override {
    std::error_code ec;
    if (!isDbfFile(table.dbf) || !fs::equivalent(table.dbf.parent_path(), folder_, ec))
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
