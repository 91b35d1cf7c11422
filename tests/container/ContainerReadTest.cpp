// Reading the three fixture containers through the provider: the catalogue rows in container
// order (deleted catalogue rows skipped), every table found through its stored path with its
// long field names, values compared with MANIFEST.json.
#include <algorithm>
#include <cmath>

#include "Fixtures.h"
#include "foxpro-engine/container/Container.h"
#include "tests/foxpro/ProviderSupport.h"

namespace {

using namespace provider_test;
using fixtures::fixturePath;

// A value as the layer gives it against the manifest's text: line breaks written as \r and \n
// there, trailing blanks left out, numbers equal as numbers.
bool sameValue(const std::string& engine, const std::string& manifest) {
  std::string a;
  for (char ch : engine) a += ch == '\r' ? std::string("\\r") : ch == '\n' ? std::string("\\n") : std::string(1, ch);
  a.erase(a.find_last_not_of(' ') + 1);
  if (a == manifest) return true;
  char *endA = nullptr, *endB = nullptr;
  double x = std::strtod(a.c_str(), &endA), y = std::strtod(manifest.c_str(), &endB);
  return !a.empty() && !manifest.empty() && *endA == '\0' && *endB == '\0' && std::fabs(x - y) < 1e-9;
}

TEST(ContainerRead, ListsAndReadsEveryTableOfTheFixtureContainers) {
  for (const auto& fixture : fixtures::containers()) {
    SCOPED_TRACE(fixture.folder);
    const std::string folder = std::string(fixture.folder) + "/";
    std::vector<std::vector<std::string>> tables;  // table, name, path, long field names
    std::vector<std::string> views;
    std::size_t live = 0, deleted = 0;
    for (auto& f : fixtures::pythonFacts("manifest", folder + fixture.dbc)) {
      if (f[0] == "table") tables.push_back(f);
      if (f[0] == "view") views.push_back(f[1]);
      if (f[0] == "live") live = std::stoul(f[1]);
      if (f[0] == "deleted") deleted = std::stoul(f[1]);
    }
    auto container = fox::dbc::Container::open(fixturePath(folder + fixture.dbc));
    auto liveRecords = static_cast<std::size_t>(std::count_if(container->objects().begin(), container->objects().end(),
                                                              [](const auto& o) { return !o.deleted; }));
    EXPECT_EQ(liveRecords, live);
    EXPECT_EQ(container->objects().size() - liveRecords, deleted);

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
      ado::Recordset rs = db->Execute("SELECT * FROM \"" + asked + "\"", -1);
      std::string longNames;
      for (int i = 0; i < rs.Fields().Count(); ++i) longNames += (i ? "," : "") + rs.Fields()[i].Name();
      EXPECT_EQ(longNames, tables[t][3]);

      auto first = fixtures::pythonFacts("first", folder + tables[t][2]);
      EXPECT_EQ(rs.RecordCount(), std::stol(first.at(0).at(1)));
      for (std::size_t v = 1; v < first.size() && !rs.Eof(); ++v) {
        const ado::Variant& value = rs.Fields()[static_cast<int>(v - 1)].Value();
        if (first[v][2].rfind("hex:", 0) == 0 || value.kind() == ado::Variant::Kind::Bytes) continue;
        std::string got = value.isNull() ? "NULL" : value.toText();
        EXPECT_TRUE(sameValue(got, first[v][2])) << first[v][1] << ": " << got << " vs " << first[v][2];
      }
    }
  }
}

}  // namespace
