#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace mysql {

// For "select * from T where C = 5" (any letter case and spacing, names plain or in backticks,
// an optional final ";"): the text with the number replaced by "?". Queries of one shape give
// results of one layout whatever the number, so their layout can be remembered.
// Nothing for any other text.
std::optional<std::string> queryShape(std::string_view sql);

}  // namespace mysql
