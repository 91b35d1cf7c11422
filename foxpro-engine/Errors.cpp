#include "Errors.h"

#include <string>

#include "File.h"

namespace fox::errors {

namespace {
// ".", or ": why." when there is a why (with `lead` before it).
std::string ending(std::string_view why, std::string_view lead = "") {
  return why.empty() ? "." : ": " + std::string(lead) + std::string(why) + ".";
}
}  // namespace

Error fileNotFound(const std::filesystem::path& file) {
  return Error(err::FileNotFound, "File " + quoted(file) + " does not exist.");
}

Error fileInUse(const std::filesystem::path& file) {
  return Error(err::FileInUse, "File " + quoted(file) + " is in use.");
}

Error accessDenied(const std::filesystem::path& file) {
  return Error(err::AccessDenied, "File access is denied: " + quoted(file) + ".");
}

Error memoFileInvalid(const std::filesystem::path& memo, std::string_view why) {
  return Error(err::MemoFileInvalid, "Memo file " + quoted(memo) + " is missing or is invalid" + ending(why, "it "));
}

Error cannotCreateFile(const std::filesystem::path& file, std::string_view why) {
  return Error(err::CannotCreateFile, "Cannot create file " + quoted(file) + ending(why));
}

Error readError(const std::filesystem::path& file, std::string_view why) {
  return Error(err::ReadError, "Error reading file " + quoted(file) + ending(why));
}

Error writeError(const std::filesystem::path& file, std::string_view why) {
  return Error(err::WriteError, "Error writing to file " + quoted(file) + ending(why));
}

Error tableCorrupted(const std::filesystem::path& table, std::string_view why) {
  return Error(err::TableCorrupted, "Table " + quoted(table) + " has become corrupted" + ending(why));
}

Error codePageUnsupported(std::string_view which) {
  return Error(err::CodePageUnsupported, "Code page " + std::string(which) + " is not supported.");
}

}  // namespace fox::errors
