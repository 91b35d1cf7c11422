// The container's structural index: its keys computed from the catalogue records equal, key for
// key and in order, what Visual FoxPro wrote into the three fixture .dcx files; a rebuilt .dcx
// decodes to the same; the worked example of a minimal container comes out byte for byte.
#include <gtest/gtest.h>

#include "Fixtures.h"
#include "foxpro-engine/container/Container.h"
#include "foxpro-engine/container/CompoundIndex.h"
#include "foxpro-engine/container/ContainerIndex.h"

namespace {

using namespace fox;
using fixtures::fixturePath;

// The catalogue records as the container reader gives them.
std::vector<dbc::IndexRecord> catalogueRecords(const std::filesystem::path& file) {
  std::vector<dbc::IndexRecord> out;
  auto container = dbc::Container::open(file);
  for (const dbc::Object& o : container->objects())
    out.push_back({o.record, o.deleted, o.parentId, o.storedType, o.storedName});
  return out;
}

TEST(ContainerIndex, KeysFromTheRecordsEqualTheIndexVfpWrote) {
  std::size_t totalKeys = 0;
  for (const auto& c : fixtures::containers()) {
    SCOPED_TRACE(c.folder);
    std::string folder = std::string(c.folder) + "/";
    auto records = catalogueRecords(fixturePath(folder + c.dbc));
    cdx::CompoundIndex vfp = cdx::readFile(fixturePath(folder + c.dcx));
    auto tags = dbc::containerIndexTags(records, 1252, &vfp);

    // The rebuilt file decodes to the same tags, expressions, collation and keys in the same order.
    cdx::CompoundIndex rebuilt = cdx::read(cdx::build(tags, vfp.updateCounter + 1));
    ASSERT_EQ(vfp.tags.size(), 2u);
    ASSERT_EQ(rebuilt.tags.size(), 2u);
    for (std::size_t t = 0; t < 2; ++t) {
      const cdx::Tag &want = vfp.tags[t], &got = rebuilt.tags[t];
      EXPECT_EQ(got.info.name, want.info.name);
      EXPECT_EQ(got.info.keyExpression, want.info.keyExpression);
      EXPECT_EQ(got.info.forExpression, want.info.forExpression);
      EXPECT_EQ(got.info.collation, want.info.collation);
      EXPECT_EQ(got.info.options, want.info.options);
      EXPECT_EQ(got.info.signature, want.info.signature);
      EXPECT_EQ(got.info.keyLength, want.info.keyLength);
      EXPECT_EQ(got.info.descending, want.info.descending);
      EXPECT_EQ(got.keys, want.keys) << want.info.name;
      totalKeys += got.keys.size();
    }
    EXPECT_EQ(rebuilt.updateCounter, vfp.updateCounter + 1);
  }
  EXPECT_GT(totalKeys, 700u);
}

TEST(ContainerIndex, FreshIndexOfTheMinimalContainerIsVfpsOwn) {
  const char* names[] = {"Database", "TransactionLog", "StoredProceduresSource", "StoredProceduresObject",
                         "StoredProceduresDependencies"};
  std::vector<dbc::IndexRecord> records;
  for (std::uint32_t r = 1; r <= 5; ++r) records.push_back({r, false, 1, "Database", names[r - 1]});
  records.push_back({6, false, 1, "Table", "items"});
  records.push_back({7, false, 6, "Field", "id"});
  records.push_back({8, false, 6, "Field", "name"});
  records.push_back({9, true, 6, "Field", "gone"});
  std::string file = cdx::build(dbc::containerIndexTags(records, 1252));

  // The layout of a fresh .dcx: directory, OBJECTNAME header and root, OBJECTTYPE header and root.
  ASSERT_EQ(file.size(), 4608u);
  auto hexAt = [&](std::size_t at, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
      char b[3];
      snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(file[at + i]));
      out += b;
    }
    return out;
  };
  EXPECT_EQ(hexAt(0x1000, 0x2a), "03000800ffffffffffffffffbb013f0000001f1f0605050201108214831484148514862a472ac82b0000");
  EXPECT_EQ(hexAt(0x11e3, 29), "364669656c645461626c65202020202020202020314461746162617365");
  EXPECT_EQ(hexAt(0xa00 + 24, 9), "01007805146404246a");

  cdx::CompoundIndex back = cdx::read(file);
  EXPECT_EQ(back.find("objecttype")->keys.size(), 8u);
  EXPECT_EQ(back.find("OBJECTNAME")->keys[0].bytes, "         1Database  database" + std::string(120, ' '));
}

TEST(ContainerIndex, StrAndLowerFollowFoxPro) {
  EXPECT_EQ(dbc::str10(1), "         1");
  EXPECT_EQ(dbc::str10(-42), "       -42");
  EXPECT_EQ(dbc::str10(2147483647), "2147483647");
  EXPECT_EQ(dbc::str10(-2147483647 - 1), "**********");
  EXPECT_EQ(dbc::lowerBytes("AbZ_9\xC9\xD7\x8A", 1252), "abz_9\xE9\xD7\x9A");
  EXPECT_EQ(dbc::lowerBytes("AbZ_9\xC9", 1251), "abz_9\xC9");
}

}  // namespace
