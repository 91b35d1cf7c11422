#pragma once
// FoxPro's naming rules: which names a table or field may have, and the 10-character field
// names a .dbf header holds for long names.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fox {

inline constexpr std::size_t kShortNameLength = 10;  // field names in a .dbf header (free tables)
inline constexpr std::size_t kLongNameLength = 128;  // long names kept in a container

enum class NameKind {
  FreeField,      // a field of a free table: at most 10 characters
  LongField,      // a field of a container table: at most 128 characters (the header gets a short name)
  LongTableName,  // a table's name inside a container: at most 128 characters
  TableFile,      // a table's file name without extension: any name the file system takes
};

// FoxPro names (FreeField, LongField, LongTableName) consist of ASCII letters, digits and
// underscores and do not start with a digit. TableFile names may hold anything but the
// characters Windows forbids in file names (/ \ : * ? " < > |) and control characters.
// Returns what is wrong ("begins with a digit", …), or nothing when the name is valid.
std::optional<std::string> nameProblem(std::string_view name, NameKind kind);
// Throws fox::Error 3001: "Invalid field name 'x': it begins with a digit."
void validateName(std::string_view name, NameKind kind);

// Whether two UTF-8 names are equal but for the case of their letters (Latin, Greek and Cyrillic,
// as Windows compares file and table names: Ärger is ärger). The one comparison of names (of
// fields, tables, files, catalogue objects) the engine and the FoxPro provider use.
bool sameName(std::string_view a, std::string_view b);
std::string upperName(std::string_view name);

// The unique header names Visual FoxPro gives to long field names, in order: the first 10
// characters upper-cased; a name that repeats an earlier one ends in a number instead, as
// many characters cut as the number needs (contact_type_id, contact_type → CONTACT_TY,
// CONTACT_T2; a third → CONTACT_T3; the tenth → CONTACT_10).
std::vector<std::string> shortFieldNames(const std::vector<std::string>& longNames);

}  // namespace fox
