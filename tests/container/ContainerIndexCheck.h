#pragma once
// Whether a container's .dcx holds exactly the keys of its live catalogue records, as the engine
// would build them afresh.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "foxpro-engine/container/CompoundIndex.h"
#include "foxpro-engine/container/Container.h"
#include "foxpro-engine/container/ContainerIndex.h"
#include "foxpro-engine/container/ContainerWriter.h"

// The catalogue records of a container as its reader gives them.
inline std::vector<fox::dbc::IndexRecord> catalogueRecords(const fox::dbc::Container& container) {
  std::vector<fox::dbc::IndexRecord> records;
  for (const fox::dbc::Object& o : container.objects())
    records.push_back({o.record, o.deleted, o.parentId, o.storedType, o.storedName});
  return records;
}

inline void expectIndexMatchesRecords(const std::filesystem::path& dbc) {
  using namespace fox::dbc;
  auto container = Container::open(dbc);
  auto actual = fox::cdx::readFile(indexFileOf(dbc));
  ASSERT_EQ(actual.tags.size(), 2u);
  for (const auto& tag : containerIndexTags(catalogueRecords(*container), container->codePage())) {
    const fox::cdx::Tag* got = actual.find(tag.info.name);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->keys, tag.keys) << tag.info.name;
  }
}
