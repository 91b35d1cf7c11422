#pragma once
// Turns a row of values into the bytes of a record and the data of its memos, converting each
// value to its field's type (internal; TableWriter does the writing).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "Field.h"
#include "Value.h"

namespace fox {

class RecordEncoder {
 public:
  RecordEncoder(std::vector<Field> fields, int nullFlagsOffset, std::uint16_t recordLength,
                std::shared_ptr<const CodePage> codePage);

  // Fills `record` (recordLength bytes, deletion flag blank) and, for each memo field, its data
  // in memoData()[field] (empty: no memo; the record's pointer is left 0 for the caller).
  // Autoincrementing fields are left 0 for the caller too. Throws fox::Error naming the field.
  // The memo data of a binary value is the value's own bytes, not a copy (a memo may be as
  // large as the file): it is valid while `values` lives and until the next encode().
  void encode(const std::vector<Value>& values, std::vector<std::uint8_t>& record);
  const std::vector<std::string_view>& memoData() const { return memoData_; }
  // Lets go of the memo buffers a large text grew past a megabyte (kept otherwise, to save
  // allocations), so that a large value is not kept between appends.
  void releaseLargeBuffers();
  // The block signature the .fpt gets for a memo of this field.
  static std::uint32_t memoSignature(const Field& f);
  static bool isMemo(const Field& f) { return f.type == 'M' || f.type == 'G' || f.type == 'W' || f.type == 'P'; }

 private:
  void encodeField(const Field& f, const Value& v, std::uint8_t* out, std::size_t index);
  // The code page form of a text value, into `out` (error 3003 when the code page lacks a character).
  const std::string& encodeText(const Field& f, const std::string& utf8, std::string& out);
  // Text in the code page (converted into `buffer`), or the bytes of a value that has no text
  // form in the code page (Bytes), as they are.
  std::string_view textOrBytes(const Field& f, const Value& v, std::string& buffer);
  // textOrBytes cut to the field's width; in a double-byte code page at a character boundary.
  std::string_view fitText(const Field& f, const Value& v);
  [[noreturn]] void mismatch(const Field& f, const Value& v) const;

  std::vector<Field> fields_;
  int nullFlagsOffset_;
  std::uint16_t recordLength_;
  std::shared_ptr<const CodePage> codePage_;
  std::vector<std::string> memo_;  // each memo field's text in the code page
  std::vector<std::string_view> memoData_;
  std::string text_;
};

// The text form a non-text value takes in a character field.
std::string textForm(const Value& v);

}  // namespace fox
