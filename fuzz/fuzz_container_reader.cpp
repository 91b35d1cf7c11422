// Fuzzes the database container reader and the rebuild of its index. Input: a 4-byte
// little-endian length n, then n bytes of .dbc, then the .dct. The container is opened, its
// tables resolved with their field names, and its .dcx rebuilt from the records.
#include "FuzzFiles.h"
#include "foxpro-engine/container/Container.h"
#include "foxpro-engine/container/ContainerWriter.h"

using fuzz::folder;
using fuzz::put;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  std::size_t n = data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::size_t>(data[3]) << 24;
  if (n > size - 4) n = size - 4;
  std::filesystem::remove(folder() / "c.dcx");
  put("c.dbc", data + 4, n);
  put("c.dct", data + 4 + n, size - 4 - n);
  try {
    auto container = fox::dbc::Container::open(folder() / "c.dbc");
    for (const auto* o : container->tablesAndViews()) {
      try {
        auto table = container->table(*o);
        if (table.exists) container->checkBacklink(table);
      } catch (const fox::Error&) {
      }
    }
    fox::dbc::rebuildIndex(folder() / "c.dbc");
  } catch (const fox::Error&) {
  }
  return 0;
}
