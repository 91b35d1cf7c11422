// Fuzzes the compound index reader (.cdx/.dcx). Input: the index file. Every tag that decodes is
// built again by the writer and read back, which must give the same keys.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "foxpro-engine/Error.h"
#include "foxpro-engine/Names.h"
#include "foxpro-engine/container/CompoundIndex.h"

namespace {
// The pad each tag was read with, by its name in upper case: the writer stores names in upper
// case, so a tag read as "OBJECTTYpE" comes back as "OBJECTTYPE".
std::map<std::string, std::uint8_t> pads;
std::uint8_t padOf(const fox::cdx::TagInfo& info) { return pads[fox::upperName(info.name)]; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fox::cdx::CompoundIndex index;
  try {
    index = fox::cdx::read(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const fox::Error&) {
    return 0;
  }
  std::vector<fox::cdx::TagPlan> tags;
  pads.clear();
  for (const auto& tag : index.tags) {
    if (!tag.decoded) continue;
    tags.push_back({tag.info, tag.keys});
    pads[fox::upperName(tag.info.name)] = tag.info.pad;
  }
  std::string rebuilt;
  try {
    rebuilt = fox::cdx::build(tags);
  } catch (const fox::Error&) {
    return 0;  // names, orders or expressions the writer refuses
  }
  auto back = fox::cdx::read(rebuilt, padOf);
  if (back.tags.size() != tags.size()) std::abort();
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const auto* t = back.find(tags[i].info.name);
    if (!t || t->keys != tags[i].keys) std::abort();
  }
  return 0;
}
