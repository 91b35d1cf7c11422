// libFuzzer target: the cursor file header reader must accept or refuse any bytes without
// reading outside them, and what it accepts must describe an image inside the file.
#include <cstdlib>

#include "shell/CursorFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto header = shell::ReadCursorHeader(data, size);
  if (header && (header->hotSpotX >= header->width || header->hotSpotY >= header->height)) std::abort();
  return 0;
}
