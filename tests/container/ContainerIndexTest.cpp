// The container's structural index: its keys computed from the catalogue records equal, key for
// key and in order, what Visual FoxPro wrote into the three fixture .dcx files; a rebuilt .dcx
// decodes to the same.
#include <gtest/gtest.h>

#include "ContainerIndexCheck.h"
#include "Fixtures.h"
#include "foxpro-engine/container/Container.h"
#include "foxpro-engine/container/CompoundIndex.h"
#include "foxpro-engine/container/ContainerIndex.h"

namespace {

using namespace fox;
using fixtures::fixturePath;

TEST(ContainerIndex, KeysFromTheRecordsEqualTheIndexVfpWrote) {
  std::size_t totalKeys = 0;
  for (const auto& c : fixtures::containers()) {
    SCOPED_TRACE(c.folder);
    std::string folder = std::string(c.folder) + "/";
    auto records = catalogueRecords(*dbc::Container::open(fixturePath(folder + c.dbc)));
    cdx::CompoundIndex vfp = cdx::readFile(fixturePath(folder + c.dcx));
    auto tags = dbc::containerIndexTags(records, 1252, &vfp);

    // The rebuilt file decodes to the same tags, expressions, collation and keys in the same order.
    cdx::CompoundIndex rebuilt = cdx::read(cdx::build(tags, vfp.updateCounter + 1));
    ASSERT_EQ(vfp.tags.size(), 2u);
    ASSERT_EQ(rebuilt.tags.size(), 2u);
    auto describe = [](const cdx::TagInfo& i) {
      return i.name + "|" + i.keyExpression + "|" + i.forExpression + "|" + i.collation + "|" +
             std::to_string(i.options) + "|" + std::to_string(i.signature) + "|" + std::to_string(i.keyLength) + "|" +
             std::to_string(i.descending);
    };
    for (std::size_t t = 0; t < 2; ++t) {
      const cdx::Tag &want = vfp.tags[t], &got = rebuilt.tags[t];
      EXPECT_EQ(describe(got.info), describe(want.info));
      EXPECT_EQ(got.keys, want.keys) << want.info.name;
      totalKeys += got.keys.size();
    }
    EXPECT_EQ(rebuilt.updateCounter, vfp.updateCounter + 1);
  }
  EXPECT_GT(totalKeys, 700u);
}

}  // namespace
