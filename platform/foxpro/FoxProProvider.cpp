#include "FoxProProvider.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/ado/Error.h"
#include "platform/ado/Provider.h"

namespace foxpro {

namespace {

namespace fs = std::filesystem;

// Opening checks that the source exists: a .dbc file (a database container) or a folder of free tables.
class Session : public ado::provider::Session {
 public:
  explicit Session(fs::path source) : source_(std::move(source)) {}
  std::unique_ptr<ado::provider::Cursor> execute(const std::string&) override {
    throw ado::Error(1, "Statements are not supported yet.");
  }
  std::unique_ptr<ado::provider::Cursor> openSchema(ado::SchemaEnum) override {
    throw ado::Error(1, "The catalogue is not supported yet.");
  }
  void close() override {}

 private:
  fs::path source_;
};

std::unique_ptr<ado::provider::Session> open(const ado::provider::OpenRequest& request) {
  std::string source = request.connectionString.value("Data Source");
  std::error_code ec;
  fs::path path(source);
  bool isContainer = path.extension().string().size() == 4 &&
                     (path.extension() == ".dbc" || path.extension() == ".DBC" || path.extension() == ".Dbc");
  if (source.empty()) throw ado::Error(1, "File '' does not exist.");
  if (isContainer) {
    if (!fs::is_regular_file(path, ec)) throw ado::Error(1, "File '" + source + "' does not exist.");
  } else if (!fs::is_directory(path, ec)) {
    throw ado::Error(1, "Invalid path or file name.");
  }
  return std::make_unique<Session>(path);
}

}  // namespace

void registerFoxProProvider() { ado::provider::registerProvider("vfpoledb.1", open); }

}  // namespace foxpro
