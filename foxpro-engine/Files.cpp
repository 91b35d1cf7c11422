#include "Files.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "Error.h"
#include "File.h"
#include "Names.h"

namespace fox {

namespace {
std::filesystem::path withExtension(const std::filesystem::path& table, std::string ext) {
  std::string old = table.extension().string();
  bool upper = !old.empty() && std::all_of(old.begin() + 1, old.end(), [](unsigned char c) {
    return !std::isalpha(c) || std::isupper(c);
  }) && std::any_of(old.begin(), old.end(), [](unsigned char c) { return std::isalpha(c); });
  for (char& c : ext) c = char(upper ? std::toupper((unsigned char)c) : std::tolower((unsigned char)c));
  std::filesystem::path p = table;
  p.replace_extension(ext);
  return p;
}

std::string lowerExtension(const std::filesystem::path& p) {
  std::string e = p.extension().string();
  for (char& c : e) c = char(std::tolower((unsigned char)c));
  return e;
}
}  // namespace

std::optional<std::filesystem::path> findFileNoCase(const std::filesystem::path& folder, std::string_view name) {
  std::error_code ec;
  auto exact = folder / std::string(name);
  if (std::filesystem::exists(exact, ec)) return exact;
  std::optional<std::filesystem::path> found;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string entry = it->path().filename().string();
    if (sameName(entry, name)) {
      // Several entries differing only in case: take the first in name order, so the choice is stable.
      if (!found || entry < found->filename().string()) found = it->path();
    }
  }
  return found;
}

std::vector<std::filesystem::path> findAllNoCase(const std::filesystem::path& folder, std::string_view name) {
  std::vector<std::filesystem::path> all;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (sameName(it->path().filename().string(), name)) all.push_back(it->path());
  std::sort(all.begin(), all.end());
  return all;
}

// FoxPro's own files that are tables: the form, class library, report, label, menu and project
// files keep their memos in a file whose extension ends in "t" instead of "x".
bool foxProToolFile(const std::string& ext) {
  return ext == ".scx" || ext == ".vcx" || ext == ".frx" || ext == ".lbx" || ext == ".mnx" || ext == ".pjx";
}

std::filesystem::path memoFileName(const std::filesystem::path& table, bool dBase) {
  std::string ext = lowerExtension(table);
  if (ext == ".dbc") return withExtension(table, ".dct");
  if (foxProToolFile(ext)) {
    ext.back() = 't';
    return withExtension(table, ext);
  }
  return withExtension(table, dBase ? ".dbt" : ".fpt");
}

std::filesystem::path indexFileName(const std::filesystem::path& table) {
  return withExtension(table, lowerExtension(table) == ".dbc" ? ".dcx" : ".cdx");
}

std::filesystem::path codePageFileName(const std::filesystem::path& table) { return withExtension(table, ".cpg"); }

std::optional<std::filesystem::path> findMemoFile(const std::filesystem::path& table, bool dBase) {
  std::filesystem::path folder = table.parent_path().empty() ? std::filesystem::path(".") : table.parent_path();
  std::filesystem::path first = memoFileName(table, dBase);
  if (auto f = findFileNoCase(folder, first.filename().string())) return f;
  std::string ext = lowerExtension(table);
  if (ext != ".dbc" && !foxProToolFile(ext))
    if (auto f = findFileNoCase(folder, memoFileName(table, !dBase).filename().string())) return f;
  return std::nullopt;
}

void removeTableFiles(const std::filesystem::path& table) {
  std::filesystem::path folder = table.parent_path().empty() ? std::filesystem::path(".") : table.parent_path();
  std::vector<std::filesystem::path> doomed;
  for (const auto& name : {table.filename(), memoFileName(table).filename(), indexFileName(table).filename(),
                           codePageFileName(table).filename()})
    for (auto& p : findAllNoCase(folder, name.string())) doomed.push_back(p);
  for (auto& p : doomed) {
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) continue;
    if (!std::filesystem::remove(p, ec) && ec && ec != std::errc::no_such_file_or_directory)
      throw Error(err::AccessDenied,
                  "File access is denied: " + quoted(p) + " cannot be deleted (" + ec.message() + ").");
  }
}

}  // namespace fox
