// The compound index reader and writer: the worked example of the format pages, every leaf of the
// VFP-written fixture indexes re-encoded byte for byte, deep trees of many keys read back, and
// damaged files rejected. (Indexes checked by cdx_check.py: ProviderIndexTest.)
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "Fixtures.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/container/CompoundIndex.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

using namespace fox::cdx;
using fixtures::fixturePath;
namespace fs = std::filesystem;

// Only the bytes VFP fixes: node header, entry array and key area (the free gap between the
// entries and the keys is left with whatever the page held before).
std::string withoutGap(std::string page) {
  auto u16 = [&](int at) { return static_cast<unsigned char>(page[at]) | static_cast<unsigned char>(page[at + 1]) << 8; };
  const std::size_t gapStart = 24 + u16(2) * static_cast<unsigned char>(page[23]), gap = u16(12);
  if (gapStart + gap <= page.size()) std::fill(page.begin() + gapStart, page.begin() + gapStart + gap, '\0');
  return page;
}

TEST(CompoundIndexWriter, ReproducesTheWorkedThreeKeyIndexExactly) {
  TagPlan name;
  name.info.name = "name";
  name.info.keyLength = 10;
  name.info.options = kOptionCompound | kOptionCompact;
  name.info.keyExpression = "name";
  name.keys = {{"APPLE     ", 2}, {"APRICOT   ", 3}, {"BANANA    ", 1}};
  std::string file = build({name});

  // The pages' bytes the format pages give; every other byte is zero.
  ASSERT_EQ(file.size(), 3072u);
  std::string rest = file;
  for (auto [at, h] : std::initializer_list<std::pair<std::size_t, std::string>>{
           {0x000, "0004000000000000000000000a00e001"},
           {0x1f6, "00000100010000000100"},
           {0x400, "03000100ffffffffffffffffe101ffff00000f0f1004040300066000"},
           {0x5fc, "4e414d45"},
           {0x600, "000a000000000000000000000a006001"},
           {0x7f6, "00000500010000000500"},
           {0x800, "6e616d65"},
           {0xa00, "03000300ffffffffffffffffd201ff0000000f0f080404020250033201400000"},
           {0xbf0, "42414e414e415249434f544150504c45"}}) {
    EXPECT_EQ(enginetest::hex(file.substr(at, h.size() / 2)), h) << "at " << at;
    rest.replace(at, h.size() / 2, h.size() / 2, '\0');
  }
  EXPECT_EQ(rest, std::string(3072, '\0'));

  CompoundIndex back = read(file);
  ASSERT_EQ(back.tags.size(), 1u);
  EXPECT_EQ(back.tags[0].info.name, "NAME");
  EXPECT_EQ(back.tags[0].info.forExpression, "");
  EXPECT_EQ(back.tags[0].keys, name.keys);
}

// Each leaf is decoded with the inferred pad and, failing that, with the other one: the pad is an
// input of the encoder, which must then give VFP's bytes. Returns the number of leaves.
int reencodeLeaves(const fs::path& file) {
  int leaves = 0;
  std::string data = testfiles::readFile(file);
  CompoundIndex blank = read(data);
  CompoundIndex zero = blank;
  try {  // the same tags decoded with the other pad, where that gives a valid tree
    CompoundIndex flipped = read(data, [](const TagInfo&) -> std::uint8_t { return 0; });
    for (std::size_t t = 0; t < zero.tags.size(); ++t)
      if (zero.tags[t].info.pad == ' ') zero.tags[t] = flipped.tags[t];
  } catch (const fox::Error&) {
  }
  for (std::size_t t = 0; t < blank.tags.size(); ++t) {
    if (!blank.tags[t].decoded || !blank.tags[t].info.collation.empty()) continue;
    for (std::size_t n = 0; n < blank.tags[t].nodes.size(); ++n) {
      const Node& node = blank.tags[t].nodes[n];
      if (!node.leaf() || node.keys.empty()) continue;
      ++leaves;
      const std::uint16_t attributes = node.attributes & 0x03;  // VFP's unexplained bit 0x04 is not reproduced
      std::string vfp = withoutGap(data.substr(node.offset, kPageSize));
      vfp[0] = static_cast<char>(attributes);
      bool same = false;
      for (const CompoundIndex* candidate : {&blank, &zero}) {
        const TagInfo& info = candidate->tags[t].info;
        std::string page;
        EXPECT_TRUE(encodeLeaf(candidate->tags[t].nodes[n].keys, info.keyLength, info.pad, attributes, node.left,
                               node.right, page));
        same = same || page == vfp;
      }
      EXPECT_TRUE(same) << blank.tags[t].info.name << " @" << node.offset;
    }
  }
  return leaves;
}

