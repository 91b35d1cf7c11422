// Writes a complete compound index from sorted key lists (bulk build). Leaves are encoded the way
// Visual FoxPro 9 encodes them, so a leaf holding the same keys is byte-for-byte VFP's own.
#include <algorithm>
#include <bit>
#include <cctype>

#include "Bytes.h"
#include "CompoundIndex.h"
#include "CompoundIndexLayout.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/Names.h"

namespace fox::cdx {

namespace {

using bytes::putBe32;
using bytes::putLe16;
using bytes::putLe32;
using namespace layout;

constexpr std::uint32_t kNone = 0xFFFFFFFF;
constexpr unsigned kEmptyLeafWidth = 3;  // what VFP writes for a tag without keys

unsigned bitLength(std::uint64_t v) { return static_cast<unsigned>(std::bit_width(v)); }

std::size_t trailingPad(const std::string& key, std::uint8_t pad) {
  std::size_t n = 0;
  while (n < key.size() && static_cast<std::uint8_t>(key[key.size() - 1 - n]) == pad) ++n;
  return n;
}

std::size_t commonPrefix(const std::string& a, const std::string& b) {
  std::size_t n = 0;
  while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
  return n;
}

// Entry width in bytes for a leaf whose highest record number is `highest`: the smallest that
// leaves enough record bits beside the duplicate and trailing counts.
unsigned entryWidth(std::uint32_t highest, unsigned countBits) {
  unsigned width = 1;
  while (8 * width < 2 * countBits || 8 * width - 2 * countBits < bitLength(highest)) ++width;
  return width;
}

// Per-key compression figures of a run of keys, each computed against the previous one.
struct Packed {
  std::size_t dup, trail;
};

Packed pack(const Key* previous, const Key& key, std::size_t previousTrail, std::uint16_t keyLength, std::uint8_t pad) {
  std::size_t trail = trailingPad(key.bytes, pad);
  if (!previous) return {0, trail};
  std::size_t cap = keyLength - std::max(trail, previousTrail);
  return {std::min(commonPrefix(previous->bytes, key.bytes), cap), trail};
}

void writeNodeHeader(std::string& page, std::uint16_t attributes, std::size_t count, std::uint32_t left,
                     std::uint32_t right) {
  putLe16(page, kAttributes, attributes);
  putLe16(page, kKeyCount, static_cast<std::uint16_t>(count));
  putLe32(page, kLeft, left);
  putLe32(page, kRight, right);
}

void checkName(const std::string& name) {
  bool ok = !name.empty() && name.size() <= kTagNameLength && !std::isdigit(static_cast<unsigned char>(name[0]));
  for (char c : name) ok = ok && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
  if (!ok) throw Error(1680, "Invalid tag name '" + name + "'.");
}

// A tree laid out as pages: leaves first, then each interior level up to the root.
struct Tree {
  std::vector<std::vector<Key>> leaves;
  std::vector<std::vector<std::size_t>> levels;  // interior levels, bottom up; entries are child node numbers
  std::size_t nodeCount() const {
    std::size_t n = leaves.size();
    for (auto& l : levels) n += l.size();
    return n;
  }
};

// Splits a key list into leaves that each fill a page as far as it goes.
std::vector<std::vector<Key>> packLeaves(const std::vector<Key>& keys, std::uint16_t keyLength, std::uint8_t pad) {
  unsigned countBits = bitLength(keyLength);
  std::vector<std::vector<Key>> leaves(1);
  std::size_t keyBytes = 0, previousTrail = 0;
  std::uint32_t highest = 0;
  for (const Key& key : keys) {
    auto& leaf = leaves.back();
    Packed p = pack(leaf.empty() ? nullptr : &leaf.back(), key, previousTrail, keyLength, pad);
    std::uint32_t top = std::max(highest, key.record);
    std::size_t used =
        kLeafEntries + (leaf.size() + 1) * entryWidth(top, countBits) + keyBytes + (keyLength - p.dup - p.trail);
    if (used > kPageSize && !leaf.empty()) {
      leaves.emplace_back();
      p = pack(nullptr, key, 0, keyLength, pad);
      keyBytes = 0;
      top = key.record;
    }
    leaves.back().push_back(key);
    keyBytes += keyLength - p.dup - p.trail;
    previousTrail = p.trail;
    highest = top;
  }
  return leaves;
}

Tree layOut(const TagPlan& tag) {
  Tree tree;
  tree.leaves = packLeaves(tag.keys, tag.info.keyLength, tag.info.pad);
  std::size_t perInterior = (kPageSize - kInteriorEntries) / (tag.info.keyLength + kEntryTail);
  std::size_t below = tree.leaves.size(), firstBelow = 0;
  while (below > 1) {
    std::vector<std::size_t> level;
    std::size_t nodes = (below + perInterior - 1) / perInterior;
    for (std::size_t n = 0; n < nodes; ++n) level.push_back(firstBelow + n * perInterior);
    firstBelow += below;
    below = nodes;
    tree.levels.push_back(std::move(level));
  }
  return tree;
}

std::string tagHeader(const TagInfo& info, std::uint32_t root, std::uint8_t options, std::uint32_t counter) {
  if (info.keyExpression.size() + info.forExpression.size() + 2 > kPageSize)
    throw Error(1672, "Expression is too long for an index tag.");
  std::string h(kHeaderSize, '\0');
  putLe32(h, kRoot, root);
  putBe32(h, kUpdateCounter, counter);
  putLe16(h, kKeyLength, info.keyLength);
  h[kOptions] = static_cast<char>(options);
  h[kSignature] = static_cast<char>(info.signature);
  h.replace(kCollation, std::min<std::size_t>(info.collation.size(), kCollationSize),
            info.collation.substr(0, kCollationSize));
  putLe16(h, kDescending, info.descending ? 1 : 0);
  auto keyBytes = static_cast<std::uint16_t>(info.keyExpression.size() + 1);
  putLe16(h, kForAt, keyBytes);
  putLe16(h, kForLength, static_cast<std::uint16_t>(info.forExpression.size() + 1));
  putLe16(h, kKeyAt, 0);
  putLe16(h, kKeyExpressionLength, keyBytes);
  h.replace(kExpressionPool, info.keyExpression.size(), info.keyExpression);
  h.replace(kExpressionPool + keyBytes, info.forExpression.size(), info.forExpression);
  return h;
}

// Appends the pages of one tag's tree at `base` (its first node's offset); returns the root offset.
std::uint32_t writeTree(std::string& out, const Tree& tree, const TagInfo& info, std::uint32_t base) {
  auto offsetOf = [&](std::size_t node) { return static_cast<std::uint32_t>(base + node * kPageSize); };
  std::size_t total = tree.nodeCount();
  std::uint32_t root = offsetOf(total - 1);
  std::vector<Key> last(total);  // last key of each node's subtree
  std::string page;
  for (std::size_t i = 0; i < tree.leaves.size(); ++i) {
    std::uint16_t attributes = tree.leaves.size() == 1 ? kRootNode | kLeafNode : kLeafNode;
    std::uint32_t left = i == 0 ? kNone : offsetOf(i - 1);
    std::uint32_t right = i + 1 == tree.leaves.size() ? kNone : offsetOf(i + 1);
    if (!encodeLeaf(tree.leaves[i], info.keyLength, info.pad, attributes, left, right, page))
      throw Error(114, "Index key does not fit a page.");
    out += page;
    if (!tree.leaves[i].empty()) last[i] = tree.leaves[i].back();
  }
  std::size_t node = tree.leaves.size(), childrenEnd = tree.leaves.size();
  for (std::size_t l = 0; l < tree.levels.size(); ++l) {
    const auto& level = tree.levels[l];
    for (std::size_t i = 0; i < level.size(); ++i, ++node) {
      std::size_t first = level[i], end = i + 1 < level.size() ? level[i + 1] : childrenEnd;
      std::uint16_t attributes = level.size() == 1 ? kRootNode : 0;
      page.assign(kPageSize, '\0');
      writeNodeHeader(page, attributes, end - first, i == 0 ? kNone : offsetOf(node - 1),
                      i + 1 == level.size() ? kNone : offsetOf(node + 1));
      std::size_t at = kInteriorEntries;
      for (std::size_t c = first; c < end; ++c, at += info.keyLength + kEntryTail) {
        page.replace(at, info.keyLength, last[c].bytes);
        putBe32(page, at + info.keyLength + kEntryRecord, last[c].record);
        putBe32(page, at + info.keyLength + kEntryChild, offsetOf(c));
      }
      last[node] = last[end - 1];
      out += page;
    }
    childrenEnd = node;
  }
  return root;
}

}  // namespace

bool encodeLeaf(const std::vector<Key>& keys, std::uint16_t keyLength, std::uint8_t pad, std::uint16_t attributes,
                std::uint32_t left, std::uint32_t right, std::string& page) {
  unsigned countBits = bitLength(keyLength);
  std::uint32_t highest = 0;
  for (const Key& k : keys) highest = std::max(highest, k.record);
  unsigned width = keys.empty() ? kEmptyLeafWidth : entryWidth(highest, countBits);
  unsigned recBits = 8 * width - 2 * countBits;
  page.assign(kPageSize, '\0');
  writeNodeHeader(page, attributes, keys.size(), left, right);
  std::size_t end = kPageSize, entry = kLeafEntries, previousTrail = 0;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].bytes.size() != keyLength) return false;
    Packed p = pack(i == 0 ? nullptr : &keys[i - 1], keys[i], previousTrail, keyLength, pad);
    std::size_t fresh = keyLength - p.dup - p.trail;
    if (entry + width > end - fresh) return false;
    end -= fresh;
    page.replace(end, fresh, keys[i].bytes, p.dup, fresh);
    std::uint64_t v = keys[i].record | static_cast<std::uint64_t>(p.dup) << recBits |
                      static_cast<std::uint64_t>(p.trail) << (recBits + countBits);
    for (unsigned b = 0; b < width; ++b) page[entry + b] = static_cast<char>((v >> (8 * b)) & 0xFF);
    entry += width;
    previousTrail = p.trail;
  }
  putLe16(page, kFreeBytes, static_cast<std::uint16_t>(end - entry));
  putLe32(page, kRecordMask, recBits >= 32 ? kNone : (std::uint32_t{1} << recBits) - 1);
  page[kDuplicateMask] = page[kTrailMask] = static_cast<char>((1u << countBits) - 1);
  page[kRecordBits] = static_cast<char>(recBits);
  page[kDuplicateBits] = page[kTrailBits] = static_cast<char>(countBits);
  page[kEntryWidth] = static_cast<char>(width);
  return true;
}

