// Decodes a compound index: the tag directory, each tag's header and its tree, down to every key.
// Everything read from the file is checked before it is used, so a damaged or hostile file gives
// fox::Error 114 and never reads outside the buffer.
#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "Bytes.h"
#include "CompoundIndex.h"
#include "CompoundIndexLayout.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/File.h"
#include "foxpro-engine/Names.h"

namespace fox::cdx {

namespace {

using bytes::be32;
using bytes::le16;
using bytes::le32;
using namespace layout;

constexpr int kCorrupt = 114;
constexpr int kMaxDepth = 32;

[[noreturn]] void corrupt(const std::string& why) {
  throw Error(kCorrupt, "Index does not match the table. Delete the index file and re-create the index (" + why + ").");
}

std::string cString(std::string_view b) {
  auto end = b.find('\0');
  return std::string(b.substr(0, end));
}

class TreeReader {
 public:
  // `visited` is shared by every tree of the file: a page that two trees (or a header) claim is damage.
  TreeReader(std::string_view file, std::uint16_t keyLength, std::uint8_t pad, std::set<std::uint32_t>& visited)
      : file_(file), keyLength_(keyLength), pad_(pad), visited_(visited) {}

  bool anyTrail = false, blankBeforeTrail = false, zeroBeforeTrail = false;

  void walk(std::uint32_t offset, int level, Tag& tag) {
    if (level > kMaxDepth) corrupt("tree too deep");
    if (offset % kPageSize != 0 || offset < kPageSize || offset > file_.size() - kPageSize)
      corrupt("node pointer outside the file");
    if (!visited_.insert(offset).second) corrupt("node reached twice");
    std::string_view page = file_.substr(offset, kPageSize);
    Node node;
    node.offset = offset;
    node.level = level;
    node.attributes = le16(page, kAttributes);
    std::uint16_t count = le16(page, kKeyCount);
    node.left = le32(page, kLeft);
    node.right = le32(page, kRight);
    if (node.leaf()) {
      decodeLeaf(page, count, node.keys);
      tag.keys.insert(tag.keys.end(), node.keys.begin(), node.keys.end());
      tag.nodes.push_back(std::move(node));
      return;
    }
    std::size_t entry = keyLength_ + kEntryTail;
    if (count == 0 || kInteriorEntries + count * entry > kPageSize) corrupt("interior node with a bad key count");
    for (std::size_t i = 0; i < count; ++i) {
      std::size_t at = kInteriorEntries + i * entry;
      node.keys.push_back({std::string(page.substr(at, keyLength_)), be32(page, at + keyLength_ + kEntryRecord)});
      node.children.push_back(be32(page, at + keyLength_ + kEntryChild));
    }
    std::vector<std::uint32_t> children = node.children;
    tag.nodes.push_back(std::move(node));
    for (std::uint32_t child : children) walk(child, level + 1, tag);
  }

 private:
  void decodeLeaf(std::string_view page, std::uint16_t count, std::vector<Key>& keys) {
    unsigned recBits = static_cast<unsigned char>(page[kRecordBits]);
    unsigned dupBits = static_cast<unsigned char>(page[kDuplicateBits]);
    unsigned trailBits = static_cast<unsigned char>(page[kTrailBits]);
    unsigned width = static_cast<unsigned char>(page[kEntryWidth]);
    if (count == 0) return;
    if (width < 1 || width > 8 || recBits + dupBits + trailBits != 8 * width || recBits > 32 || dupBits > 16 ||
        trailBits > 16)
      corrupt("leaf with bad bit widths");
    std::size_t entriesEnd = kLeafEntries + static_cast<std::size_t>(count) * width;
    if (entriesEnd > kPageSize) corrupt("leaf with too many keys");
    std::uint64_t recMask = (std::uint64_t{1} << recBits) - 1;
    std::uint64_t dupMask = (std::uint64_t{1} << dupBits) - 1;
    std::uint64_t trailMask = (std::uint64_t{1} << trailBits) - 1;
    std::size_t end = kPageSize;
    std::string previous;
    for (std::size_t i = 0; i < count; ++i) {
      std::uint64_t v = 0;
      for (unsigned b = 0; b < width; ++b)
        v |= static_cast<std::uint64_t>(static_cast<unsigned char>(page[kLeafEntries + i * width + b])) << (8 * b);
      auto record = static_cast<std::uint32_t>(v & recMask);
      std::size_t dup = (v >> recBits) & dupMask;
      std::size_t trail = (v >> (recBits + dupBits)) & trailMask;
      if (dup + trail > keyLength_ || (i == 0 && dup != 0)) corrupt("leaf key with bad counts");
      std::size_t fresh = keyLength_ - dup - trail;
      if (fresh > end - entriesEnd) corrupt("leaf keys overlap the entries");
      end -= fresh;
      std::string key = previous.substr(0, dup);
      key.append(page.substr(end, fresh));
      key.append(trail, static_cast<char>(pad_));
      // The last byte before the trailing run can never be the pad (VFP counts every trailing pad).
      if (trail < keyLength_) {
        unsigned char before = static_cast<unsigned char>(key[keyLength_ - trail - 1]);
        if (before == ' ') blankBeforeTrail = true;
        if (before == 0) zeroBeforeTrail = true;
      }
      if (trail > 0) anyTrail = true;
      keys.push_back({key, record});
      previous = std::move(key);
    }
  }

