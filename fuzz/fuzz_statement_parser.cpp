// Fuzzes the FoxPro provider's statement parser and literal evaluation: any text is either a
// statement or a fox::Error, and evaluating an INSERT's values never fails otherwise.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foxpro-engine/CodePage.h"
#include "foxpro-engine/Error.h"
#include "platform/foxpro/sql/Statement.h"
#include "platform/foxpro/sql/Values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto cp1252 = fox::codePage(1252);
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    foxpro::sql::Statement statement = foxpro::sql::parse(text);
    if (auto* insert = std::get_if<foxpro::sql::Insert>(&statement)) {
      std::vector<fox::Value> values;
      foxpro::sql::evaluate(
          *insert,
          [](unsigned char b, std::string& out) {
            cp1252->toUtf8(std::string_view(reinterpret_cast<char*>(&b), 1), out);
          },
          values);
      if (values.size() != insert->valueCount()) __builtin_trap();
    }
    // Parsing into a statement that already holds buffers must give the same result.
    foxpro::sql::Statement reused = foxpro::sql::Insert{};
    foxpro::sql::parse(text, reused);
    if (reused.index() != statement.index()) __builtin_trap();
  } catch (const fox::Error&) {
    // A refused statement: the expected outcome for most inputs.
  }
  return 0;
}
