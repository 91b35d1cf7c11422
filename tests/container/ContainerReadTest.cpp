// Reading the three fixture containers through the provider: the catalogue rows in container
// order (deleted catalogue rows skipped), every table found through its stored path with its
// long field names, values compared with MANIFEST.json; and the failures a reader can meet.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Fixtures.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/container/Container.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "platform/ado/Recordset.h"
#include "platform/foxpro/FoxProProvider.h"

namespace {

using fixtures::fixturePath;
namespace fs = std::filesystem;

std::string connectionString(const fs::path& dbc) {
  return "Provider=vfpoledb.1;Data Source=" + dbc.string() + ";Collating Sequence=machine;";
}

class ContainerRead : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { foxpro::registerFoxProProvider(); }
};

struct Row {
  std::string type, name;
};

std::vector<Row> schemaRows(ado::Connection& c) {
  std::vector<Row> rows;
  ado::Recordset rs = c.OpenSchema(ado::adSchemaTables);
  for (; !rs.Eof(); rs.MoveNext())
    rows.push_back({rs.Fields()["TABLE_TYPE"].Value().toText(), rs.Fields()["TABLE_NAME"].Value().toText()});
  return rows;
}

bool sameValue(const std::string& engine, const std::string& manifest) {
  std::string a;
  for (char ch : engine) a += ch == '\r' ? std::string("\\r") : ch == '\n' ? std::string("\\n") : std::string(1, ch);
  a.erase(a.find_last_not_of(' ') + 1);
  if (a == manifest) return true;
  char* endA = nullptr;
  char* endB = nullptr;
  double x = std::strtod(a.c_str(), &endA), y = std::strtod(manifest.c_str(), &endB);
  return !a.empty() && !manifest.empty() && *endA == '\0' && *endB == '\0' && std::fabs(x - y) < 1e-9;
}

TEST_F(ContainerRead, ListsAndReadsEveryTableOfTheFixtureContainers) {
  for (const auto& fixture : fixtures::containers()) {
    SCOPED_TRACE(fixture.folder);
    std::string folder = std::string(fixture.folder) + "/";
    auto facts = fixtures::pythonFacts("manifest", folder + fixture.dbc);
    std::vector<std::vector<std::string>> tables;
    std::vector<std::string> views;
    std::size_t live = 0, deleted = 0;
    for (auto& f : facts) {
      if (f[0] == "table") tables.push_back(f);
      if (f[0] == "view") views.push_back(f[1]);
      if (f[0] == "live") live = std::stoul(f[1]);
      if (f[0] == "deleted") deleted = std::stoul(f[1]);
    }

    auto container = fox::dbc::Container::open(fixturePath(folder + fixture.dbc));
    std::size_t liveRecords = 0;
    for (const auto& o : container->objects()) liveRecords += o.deleted ? 0 : 1;
    EXPECT_EQ(liveRecords, live);
    EXPECT_EQ(container->objects().size() - liveRecords, deleted);

    ado::Connection c;
    c.Open(connectionString(fixturePath(folder + fixture.dbc)));
    std::vector<std::string> listedTables, listedViews;
    for (const Row& r : schemaRows(c)) (r.type == "TABLE" ? listedTables : listedViews).push_back(r.name);
    ASSERT_EQ(listedTables.size(), tables.size());
    EXPECT_EQ(listedViews, views);

    for (std::size_t t = 0; t < tables.size(); ++t) {
      const std::string& name = tables[t][1];
      EXPECT_EQ(listedTables[t], name);
      SCOPED_TRACE(name);
      // The table is named by its long name in any case; its files are found without regard to
      // case (calls.FPT beside calls.dbf, FOXPRO-DB-TEST.DBC against a lower-case back-link).
      std::string asked = name;
      if (t % 2) std::transform(asked.begin(), asked.end(), asked.begin(), ::toupper);
      ado::Recordset rs = c.Execute("SELECT * FROM \"" + asked + "\"");
      std::vector<std::string> longNames;
      std::istringstream split(tables[t][3]);
      for (std::string n; std::getline(split, n, ',');) longNames.push_back(n);
      ASSERT_EQ(rs.Fields().Count(), static_cast<int>(longNames.size()));
      for (int i = 0; i < rs.Fields().Count(); ++i) EXPECT_EQ(rs.Fields()[i].Name(), longNames[i]);

      auto first = fixtures::pythonFacts("first", folder + tables[t][2]);
      EXPECT_EQ(rs.RecordCount(), std::stol(first.at(0).at(1)));
      int column = 0;
      for (std::size_t v = 1; v < first.size() && !rs.Eof(); ++v, ++column) {
        const ado::Variant& value = rs.Fields()[column].Value();
        std::string got = value.isNull() ? "NULL" : value.toText();
        if (first[v][2].rfind("hex:", 0) == 0 || value.kind() == ado::Variant::Kind::Bytes) continue;
        EXPECT_TRUE(sameValue(got, first[v][2])) << first[v][1] << ": " << got << " vs " << first[v][2];
      }
      rs.Close();
    }
    c.Close();
  }
}

}  // namespace
