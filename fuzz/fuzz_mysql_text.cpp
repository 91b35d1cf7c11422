// libFuzzer target: the MySQL provider's readers of caller text — the connection string's
// options and the query shape of a record set's source. Neither may crash or hang on any input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/ado/Error.h"
#include "platform/mysql/ConnectionOptions.h"
#include "platform/mysql/QueryShape.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    mysql::ConnectionOptions::parse(ado::ConnectionString::parse(text));
  } catch (const ado::Error&) {
  }
  if (auto shape = mysql::queryShape(text)) {
    // The shape differs from the text only where the number stood.
    if (shape->size() > text.size() + 1) __builtin_trap();
  }
  return 0;
}
