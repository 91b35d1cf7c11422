#pragma once
// The header of a Windows cursor file (.cur): what Tavrel needs beyond the picture, which Qt's
// ICO/CUR reader decodes. Plain C++, no Qt, so that it can be fuzzed alone.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace shell {

struct CursorHeader {
  int width = 0;  // of the first image, in pixels (a stored 0 means 256)
  int height = 0;
  int hotSpotX = 0;
  int hotSpotY = 0;
};

// The first image's size and hot spot, or nothing when the bytes are not a cursor file: the
// directory must say "cursor" (type 2), name at least one image, and that image's data must lie
// inside the file.
std::optional<CursorHeader> ReadCursorHeader(const std::uint8_t* data, std::size_t size);

}  // namespace shell
