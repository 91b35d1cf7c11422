// The catalogue of a database container (.dbc). Opening checks the container file; the rest
// is not built yet.
#include <system_error>

#include "Catalogue.h"
#include "Errors.h"

namespace foxpro {

namespace {

namespace fs = std::filesystem;

class ContainerCatalogue : public Catalogue {
 public:
  explicit ContainerCatalogue(fs::path dbc) : dbc_(std::move(dbc)), folder_(dbc_.parent_path()) {}

  const fs::path& folder() const override { return folder_; }
  std::vector<CatalogueEntry> tables() override { throw notYet(); }
  TableLocation find(std::string_view) override { throw notYet(); }
  std::unique_ptr<fox::TableWriter> create(const NewTable&) override { throw notYet(); }
  void drop(const TableLocation&) override { throw notYet(); }

 private:
  static fox::Error notYet() { return errors::featureNotAvailable("database containers (.dbc) are not supported yet"); }

  fs::path dbc_;
  fs::path folder_;
};

}  // namespace

std::unique_ptr<Catalogue> openContainerCatalogue(const fs::path& dbc) {
  std::error_code ec;
  if (!fs::is_regular_file(dbc, ec)) throw errors::fileDoesNotExist(dbc.string());
  return std::make_unique<ContainerCatalogue>(dbc);
}

}  // namespace foxpro
