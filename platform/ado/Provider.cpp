#include "Provider.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "Error.h"
#include "ProviderRegistry.h"

namespace ado::provider {

void Cursor::insert(const std::vector<Variant>&, const std::vector<bool>&) {
  throw Error(errors::kNotSupported,
              "Current Recordset does not support updating. This may be a limitation of the provider, or of the "
              "selected locktype.");
}

std::unique_ptr<Cursor> Session::openRecordset(const std::string& source, CursorTypeEnum, LockTypeEnum) {
  return execute(source);
}

Variant Session::property(const std::string&) const { return {}; }

namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::map<std::string, Factory>& drivers() {
  static std::map<std::string, Factory> m;
  return m;
}

std::map<std::string, Factory>& providers() {
  static std::map<std::string, Factory> m;
  return m;
}

}  // namespace

void registerDriver(const std::string& driverName, Factory factory) {
  drivers()[lower(driverName)] = std::move(factory);
}

void registerProvider(const std::string& providerName, Factory factory) {
  providers()[lower(providerName)] = std::move(factory);
}

const Factory& findFactory(const ConnectionString& cs) {
  if (auto driver = cs.get("DRIVER")) {
    auto it = drivers().find(lower(*driver));
    if (it != drivers().end()) return it->second;
    throw Error(errors::kDataSourceNotFound,
                "[Microsoft][ODBC Driver Manager] Data source name not found and no default driver specified");
  }
  if (auto name = cs.get("Provider")) {
    auto it = providers().find(lower(*name));
    if (it != providers().end()) return it->second;
    throw Error(errors::kProviderNotFound, "Provider cannot be found. It may not be properly installed.");
  }
  throw Error(errors::kDataSourceNotFound,
              "[Microsoft][ODBC Driver Manager] Data source name not found and no default driver specified");
}

}  // namespace ado::provider
