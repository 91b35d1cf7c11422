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

// queryShape for a run of queries that differ only in their number (one per row of a copy): a
// text that is the last one with another whole number in its place has the last one's shape
// without being read again.
class QueryShapes {
 public:
  std::optional<std::string> of(std::string_view sql);

 private:
  std::string prefix_, suffix_;  // the last shaped text around its number
  bool known_ = false;
};

}  // namespace mysql
