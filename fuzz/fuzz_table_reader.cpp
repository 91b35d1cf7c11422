// Fuzzes the table reader: the input is a .dbf file (no memo file beside it).
#include "FuzzFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::readAll(fuzz::put("t.dbf", data, size));
  return 0;
}
