#pragma once
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace fox {

// FoxPro matches file names without regard to case, also on a case-sensitive file system:
// the table Orders is orders.dbf or ORDERS.DBF. Returns the entry of `folder` whose name equals
// `name` ignoring case (an exact match wins), or nothing.
std::optional<std::filesystem::path> findFileNoCase(const std::filesystem::path& folder, std::string_view name);

// Every entry of `folder` whose name equals `name` ignoring case.
std::vector<std::filesystem::path> findAllNoCase(const std::filesystem::path& folder, std::string_view name);

// The companion files of a table file, named as FoxPro names them: the memo file of x.dbf is
// x.fpt (x.dbt for dBASE tables), of x.dbc x.dct (of x.scx x.sct, …); the structural index of
// x.dbf is x.cdx, of x.dbc x.dcx. The returned name keeps the table's stem and lower-cases the
// extension when the table's extension is lower case, else upper-cases it.
std::filesystem::path memoFileName(const std::filesystem::path& table, bool dBase = false);
std::filesystem::path indexFileName(const std::filesystem::path& table);
// The file beside a table that names its code page, as GIS tools write it: x.cpg.
std::filesystem::path codePageFileName(const std::filesystem::path& table);

// The memo file of a table as it exists on disk, found without regard to case (for a dBASE
// table the .dbt is looked for first, then the .fpt; for others the other way round). Like every
// file beside a table, an exact name wins, and a file matching only without regard to case is
// left to another table file of the folder whose name it matches exactly (beside orders.DBF and
// ORDERS.dbf, ORDERS.fpt is the second one's memo, never the first one's).
std::optional<std::filesystem::path> findMemoFile(const std::filesystem::path& table, bool dBase = false);

// The structural index of a table as it exists on disk, found as findMemoFile finds a memo.
std::optional<std::filesystem::path> findIndexFile(const std::filesystem::path& table);

// The files of a table that exist: the table file first (its name matched without regard to
// case, an exact name winning), then its memo (.fpt or .dbt), its structural index and its .cpg
// (which would name the code page of a new table of that name wrongly), each found as
// findMemoFile finds a memo. Another table whose name differs only in case (possible on this
// file system) keeps its files.
std::vector<std::filesystem::path> tableFiles(const std::filesystem::path& table);

// Deletes tableFiles(table). Missing files are no error; a file that cannot be deleted is
// fox::Error 1705.
void removeTableFiles(const std::filesystem::path& table);

}  // namespace fox
