#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Field.h"
#include "Value.h"

namespace fox {

struct ReadOptions {
  // Code page for text when the header has no code page mark (byte 29 = 0). 0: Windows-1252.
  int codePageWhenUnmarked = 0;
  // Forces a code page whatever the mark says; 0: use the mark.
  int codePageOverride = 0;
};

// Read access to one table file and its memo file (.fpt or .dbt, found without regard to case).
// Rows are read from the file on demand, so memory does not grow with the table.
//
// Any table with 32-byte field descriptors is read: Visual FoxPro (0x30, 0x31, 0x32), FoxPro 2.x
// and FoxBASE (0xF5, 0xFB, 0x02, 0x03), dBASE III/IV (0x83, 0x8B, 0xCB, 0x43, 0x63, 0x04, 0x05).
// A .dbc opens like any table (its memo file is the .dct).
//
// What read() gives for each type (a value is NULL — std::monostate — only when the field's
// bit in _NullFlags says so; FoxPro's empty values are values):
//   C        the whole field, trailing blanks included, as text (Bytes when flagged binary)
//   V        the value without padding (Bytes when binary); Q the bytes without padding
//   N, F     Number with the stored text trimmed ("-12.50"); a blank field gives zero written
//            with the field's decimals ("0.00"), the value FoxPro reads from it
//   I        int32; B double; Y Currency (the stored 8 bytes are never blank)
//   D        Date; blank (spaces, zeros) gives the empty Date
//   T        DateTime rounded to the second; day 0 gives the empty DateTime
//   L        true for T/t/Y/y, false for anything else (a blank L is FoxPro's .F.)
//   M        text (Bytes when flagged binary); G, W, P and dBASE binary memos: Bytes; no memo: ""/{}
// Text is converted from the table's code page to UTF-8; a byte the code page leaves undefined
// becomes the character of the same number, so nothing is lost.
class Table {
 public:
  // Throws fox::Error: file missing (1), access denied (1705), not a table (15), record count
  // past the end of the file (2091), memo file missing or invalid (41), code page unknown (3004).
  static std::unique_ptr<Table> open(const std::filesystem::path& dbf, const ReadOptions& options = {});
  virtual ~Table() = default;

  virtual const std::filesystem::path& path() const = 0;
  virtual std::uint8_t version() const = 0;           // header byte 0
  virtual int codePage() const = 0;                   // the code page text is read with
  virtual const std::vector<Field>& fields() const = 0;  // user fields; _NullFlags is not among them
  virtual std::uint32_t recordCount() const = 0;      // records physically present, deleted ones included
  virtual std::string backlink() const = 0;           // container path from the header, empty for a free table
  virtual std::uint8_t tableFlags() const = 0;        // header byte 28 (0x01 index, 0x02 memo, 0x04 container)
  virtual std::uint8_t codePageMark() const = 0;      // header byte 29 as stored

  // Reads record `index` (0-based) into `values` (one per field). Returns false when the record
  // is marked deleted, or its deletion flag is 0x1A (an append cut short; then `values` is
  // unspecified). Any other flag byte (0x20, and 0x00 as some writers leave it) is a live record. Throws fox::Error on unreadable data:
  // 5 for an index past the end, 41 for a memo outside the memo file, 2091 for a field whose
  // bytes are not a value of its type (a date of 2023-02-30, a number of "12a").
  virtual bool read(std::uint32_t index, std::vector<Value>& values) = 0;
  // True when record `index` is marked deleted; looks at nothing else (for counting the live
  // records before they are read). Throws fox::Error 5 for an index past the end.
  virtual bool deleted(std::uint32_t index) = 0;
};

}  // namespace fox
