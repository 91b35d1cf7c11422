#pragma once
// The names of the data-access type codes, which both copy directions test for fragments
// ("char", "int", "adlongvarbinary" …) after lower-casing them.
#include <cstdint>
#include <string_view>

// The ADO DataTypeEnum name of the code, in its published capitalisation ("adVarChar"), or the
// empty text for a code without one. Callers narrow the layer's type value to 16 bits first.
std::string_view AdoTypeName(std::int16_t code);
