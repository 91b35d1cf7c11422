#pragma once
// Turns the values of a parsed INSERT into the engine's values.
#include <functional>
#include <string>
#include <vector>

#include "Statement.h"
#include "foxpro-engine/Value.h"

namespace foxpro::sql {

// Appends to `out` the UTF-8 form of `byte` in the target table's code page: CHR(n) with
// n ≥ 128 means the character with that code in the table's code page, as in FoxPro. Throws
// fox::Error when the code page has no character there.
using CharDecoder = std::function<void(unsigned char byte, std::string& out)>;

// One value per value of the statement, in order: text as UTF-8, 0h… as bytes, numbers as
// their exact decimal text, .NULL. (alone or anywhere in a sum) as NULL.
void evaluate(const Insert& insert, const CharDecoder& decodeChar, std::vector<fox::Value>& values);

// evaluate() fills the text buffers the previous statement's values left, to save allocations;
// this lets go of those of a megabyte or more, so that a large value is not kept between rows.
void releaseLargeValues(std::vector<fox::Value>& values);

}  // namespace foxpro::sql
