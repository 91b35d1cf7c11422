#pragma once
#include <filesystem>
#include <optional>
#include <string_view>

namespace fox {

// FoxPro matches file names without regard to case, also on a case-sensitive file system:
// the table Orders is orders.dbf or ORDERS.DBF. Returns the entry of `folder` whose name equals
// `name` ignoring ASCII case (an exact match wins), or nothing.
std::optional<std::filesystem::path> findFileNoCase(const std::filesystem::path& folder, std::string_view name);

}  // namespace fox
