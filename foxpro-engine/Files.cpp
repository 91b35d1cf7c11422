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

namespace {
bool regularFile(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

// The file beside `table` named `name` without regard to case: the exact name first, else a
// regular file that no other table file of the folder claims by its exact name.
std::optional<std::filesystem::path> findCompanion(const std::filesystem::path& table, const std::string& name) {
  const std::filesystem::path folder = table.parent_path().empty() ? std::filesystem::path(".") : table.parent_path();
  std::vector<std::filesystem::path> matches = findAllNoCase(folder, name);
  // The exact name is taken whatever it is, so that opening it says what is wrong (a named pipe,
  // a folder) instead of reporting the file as missing.
  for (const auto& match : matches)
    if (match.filename() == name) return match;
  for (const auto& match : matches) {
    if (!regularFile(match)) continue;
    const std::string stem = match.stem().string();
    const auto claims = [&](const std::filesystem::path& other) {
      std::error_code ec;
      return other.stem().string() == stem && regularFile(other) && !std::filesystem::equivalent(other, table, ec);
    };
    const auto tables = findAllNoCase(folder, stem + table.extension().string());
    if (std::none_of(tables.begin(), tables.end(), claims)) return match;
  }
  return std::nullopt;
}
}  // namespace

std::optional<std::filesystem::path> findMemoFile(const std::filesystem::path& table, bool dBase) {
  if (auto f = findCompanion(table, memoFileName(table, dBase).filename().string())) return f;
  std::string ext = lowerExtension(table);
  if (ext != ".dbc" && !foxProToolFile(ext))
    if (auto f = findCompanion(table, memoFileName(table, !dBase).filename().string())) return f;
  return std::nullopt;
}

std::optional<std::filesystem::path> findIndexFile(const std::filesystem::path& table) {
  return findCompanion(table, indexFileName(table).filename().string());
}

std::vector<std::filesystem::path> tableFiles(const std::filesystem::path& table) {
  std::vector<std::filesystem::path> files;
  auto add = [&](const std::optional<std::filesystem::path>& file) {
    if (file && std::find(files.begin(), files.end(), *file) == files.end()) files.push_back(*file);
  };
  const std::filesystem::path folder = table.parent_path().empty() ? std::filesystem::path(".") : table.parent_path();
  std::optional<std::filesystem::path> file = findFileNoCase(folder, table.filename().string());
  if (file && !regularFile(*file)) file.reset();
  add(file);
  const std::filesystem::path& named = file ? *file : table;
  add(findMemoFile(named));
  add(findMemoFile(named, true));
  add(findCompanion(named, indexFileName(named).filename().string()));
  add(findCompanion(named, codePageFileName(named).filename().string()));
  return files;
}

void removeTableFiles(const std::filesystem::path& table) {
  for (const auto& p : tableFiles(table)) {
    std::error_code ec;
    if (!std::filesystem::remove(p, ec) && ec && ec != std::errc::no_such_file_or_directory)
      throw Error(err::AccessDenied,
                  "File access is denied: " + quoted(p) + " cannot be deleted (" + ec.message() + ").");
  }
}

}  // namespace fox
