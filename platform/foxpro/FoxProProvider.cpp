#include "FoxProProvider.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "Catalogue.h"
#include "Errors.h"
#include "Session.h"
#include "foxpro-engine/CodePage.h"
#include "foxpro-engine/Errors.h"
#include "foxpro-engine/Names.h"
#include "platform/ado/Error.h"
#include "platform/ado/Provider.h"

namespace foxpro {

namespace {

namespace fs = std::filesystem;

bool isContainerPath(const fs::path& path) { return fox::sameName(path.extension().string(), ".dbc"); }

// "Data Source=" a .dbc file (a database container) or a folder of free tables;
// "Collating Sequence=" machine or general (kept for FoxPro's sake: the dialect neither sorts
// nor compares text, so it changes nothing here); "Hold Rows=Yes" (Session.h).
std::unique_ptr<Catalogue> openCatalogue(const std::string& text) {
  if (text.empty()) throw errors::fileDoesNotExist("");
  std::error_code ec;
  fs::path source = statementPath(fs::current_path(ec), text);
  if (isContainerPath(source)) return openContainerCatalogue(source);
  auto catalogue = openFolderCatalogue(source);
  fs::directory_iterator probe(source, ec);
  if (ec) throw errors::fileAccessDenied(text);
  return catalogue;
}

// "Code Page=" the code page new tables get and tables that name none are read in; without it
// the Windows code page of the user's locale (1252 by default). Only a code page a table header
// can name is taken.
int sessionCodePage(const ado::ConnectionString& text) {
  const std::optional<std::string> given = text.get("Code Page");
  if (!given) return fox::localeCodePage();
  int number = 0;
  const char* end = given->data() + given->size();
  const auto [stop, error] = std::from_chars(given->data(), end, number);
  if (error != std::errc() || stop != end || fox::markFromCodePage(number) == 0 || !fox::codePageSupported(number))
    throw fox::errors::codePageUnsupported(*given);
  return number;
}

std::unique_ptr<ado::provider::Session> open(const ado::provider::OpenRequest& request) {
  try {
    const int codePage = sessionCodePage(request.connectionString);
    auto catalogue = openCatalogue(request.connectionString.value("Data Source"));
    return std::make_unique<Session>(std::move(catalogue), codePage,
                                     request.connectionString.value("Hold Rows") == "Yes");
  } catch (const fox::Error& e) {
    throw ado::Error(e.number(), e.what());
  }
}

}  // namespace

void registerFoxProProvider() { ado::provider::registerProvider("vfpoledb.1", open); }

}  // namespace foxpro
