// Every fixture table, the containers' own files included, read by the engine and compared with
// MANIFEST.json (by crosscheck.py): header facts, fields, live and deleted records, NULLs per
// field and the first live record value by value, including the values the manifest's dbfread
// reading gets wrong (NULLs, Varchar lengths, Visual FoxPro's B, Y and T). Reading changes no
// byte of the fixtures.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "foxpro-engine/Table.h"

using namespace enginetest;

TEST(Fixtures, EveryTableReadsAsTheManifestSays) {
  TempDir dir;
  const auto before = snapshot(fixtures());
  std::string list, out, readings;
  ASSERT_TRUE(crosscheck({"fixture-list"}, list)) << list;
  std::istringstream lines(list);
  for (std::string line; std::getline(lines, line);) {
    std::size_t tab = line.find('\t');
    fox::ReadOptions options;  // the code page dbfread used where the table has no mark
    options.codePageWhenUnmarked = std::stoi(line.substr(tab + 1));
    readings += (readings.empty() ? "{" : ",") + jsonText(line.substr(0, tab)) + ":" +
                readingJson(fixtures() / line.substr(0, tab), options);
  }
  writeFile(dir / "readings.json", readings + "}");
  EXPECT_TRUE(crosscheck({"fixtures", dir / "readings.json"}, out)) << out;
  EXPECT_TRUE(snapshot(fixtures()) == before);
}
