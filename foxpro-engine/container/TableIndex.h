#pragma once
// A table's structural compound index (x.cdx beside x.dbf, announced by header flag 0x01): tags
// built from the table's records by Visual FoxPro's key rules, and the tags it holds read back.
//
// Key expressions understood (field names without regard to case, a container's long names too):
//   field                    C V Q N F B Y I D T L; the key as cdx.md §6 gives it for the type
//   UPPER(field)             C or V, letters upper-cased in the table's code page
//   term + term + …          character terms only: C/V fields, UPPER(), STR(n[,w[,d]]),
//                            DTOS(d), TTOC(t,1), BINTOC(i)
// A key that involves a nullable field starts with FoxPro's NULL byte (0x80 present, 0x00 NULL).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CompoundIndex.h"
#include "foxpro-engine/Field.h"
#include "foxpro-engine/Value.h"

namespace fox::cdx {

// Error numbers of index statements (FoxPro's).
namespace err {
inline constexpr int InvalidKeyExpression = 1672;  // (and key too long)
inline constexpr int InvalidTagName = 1680;
inline constexpr int UniquenessViolated = 1884;  // Uniqueness of index TAG is violated.
inline constexpr int TypeMismatch = 107;         // Operator/operand type mismatch.
inline constexpr int NotIndexable = 34;          // Operation is invalid for a Memo, General or Picture field.
}  // namespace err

// A key expression compiled against a table's fields.
class KeyExpression {
 public:
  // `fields` as the header has them, `longNames` the names a container gives them (may be empty).
  // Throws fox::Error: an unknown field or function, a memo field, a type a function does not take.
  KeyExpression(std::string_view text, const std::vector<Field>& fields, const std::vector<std::string>& longNames,
                int codePage);
  ~KeyExpression();
  KeyExpression(KeyExpression&&) noexcept;

  std::uint16_t keyLength() const;  // the NULL byte included
  bool nullable() const;
  bool character() const;
  std::uint8_t pad() const { return character() ? ' ' : 0; }
  // The key of one record, read by fox::Table (one value per field); `nulls` says per field
  // whether its _NullFlags bit is set. A blank date or number, which fox::Table also reads as
  // NULL, is a value to FoxPro and keys as one.
  std::string key(const std::vector<Value>& values, const std::vector<bool>& nulls) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A tag to put into a table's structural index.
struct NewTag {
  std::string name;  // 1–10 letters, digits, _
  std::string expression;
  bool candidate = false;
  bool unique = false;
  bool descending = false;
};

// Called with the tags the new index holds once it is written beside the old one and before it
// replaces it (a container records them there); what it throws leaves everything as it was.
using BeforeCommit = std::function<void(const std::vector<TagInfo>&)>;

// Builds the tag from every record of the table (deleted ones too, as FoxPro indexes them) and
// writes the structural index anew with it, replacing a tag of that name; sets the table's
// header flag. `codePage`: the code page of a table without a mark. Nothing changes when it
// fails: 1884 for a candidate tag over a duplicate key, 1672/1680/107/34/12 for the expression
// and name, 1001 when the present .cdx holds a tag this engine cannot rebuild (a binary tag),
// 114 when it cannot be read.
void addTag(const std::filesystem::path& dbf, const NewTag& tag, const std::vector<std::string>& longNames = {},
            int codePage = 0, const BeforeCommit& beforeCommit = {});

// The tags of the table's structural index, in directory order; none without one. 114 for a
// damaged index.
std::vector<TagInfo> structuralTags(const std::filesystem::path& dbf);

}  // namespace fox::cdx
