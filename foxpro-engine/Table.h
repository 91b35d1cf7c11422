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
  // Code page for text when neither a .cpg file beside the table nor the header's code page mark
  // (byte 29) names one. 0: Windows-1252.
  int codePageWhenUnmarked = 0;
  // Forces a code page whatever the .cpg file and the mark say; 0: use them.
  int codePageOverride = 0;
};

// The code page of a table's text: the override, else the one a .cpg file beside the table names,
// else the header's mark, else codePageWhenUnmarked, else 1252. Throws fox::Error 3004 for a
// .cpg that names no code page Tavrel knows.
int tableCodePage(const std::filesystem::path& dbf, std::uint8_t mark, const ReadOptions& options = {});

// Read access to one table file and its memo file (.fpt or .dbt, found without regard to case).
// Rows are read from the file on demand, so memory does not grow with the table.
//
// Any table with 32-byte field descriptors is read: Visual FoxPro (0x30, 0x31, 0x32), FoxPro 2.x
// and FoxBASE (0xF5, 0xFB, 0x02, 0x03), dBASE III/IV (0x83, 0x8B, 0xCB, 0x43, 0x63, 0x04, 0x05),
// CA-Visual Objects (0x07, 0x87), and a table of any other version byte whose header, records
// and file size agree as a dBase III table's do. A .dbc opens like any table (its memo file is
// the .dct). What other programs write and their readers accept is accepted too: a field list
// ended by a byte other than 0x0D where the header length agrees, a Clipper character field
// longer than 255 (its decimals hold the high byte of the length) where the record length
// confirms it, N/F of width 0 and D of a width other than 8 outside Visual FoxPro tables.
//
// The code page of text: a .cpg file beside the table (x.cpg: "UTF-8", "1251", "ANSI 1252",
// "OEM" …, see codePageNamed), else the header's mark, else ReadOptions::codePageWhenUnmarked.
//
// What read() gives for each type; NULL (std::monostate) where the field's bit in _NullFlags
// says so, and where a field holds no value (a blank N, F, L, D or T):
//   C        the whole field, trailing blanks included, as text (Bytes when flagged binary);
//            trailing NULs, which some writers pad with, read as the blanks they stand for
//   V        the value without padding (Bytes when binary); Q the bytes without padding
//   N, F     Number with the stored text trimmed ("-12.50"); NULL when the field holds no digit
//            (blanks, a bare point, or the asterisks of a number that overflowed when written)
//   I        int32; B double; Y Currency (the stored 8 bytes are never blank)
//   D        Date from the first 8 bytes; NULL when blank (spaces, zeros)
//   T        DateTime with its milliseconds; NULL for day 0 or blanks
//   L        true for T/t/Y/y, false for other letters; NULL for a blank, '?' or NUL
//   O, @, +  dBase 7's double, timestamp and autoincrement, stored as B, T and I are; in a
//            table of dBase 7's version byte 0x04, I, + and O are big-endian in dBase 7's
//            sortable form (the sign bit flipped; a negative double's bits all inverted)
//   M        text (Bytes when flagged binary); G, W, P and dBASE binary memos: Bytes; no memo: ""/{}
// Text is converted from the table's code page to UTF-8; a byte the code page leaves undefined
// becomes the character of the same number, so nothing is lost.
class Table {
 public:
  // Throws fox::Error: file missing (1), access denied (1705), not a table (15), record count
  // past the end of the file or over records never written (2091), memo file missing or
  // invalid (41), code page unknown (3004, also for a .cpg file that names none Tavrel knows).
  static std::unique_ptr<Table> open(const std::filesystem::path& dbf, const ReadOptions& options = {});
  virtual ~Table() = default;

  virtual const std::filesystem::path& path() const = 0;
  virtual std::uint8_t version() const = 0;              // header byte 0
  virtual int codePage() const = 0;                      // the code page text is read with
  virtual const std::vector<Field>& fields() const = 0;  // user fields; _NullFlags is not among them
  virtual std::uint32_t recordCount() const = 0;         // records physically present, deleted ones included
  virtual std::string backlink() const = 0;              // container path from the header, empty for a free table
  virtual std::uint8_t tableFlags() const = 0;           // header byte 28 (0x01 index, 0x02 memo, 0x04 container)
  virtual std::uint8_t codePageMark() const = 0;         // header byte 29 as stored

  // Reads record `index` (0-based) into `values` (one per field). Returns false when the record
  // is marked deleted, or its deletion flag is 0x1A (an append cut short; then `values` is
  // unspecified). Any other flag byte (0x20, and 0x00 as some writers leave it) is a live record. Throws fox::Error on
  // unreadable data: 5 for an index past the end, 41 for a memo outside the memo file, 2091 for a field whose bytes are
  // not a value of its type (a date of 2023-02-30, a number of "12a").
  virtual bool read(std::uint32_t index, std::vector<Value>& values) = 0;
  // As read(), but a record marked deleted is decoded too (an index holds keys for those); false
  // only for an append cut short.
  virtual bool readIncludingDeleted(std::uint32_t index, std::vector<Value>& values) = 0;
  // True when the _NullFlags bit of field `field` (an index into fields()) marks it NULL in record
  // `index`; a blank D, T, N, F or L, which read() also gives as NULL, is not. Throws fox::Error 5
  // for an index past the end.
  virtual bool nullFlag(std::uint32_t index, std::size_t field) = 0;
  // True when read() would pass record `index` over (marked deleted, or an append cut short);
  // looks at nothing else, for counting the live records before they are read. Throws
  // fox::Error 5 for an index past the end.
  virtual bool deleted(std::uint32_t index) = 0;
};

}  // namespace fox
