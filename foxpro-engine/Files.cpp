#include "Files.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace fox {

namespace {
bool equalNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return std::tolower(x) == std::tolower(y);
  });
}
}  // namespace

std::optional<std::filesystem::path> findFileNoCase(const std::filesystem::path& folder, std::string_view name) {
  std::error_code ec;
  auto exact = folder / std::string(name);
  if (std::filesystem::exists(exact, ec)) return exact;
  std::optional<std::filesystem::path> found;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string entry = it->path().filename().string();
    if (equalNoCase(entry, name)) {
      // Several entries differing only in case: take the first in name order, so the choice is stable.
      if (!found || entry < found->filename().string()) found = it->path();
    }
  }
  return found;
}

}  // namespace fox