// Each interior entry is the last key of its child; each level is chained left to right.
void expectConsistentTree(const Tag& tag, bool checkInteriorKeys) {
  std::map<std::uint32_t, const Node*> byOffset;
  std::map<int, std::vector<const Node*>> levels;
  for (const Node& n : tag.nodes) byOffset[n.offset] = &n, levels[n.level].push_back(&n);
  for (const Node& n : tag.nodes) {
    for (std::size_t i = 0; i < n.children.size(); ++i) {
      const Node* last = byOffset.at(n.children[i]);
      while (!last->leaf()) last = byOffset.at(last->children.back());
      EXPECT_TRUE(!checkInteriorKeys || last->keys.empty() || n.keys[i] == last->keys.back()) << "entry " << i;
    }
  }
  for (auto& [level, nodes] : levels) {
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      EXPECT_EQ(nodes[i]->left, i == 0 ? 0xFFFFFFFFu : nodes[i - 1]->offset);
      EXPECT_EQ(nodes[i]->right, i + 1 == nodes.size() ? 0xFFFFFFFFu : nodes[i + 1]->offset);
    }
  }
}

// Every index file among the fixtures decodes to consistent trees, and every non-empty MACHINE
// leaf of them re-encodes to VFP's own bytes.
TEST(CompoundIndex, EveryFixtureIndexDecodesAndReEncodesByteForByte) {
  int files = 0, leaves = 0;
  for (const auto& entry : fs::recursive_directory_iterator(TAVREL_FIXTURES_DIR)) {
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (ext != ".cdx" && ext != ".dcx") continue;
    SCOPED_TRACE(entry.path().string());
    ++files;
    CompoundIndex index = readFile(entry.path());
    ASSERT_FALSE(index.tags.empty());
    // Customers.CDX was not written by VFP's own rules: its interior entries do not repeat the
    // last keys of their children (and its CITY tag is not in byte order). See FORMAT-NOTES.md.
    for (const Tag& tag : index.tags)
      if (tag.decoded) expectConsistentTree(tag, entry.path().filename() != "Customers.CDX");
    leaves += reencodeLeaves(entry.path());
  }
  EXPECT_GE(files, 24);
  EXPECT_GT(leaves, 100);
  // The header does not give the pad: zero is inferred for integer and date keys that end in zero
  // bytes, blank for character keys.
  const fs::path northwind = fs::path(TAVREL_FIXTURES_DIR) / "northwind";
  const CompoundIndex orders = readFile(northwind / "orders.cdx");
  for (const char* tag : {"ORDERID", "ORDERDATE", "SHIPPEDDAT"}) EXPECT_EQ(orders.find(tag)->info.pad, 0) << tag;
  EXPECT_EQ(readFile(northwind / "Customers.CDX").find("COMPANYNAM")->info.pad, ' ');
}

// Bulk builds over keys with few distinct prefixes: many leaves and several interior levels read
// back in order, each level chained and each interior entry the last key of its child.
TEST(CompoundIndexWriter, BuildsDeepTreesThatReadBackInOrder) {
  for (std::uint16_t keyLength : {10, 240}) {
    for (std::uint32_t n : {0u, 1u, 5000u}) {
      SCOPED_TRACE(std::to_string(keyLength) + "/" + std::to_string(n));
      TagPlan tag;
      tag.info.name = "T1";
      tag.info.keyLength = keyLength;
      tag.info.keyExpression = "field";
      tag.info.forExpression = "!DELETED()";
      for (std::uint32_t r = 1; r <= n; ++r) {
        std::string k = "K" + std::to_string((r * 7919u) % 1000) + "-" + std::to_string(r % 13);
        tag.keys.push_back({k.append(keyLength - k.size(), ' '), r});
      }
      sortKeys(tag.keys);
      CompoundIndex back = read(build({tag}));
      ASSERT_EQ(back.tags.size(), 1u);
      const Tag& t = back.tags[0];
      EXPECT_EQ(t.keys, tag.keys);
      expectConsistentTree(t, true);
      EXPECT_EQ(std::any_of(t.nodes.begin(), t.nodes.end(), [](const Node& x) { return x.level >= 2; }), n == 5000);
    }
  }
}

TEST(CompoundIndexReader, RejectsDamagedFilesWithAClearError) {
  const std::string good = testfiles::readFile(fixturePath("northwind/northwind.dcx"));
  const struct {
    const char* what;
    std::size_t size, at;  // the file cut to `size`, then `bytes` written at `at`
    std::string bytes;
  } cases[] = {
      {"truncated header", 1000, 0, ""},
      {"tags past the end", 2048, 0, ""},
      {"no directory flag", good.size(), 14, "\x60"},
      {"root inside the header", good.size(), 1, std::string(1, '\0')},  // the directory's root 0x400 made 0
      {"bad widths", good.size(), 0x400 + 23, "\x09"},                   // entry width
      {"too many keys", good.size(), 0x400 + 2, "\xFF"},                 // far past the page
      // A tag root pointing back at the directory leaf: a cycle.
      {"node reached twice", good.size(), read(good).tags[0].headerOffset, std::string("\x00\x04\x00\x00", 4)},
  };
  for (const auto& c : cases) {
    std::string bad = good.substr(0, c.size).replace(c.at, c.bytes.size(), c.bytes);
    EXPECT_EQ(enginetest::errorOf([&] { read(bad); }), 114) << c.what;
  }
}

}  // namespace