  std::string_view file_;
  std::uint16_t keyLength_;
  std::uint8_t pad_;
  std::set<std::uint32_t>& visited_;
};

bool keyLess(const Key& a, const Key& b) {
  int c = std::string_view(a.bytes).compare(b.bytes);  // char_traits<char>::compare is unsigned
  return c < 0 || (c == 0 && a.record < b.record);
}

TagInfo readHeader(std::string_view file, std::uint32_t offset) {
  if (offset % kPageSize != 0 || offset > file.size() || file.size() - offset < kHeaderSize)
    corrupt("tag header outside the file");
  std::string_view h = file.substr(offset, kHeaderSize);
  TagInfo info;
  info.keyLength = le16(h, kKeyLength);
  info.options = static_cast<std::uint8_t>(h[kOptions]);
  info.signature = static_cast<std::uint8_t>(h[kSignature]);
  info.collation = cString(h.substr(kCollation, kCollationSize));
  info.descending = le16(h, kDescending) != 0;
  std::uint16_t forAt = le16(h, kForAt), forLength = le16(h, kForLength), keyAt = le16(h, kKeyAt),
                keyLength = le16(h, kKeyExpressionLength);
  if (info.keyLength == 0 || info.keyLength > kMaxKeyLength) corrupt("bad key length");
  std::string_view pool = h.substr(kExpressionPool);
  if (forAt > pool.size() || forLength > pool.size() - forAt || keyAt > pool.size() || keyLength > pool.size() - keyAt)
    corrupt("expression outside the header");
  info.keyExpression = cString(pool.substr(keyAt, keyLength));
  info.forExpression = cString(pool.substr(forAt, forLength));
  return info;
}

// Each interior entry repeats the last key of its child's subtree, pad bytes written out.
bool interiorMatchesLeaves(const Tag& tag) {
  std::map<std::uint32_t, const Node*> byOffset;
  for (const Node& n : tag.nodes) byOffset[n.offset] = &n;
  for (const Node& n : tag.nodes) {
    for (std::size_t i = 0; i < n.children.size(); ++i) {
      const Node* last = byOffset.at(n.children[i]);
      while (!last->leaf()) last = byOffset.at(last->children.back());
      if (!last->keys.empty() && !(last->keys.back() == n.keys[i])) return false;
    }
  }
  return true;
}

// Walks one tag's tree. Without a chooser the pad byte is inferred: character keys pad with blanks,
// others with zeros, and the header does not say which. The byte before a key's trailing run is
// never the pad, a wrong pad puts keys out of order, and interior entries show the pad written
// out; blank wins when nothing tells.
void walkTag(std::string_view file, std::uint32_t root, PadChooser padFor, std::set<std::uint32_t>& pages, Tag& tag) {
  const std::set<std::uint32_t> before = pages;
  auto walkWith = [&](std::uint8_t pad) {
    pages = before;
    tag.keys.clear();
    tag.nodes.clear();
    tag.info.pad = pad;
    TreeReader reader(file, tag.info.keyLength, pad, pages);
    reader.walk(root, 0, tag);
    return reader;
  };
  auto consistent = [&] {
    return std::is_sorted(tag.keys.begin(), tag.keys.end(), keyLess) && interiorMatchesLeaves(tag);
  };
  if (padFor) {
    walkWith(padFor(tag.info));
    return;
  }
  TreeReader blank = walkWith(' ');
  if (!blank.anyTrail || (blank.zeroBeforeTrail && !blank.blankBeforeTrail)) return;
  if (blank.blankBeforeTrail && !blank.zeroBeforeTrail) {
    walkWith(0);
    return;
  }
  if (consistent()) return;
  walkWith(0);
  if (!consistent()) walkWith(' ');  // neither fits: the file keeps its own order; blank it is
}

}  // namespace

const Tag* CompoundIndex::find(std::string_view name) const {
  for (const Tag& tag : tags) {
    if (sameName(tag.info.name, name)) return &tag;
  }
  return nullptr;
}

void sortKeys(std::vector<Key>& keys) { std::sort(keys.begin(), keys.end(), keyLess); }

CompoundIndex read(std::string_view file, PadChooser padFor) {
  if (file.size() < kHeaderSize + kPageSize) corrupt("file too short");
  CompoundIndex index;
  TagInfo directory = readHeader(file, 0);
  if ((directory.options & kOptionDirectory) == 0 || directory.keyLength > kTagNameLength) corrupt("no tag directory");
  index.updateCounter = be32(file, kUpdateCounter);

  std::set<std::uint32_t> pages = {0, kPageSize};
  Tag entries;
  TreeReader(file, directory.keyLength, ' ', pages).walk(le32(file, kRoot), 0, entries);
  for (const Key& entry : entries.keys) {
    Tag tag;
    tag.headerOffset = entry.record;
    tag.info = readHeader(file, entry.record);
    if (!pages.insert(entry.record).second || !pages.insert(entry.record + kPageSize).second)
      corrupt("tag header overlaps another page");
    std::string name = entry.bytes;
    name.erase(name.find_last_not_of(std::string(" \0", 2)) + 1);
    tag.info.name = name;
    // Signature 5 marks VFP 9's binary (bitmap) tags, whose nodes are not compact leaves.
    if (tag.info.signature == 5) {
      tag.decoded = false;
    } else {
      // Key order is not checked: real files hold MACHINE tags whose keys are not in byte order.
      walkTag(file, le32(file, entry.record + kRoot), padFor, pages, tag);
    }
    index.tags.push_back(std::move(tag));
  }
  return index;
}

CompoundIndex readFile(const std::filesystem::path& file, PadChooser padFor) {
  return read(File(file, File::Mode::Read).readAll(), padFor);
}

}  // namespace fox::cdx
