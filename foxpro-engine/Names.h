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

// The unique header names of fields with these long names, in order. A name of up to 10
// characters keeps itself, upper-cased; a longer one is cut to its first 10, and a cut name that
// another field's name or an earlier cut name already has ends in a number instead, as many
// characters cut as the number needs (contact_type_id, contact_type → CONTACT_TY, CONTACT_T2; a
// third → CONTACT_T3; the tenth → CONTACT_10). Every name is chosen before the first is given
// out, so a cut name is never another field's own name (abcdefghij_2 beside abcdefghi2 becomes
// ABCDEFGHI3, not ABCDEFGHI2): a value never lands under another column's name.
std::vector<std::string> shortFieldNames(const std::vector<std::string>& longNames);

// The file name, without folder and extension, of the table file of the table `name`. A table
// name is never a path: each character that would lead out of the folder or make an invalid file
// name (/ \ : * ? " < > |, a control character, and a blank or period at the end) is written as
// % and its UTF-8 bytes in two hexadecimal digits; every other name is its own file name.
// "../../escape" → "..%2F..%2Fescape", ".." → ".%2E", "a:b" → "a%3Ab", "my table" → "my table".
// The same name always gives the same file, so a second copy finds the file of the first.
// Throws fox::Error 3001 when the name is empty or its file name would pass 250 bytes.
std::string tableFileStem(std::string_view name);

}  // namespace fox
