#pragma once
// The one way a table or column name goes into a statement, for each database: whatever the
// name holds (a quote, a bracket, a blank, a semicolon, "/"), it stays one name. Plain functions
// (no Qt), called by both copies, the deletes and the rename.
#include <string>
#include <string_view>

// MySQL: in backticks, each backtick inside doubled (`it``s`).
std::string MySqlName(std::string_view name);

// FoxPro: in brackets, each closing bracket inside doubled ([a]]b] is a]b). The FoxPro provider
// takes a bracketed table name as a name, never as a path built from it.
std::string FoxProName(std::string_view name);
