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
  EXPECT_EQ(hexAt(0x1000, 0x2a),
            "03000800ffffffffffffffffbb013f0000001f1f0605050201108214831484148514862a472ac82b0000");
  EXPECT_EQ(hexAt(0x11e3, 29), "364669656c645461626c65202020202020202020314461746162617365");
  EXPECT_EQ(hexAt(0xa00 + 24, 9), "01007805146404246a");

  cdx::CompoundIndex back = cdx::read(file);
  EXPECT_EQ(back.find("objecttype")->keys.size(), 8u);
  EXPECT_EQ(back.find("OBJECTNAME")->keys[0].bytes, "         1Database  database" + std::string(120, ' '));
}

}  // namespace
