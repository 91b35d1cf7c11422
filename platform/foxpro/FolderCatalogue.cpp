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
  if (!entry.is_regular_file(ec)) return false;
  std::string extension = entry.path().extension().string();
  if (extension.size() != 4) return false;
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".dbf";
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
    if (namesFile(name)) {
      file = findFileAt(statementPath(folder_, name));
    } else {
      file = findTableFile(folder_, name);
    }
    if (!file) throw errors::fileDoesNotExist(namesFile(name) ? std::string(name) : std::string(name) + ".dbf");
    return TableLocation{file->stem().string(), *file, {}};
  }

  std::unique_ptr<fox::TableWriter> create(const NewTable& table) override {
    std::vector<fox::ColumnSpec> columns = table.columns;
    assignFreeTableNames(columns);
    // Every check on the declaration has passed: now the old table may go.
    if (auto old = findFileAt(table.dbf)) removeTableFiles(*old);
    fox::CreateOptions options = table.options;
    options.backlink.clear();
    return fox::TableWriter::create(table.dbf, columns, options);
  }

  void drop(const TableLocation& table) override { removeTableFiles(table.dbf); }

 private:
  // A free table stores at most 10 characters of a field name.
  static void assignFreeTableNames(std::vector<fox::ColumnSpec>& columns);

  fs::path folder_;
};

// Names longer than 10 characters are cut to 10; a cut name that another field already has gets
// a sequence number in its last characters (CONTACT_TY, CONTACT_T2), as FoxPro shortens the long
// names of database tables. Names are written upper case.
void FolderCatalogue::assignFreeTableNames(std::vector<fox::ColumnSpec>& columns) {
  auto upper = [](std::string s) {
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
  };
  std::vector<std::string> taken;
  auto isTaken = [&](const std::string& name) { return std::find(taken.begin(), taken.end(), name) != taken.end(); };
  for (const auto& column : columns)
    if (column.name.size() <= 10) taken.push_back(upper(column.name));
  for (auto& column : columns) {
    std::string name = upper(column.name);
    if (name.size() > 10) {
      std::string candidate = name.substr(0, 10);
      for (int n = 2; isTaken(candidate); ++n) {
        std::string suffix = std::to_string(n);
        candidate = name.substr(0, 10 - suffix.size()) + suffix;
      }
      name = candidate;
      taken.push_back(name);
    }
    column.name = name;
  }
}

}  // namespace

std::unique_ptr<Catalogue> openFolderCatalogue(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) throw errors::invalidPath();
  return std::make_unique<FolderCatalogue>(folder);
}

}  // namespace foxpro
