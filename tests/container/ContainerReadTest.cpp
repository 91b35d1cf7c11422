// Reading the three fixture containers: the catalogue rows in container order (deleted ones
// skipped), tables and views, and every table found through its stored path, as MANIFEST.json
// has them; the container's index computed from the catalogue records equals, key for key and in
// order, what Visual FoxPro wrote into the .dcx, and a rebuilt .dcx decodes to the same. (The
// tables' long field names and values: FixtureCopyTest, through the provider against dbfread.)
#include <algorithm>

#include "ContainerIndexCheck.h"
#include "Fixtures.h"
#include "tests/foxpro/ProviderSupport.h"

namespace {

using namespace provider_test;
using namespace fox;
using fixtures::fixturePath;

std::string describe(const cdx::TagInfo& i) {
  return i.name + "|" + i.keyExpression + "|" + i.forExpression + "|" + i.collation + "|" + std::to_string(i.options) +
         "|" + std::to_string(i.signature) + "|" + std::to_string(i.keyLength) + "|" + std::to_string(i.descending);
}

TEST(ContainerRead, ListsReadsAndIndexesEveryFixtureContainer) {
  std::size_t indexKeys = 0;
  for (const auto& fixture : fixtures::containers()) {
    SCOPED_TRACE(fixture.folder);
    const std::string folder = std::string(fixture.folder) + "/";
    std::vector<std::vector<std::string>> tables;  // "table", name, records
    std::vector<std::string> views;
    std::size_t live = 0, deleted = 0;
    for (auto& f : fixtures::pythonFacts("manifest", folder + fixture.dbc)) {
      if (f[0] == "table") tables.push_back(f);
      if (f[0] == "view") views.push_back(f[1]);
      if (f[0] == "live") live = std::stoul(f[1]);
      if (f[0] == "deleted") deleted = std::stoul(f[1]);
    }
    auto records = catalogueRecords(*dbc::Container::open(fixturePath(folder + fixture.dbc)));
    auto liveRecords = std::count_if(records.begin(), records.end(), [](const auto& r) { return !r.deleted; });
    EXPECT_EQ(static_cast<std::size_t>(liveRecords), live);
    EXPECT_EQ(records.size() - liveRecords, deleted);

    cdx::CompoundIndex vfp = cdx::readFile(fixturePath(folder + fixture.dcx));
    auto rebuilt = cdx::read(cdx::build(dbc::containerIndexTags(records, 1252, &vfp), vfp.updateCounter + 1));
    ASSERT_EQ(vfp.tags.size(), 2u);
    ASSERT_EQ(rebuilt.tags.size(), 2u);
    for (std::size_t t = 0; t < 2; ++t) {
      EXPECT_EQ(describe(rebuilt.tags[t].info), describe(vfp.tags[t].info));
      EXPECT_EQ(rebuilt.tags[t].keys, vfp.tags[t].keys) << vfp.tags[t].info.name;
      indexKeys += rebuilt.tags[t].keys.size();
    }
    EXPECT_EQ(rebuilt.updateCounter, vfp.updateCounter + 1);

    auto db = open(fixturePath(folder + fixture.dbc));
    std::vector<std::string> listedTables, listedViews;
    for (ado::Recordset rs = db->OpenSchema(ado::adSchemaTables); !rs.Eof(); rs.MoveNext())
      (rs.Fields()["TABLE_TYPE"].Value().toText() == "TABLE" ? listedTables : listedViews)
          .push_back(rs.Fields()["TABLE_NAME"].Value().toText());
    EXPECT_EQ(listedViews, views);
    ASSERT_EQ(listedTables.size(), tables.size());
    for (std::size_t t = 0; t < tables.size(); ++t) {
      const std::string& name = tables[t][1];
      EXPECT_EQ(listedTables[t], name);
      SCOPED_TRACE(name);
      // The table is named by its long name in any case; its files are found without regard to
      // case (calls.FPT beside calls.dbf, FOXPRO-DB-TEST.DBC against a lower-case back-link).
      std::string asked = name;
      if (t % 2) std::transform(asked.begin(), asked.end(), asked.begin(), ::toupper);
      EXPECT_EQ(db->Execute("SELECT * FROM \"" + asked + "\"", -1).RecordCount(), std::stol(tables[t][2]));
    }
  }
  EXPECT_GT(indexKeys, 700u);
}

}  // namespace
