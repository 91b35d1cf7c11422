#pragma once
// The engine's errors that several places raise, each message worded in one place (numbers and
// texts as ERRORS.md lists them). `file` is shown by its name only: 'orders.dbf'.
#include <filesystem>
#include <string_view>

#include "Error.h"

namespace fox::errors {

Error fileNotFound(const std::filesystem::path& file);  // 1 "File 'x' does not exist."
Error fileInUse(const std::filesystem::path& file);     // 3 "File 'x' is in use."
Error accessDenied(const std::filesystem::path& file);  // 1705 "File access is denied: 'x'."
// 41 "Memo file 'x' is missing or is invalid." and, with `why`, ": it " + why.
Error memoFileInvalid(const std::filesystem::path& memo, std::string_view why = {});
// 1102 "Cannot create file 'x'." and, with `why`, ": " + why.
Error cannotCreateFile(const std::filesystem::path& file, std::string_view why = {});
Error readError(const std::filesystem::path& file, std::string_view why);   // 1104 "Error reading file 'x': why."
Error writeError(const std::filesystem::path& file, std::string_view why);  // 1105 "Error writing to file 'x': why."
// 2091 "Table 'x' has become corrupted." and, with `why`, ": " + why.
Error tableCorrupted(const std::filesystem::path& table, std::string_view why = {});
// 3004 "Code page " + which + " is not supported." (a number, or a name and where it was found).
Error codePageUnsupported(std::string_view which);

}  // namespace fox::errors
