// Fuzzes the FoxPro provider's statement parser, literal evaluation and index key expressions:
// any text is either a statement or a fox::Error, evaluating an INSERT's values never fails
// otherwise, and an INDEX ON expression that compiles gives keys of exactly its key length.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foxpro-engine/CodePage.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/container/TableIndex.h"
#include "platform/foxpro/sql/Statement.h"
#include "platform/foxpro/sql/Values.h"

namespace {

// A field of each indexable type, every other one nullable.
const std::vector<fox::Field>& sampleFields() {
  static const std::vector<fox::Field> fields = [] {
    std::vector<fox::Field> out;
    const char* types = "CVQNFBYIDTLM";
    for (int i = 0; types[i]; ++i) {
      fox::Field f;
      f.name = std::string("F") + types[i];
      f.type = types[i];
      f.length = static_cast<std::uint16_t>(f.type == 'I' || f.type == 'M' ? 4 : f.type == 'L' ? 1 : 8);
      f.flags = i % 2 ? fox::kFlagNullable : 0;
      out.push_back(f);
    }
    return out;
  }();
  return fields;
}

void checkKeys(const foxpro::sql::IndexOn& index) {
  fox::cdx::KeyExpression expression(index.expression, sampleFields(), {}, 1252);
  std::vector<fox::Value> nulls(sampleFields().size());
  std::vector<fox::Value> values = {std::string("abc"),
                                    std::string("\xC3\xA9"),
                                    fox::Bytes{1},
                                    fox::Number{"-12.345"},
                                    fox::Number{"0.125"},
                                    -0.0,
                                    fox::Currency{-5},
                                    std::int32_t{-7},
                                    fox::Date{2024, 2, 29},
                                    fox::DateTime{{1, 1, 1}, 23, 59, 59},
                                    true,
                                    std::string("m")};
  const std::vector<bool> nullFlags(nulls.size(), true), valueFlags(values.size(), false);
  if (expression.key(nulls, nullFlags).size() != expression.keyLength() ||
      expression.key(values, valueFlags).size() != expression.keyLength() ||
      expression.key(nulls, valueFlags).size() != expression.keyLength())
    __builtin_trap();
}

}  // namespace

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
    if (auto* index = std::get_if<foxpro::sql::IndexOn>(&statement)) checkKeys(*index);
    // Parsing into a statement that already holds buffers must give the same result.
    foxpro::sql::Statement reused = foxpro::sql::Insert{};
    foxpro::sql::parse(text, reused);
    if (reused.index() != statement.index()) __builtin_trap();
  } catch (const fox::Error&) {
    // A refused statement: the expected outcome for most inputs.
  }
  return 0;
}
