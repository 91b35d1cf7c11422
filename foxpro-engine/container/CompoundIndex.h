#pragma once
// Visual FoxPro compound indexes (.cdx, and the container's own .dcx): one or more tags, each a
// compact B+ tree of 512-byte pages, found through a tag directory. Byte layout: CompoundIndexLayout.h; see also
// FORMAT-NOTES.md.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fox::cdx {

inline constexpr std::size_t kPageSize = 512;
inline constexpr std::size_t kHeaderSize = 1024;
inline constexpr std::size_t kMaxKeyLength = 240;

// Index option bits (tag header byte 14).
inline constexpr std::uint8_t kOptionUnique = 0x01;
inline constexpr std::uint8_t kOptionNullableKey = 0x02;
inline constexpr std::uint8_t kOptionCandidate = 0x04;
inline constexpr std::uint8_t kOptionHasFor = 0x08;
inline constexpr std::uint8_t kOptionCompact = 0x20;
inline constexpr std::uint8_t kOptionCompound = 0x40;
inline constexpr std::uint8_t kOptionDirectory = 0x80;

// One index entry: the key exactly `keyLength` bytes long (trailing pad written out) and the
// 1-based record number of the table it points to.
struct Key {
  std::string bytes;
  std::uint32_t record = 0;
  bool operator==(const Key&) const = default;
};

// The fields of a tag that describe it, as its header stores them.
struct TagInfo {
  std::string name;  // upper case, as in the directory
  std::uint16_t keyLength = 0;
  std::uint8_t options = 0;
  std::uint8_t signature = 1;
  std::string collation;  // empty: MACHINE
  bool descending = false;
  std::string keyExpression;  // stored text, not normalised
  std::string forExpression;  // empty when the tag has none
  // Byte that trailing-count compression stands for: blank for character keys, 0 otherwise.
  std::uint8_t pad = ' ';
};

// One node of a tag's tree, as read (for checks and for reproducing VFP's own pages).
struct Node {
  std::uint32_t offset = 0;
  std::uint16_t attributes = 0;  // bit 0x01 root, 0x02 leaf
  std::uint32_t left = 0xFFFFFFFF, right = 0xFFFFFFFF;
  int level = 0;                        // 0 = the root's level
  std::vector<Key> keys;                // leaf: its keys; interior: the (last key, last record) per child
  std::vector<std::uint32_t> children;  // interior nodes only
  bool leaf() const { return (attributes & 0x02) != 0; }
};

struct Tag {
  TagInfo info;
  std::uint32_t headerOffset = 0;
  std::vector<Key> keys;    // every key in index order (leaves left to right)
  std::vector<Node> nodes;  // every node, in the order the walk met them (pre-order)
  // VFP 9 "binary" (bitmap) tags use a node layout this reader does not decode; their keys stay empty.
  bool decoded = true;
};

struct CompoundIndex {
  std::vector<Tag> tags;  // in directory order (by name)
  std::uint32_t updateCounter = 0;
  const Tag* find(std::string_view name) const;  // without regard to case
};

// Decodes a whole compound index held in memory. `padFor` chooses the pad byte of each tag from
// its header; without it the pad is inferred from the keys (blank for character keys, else zero). Throws fox::Error 114
// on anything that is not a well-formed compound index: pointers outside the file, cycles, bad bit widths, keys that do
// not fit their page.
using PadChooser = std::uint8_t (*)(const TagInfo&);
CompoundIndex read(std::string_view bytes, PadChooser padFor = nullptr);
CompoundIndex readFile(const std::filesystem::path& file, PadChooser padFor = nullptr);

// What a writer needs for one tag: its description and its keys, sorted by bytes then record.
struct TagPlan {
  TagInfo info;
  std::vector<Key> keys;
};

// Builds a complete compound index from its tags (bulk build: leaves packed in key order,
// interior levels above them, VFP 9's per-leaf entry widths). Tags are placed in name order;
// `updateCounter` goes into the directory header (VFP's cache-invalidation counter).
// Throws fox::Error on keys of the wrong length, unsorted keys or expressions too long.
std::string build(const std::vector<TagPlan>& tags, std::uint32_t updateCounter = 0);

// Encodes one leaf page holding `keys` exactly as VFP does (entry widths, duplicate and trailing
// counts). Returns false when the keys do not fit one page.
bool encodeLeaf(const std::vector<Key>& keys, std::uint16_t keyLength, std::uint8_t pad, std::uint16_t attributes,
                std::uint32_t left, std::uint32_t right, std::string& page);

// Sorts keys into index order: by bytes (unsigned), then by record number.
void sortKeys(std::vector<Key>& keys);

}  // namespace fox::cdx