std::string build(const std::vector<TagPlan>& tagsIn, std::uint32_t updateCounter) {
  std::vector<TagPlan> tags = tagsIn;
  for (TagPlan& t : tags) {
    checkName(t.info.name);
    t.info.name = upperName(t.info.name);
    if (t.info.keyLength == 0 || t.info.keyLength > kMaxKeyLength) throw Error(1672, "Invalid index key length.");
    for (std::size_t i = 0; i < t.keys.size(); ++i) {
      if (t.keys[i].bytes.size() != t.info.keyLength) throw Error(1672, "Index key has the wrong length.");
      if (i > 0 && !(t.keys[i - 1].bytes < t.keys[i].bytes ||
                     (t.keys[i - 1].bytes == t.keys[i].bytes && t.keys[i - 1].record < t.keys[i].record)))
        throw Error(1672, "Index keys are not in order.");
    }
  }
  std::sort(tags.begin(), tags.end(), [](const TagPlan& a, const TagPlan& b) { return a.info.name < b.info.name; });
  for (std::size_t i = 1; i < tags.size(); ++i)
    if (tags[i].info.name == tags[i - 1].info.name) throw Error(1672, "Duplicate tag name " + tags[i].info.name + ".");

  std::vector<Tree> trees;
  std::vector<Key> directory;
  std::uint32_t next = kHeaderSize + kPageSize;  // directory header and its root leaf come first
  for (const TagPlan& t : tags) {
    trees.push_back(layOut(t));
    std::string name = t.info.name;
    name.resize(kTagNameLength, ' ');
    directory.push_back({name, next});
    next += static_cast<std::uint32_t>(kHeaderSize + trees.back().nodeCount() * kPageSize);
  }

  TagInfo dirInfo;
  dirInfo.keyLength = kTagNameLength;
  std::string out = tagHeader(dirInfo, kHeaderSize, kOptionDirectory | kOptionCompound | kOptionCompact, updateCounter);
  std::string page;
  if (!encodeLeaf(directory, kTagNameLength, ' ', kRootNode | kLeafNode, kNone, kNone, page))
    throw Error(1672, "Too many index tags.");
  out += page;
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const TagInfo& info = tags[i].info;
    std::uint32_t base = directory[i].record + kHeaderSize;
    std::uint8_t options = (info.options & ~(kOptionDirectory | kOptionHasFor)) | kOptionCompound | kOptionCompact |
                           (info.forExpression.empty() ? 0 : kOptionHasFor);
    std::size_t headerAt = out.size();
    out += tagHeader(info, 0, options, 0);
    std::uint32_t root = writeTree(out, trees[i], info, base);
    putLe32(out, headerAt + kRoot, root);
  }
  return out;
}

}  // namespace fox::cdx
