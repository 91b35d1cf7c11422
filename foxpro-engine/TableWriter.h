#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Field.h"
#include "Value.h"

namespace fox {

// Files never grow past this: an append that would is an error and leaves the files valid.
inline constexpr std::uint64_t kMaxFileSize = 2147483647ULL;

struct CreateOptions {
  int codePage = 1252;   // written as the header's code page mark
  std::string backlink;  // the owning container, relative to the table's folder; empty for a free table
  std::uint32_t memoBlockSize = 64;
  // Bits ORed into header byte 28: 0x01 when the caller writes a structural .cdx for the table,
  // 0x04 for a database container (.dbc). 0x02 (memo file) is set by the writer itself.
  std::uint8_t tableFlags = 0;
};

// Appends records to a Visual FoxPro table. Each append leaves the files complete and valid:
// the memo file's next free block and the memos and the record are written first (the record's
// deletion flag as 0x1A, which readers that read up to an end-of-file mark stop at), then the
// record count in the header, then the deletion flag (AppendStep numbers the steps); so a process killed at any moment
// leaves a table that opens and holds every record appended before, the one being appended either whole or not at all.
//
// A writer may hold records back (hold): each append then converts its values and writes its
// memos at once, as above, but keeps its record, and the records kept go to the table together,
// in one write, once they fill kHeldBytes, at the first append kHeldAge or more after the first
// of them was kept, and before anything else is done with the writer (flush, setDeleted, close). A flush writes the
// records marked deleted ('*', a mark every reader passes over), then the record count, then the records again with
// their live flags, front to back; so a process killed at any moment leaves a table whose readers all see the records
// of every flush before it, then a front part of that flush's records (the rest deleted or not counted), and nothing of
// the records still held.
//
// The writer holds an exclusive lock (flock) on the .dbf while it is open: a second writer on
// the same table fails with error 3 ("File is in use."). Nothing is fsynced: an append reaches
// the operating system before append() returns (a held record at its flush), which is what
// survives a killed process.
//
// Column rules for create(): names as Names.h says for free-table fields (at most 10
// characters; upper-cased in the header; unique regardless of case); C, V, Q 1–254 wide;
// N, F 1–20 wide with decimals 0, or 1 … width − 2; B decimals 0–18; at most 255 fields with
// _NullFlags and records of at most 65,500 bytes. Flags are set as Visual FoxPro sets them.
//
// Converting values on append (fox::Error 9 "Data type mismatch." when impossible):
//   NULL          into a nullable field: NULL; else error 1581
//   C, V, M       text (converted to the code page; a character it lacks is error 3003 naming
//                 the field), Bytes stored as they are, other values as their text form
//                 (numbers as written, dates 2026-12-06, date-times 2026-12-06 13:45:00,
//                 logicals .T./.F.). Text longer than C or V is cut to the width, as FoxPro does.
//   Q, G, W       Bytes (text: its code-page bytes); Q longer than the width is cut.
//   N, F          numbers, text such as "-12.5", " 1e3 " (rounded half away from zero to the
//                 field's decimals); empty text gives a blank field; a value that does not fit
//                 the width is error 39 "Numeric overflow. Data was lost." (FoxPro would
//                 store asterisks, which no reader can use).
//   I             whole numbers −2,147,483,647 … 2,147,483,647 (decimals rounded); else error 39
//   B             any number or numeric text; Y the same, rounded to 4 decimals, error 39 past
//                 ±922,337,203,685,477.5807
//   D, T          Date, DateTime (a date-time into D keeps the date), or text as
//                 Calendar.h's parseDateTime reads it; empty text gives the empty date
//   L             bool; numbers (0 is false); text T/F, .T./.F., Y/N, TRUE/FALSE, YES/NO, 1/0
//                 in any case; empty text gives a blank field (FoxPro's .F.)
// An autoincrementing I field takes the header's next value; its value must be NULL
// (else error 2088, as in FoxPro).
// The steps of an append, in the order the class comment gives (1 and 2 only with memos); a flush
// of held records takes the last three (the records marked deleted, the count, the live flags).
enum class AppendStep { MemoNextBlock = 1, MemoBlocks, Record, RecordCount, DeletionFlag };

class TableWriter {
 public:
  // Creates a new Visual FoxPro table (replacing the files of an existing one: its table, memo
  // and index files, found without regard to case) with its memo file when a column needs one.
  // Throws fox::Error on invalid names (3001), types or sizes (3002), code pages (3004) and
  // files that cannot be written (1102, 1705). Nothing is removed when the columns are invalid.
  static std::unique_ptr<TableWriter> create(const std::filesystem::path& dbf, const std::vector<ColumnSpec>& columns,
                                             const CreateOptions& options = {});
  // Opens an existing Visual FoxPro table (0x30, 0x31, 0x32; a .dbc too) for appending; error 3
  // while another writer holds it. What a killed append left is put right: a record past the
  // record count is dropped, a counted record still flagged 0x1A (see append) is made live,
  // zeros past the memo file's next free block are cut off. Nothing else is written before the
  // first append. Text is written in the code page the table is read in (tableCodePage), so
  // that rows added to a table without a mark read back as they were written.
  static std::unique_ptr<TableWriter> openForAppend(const std::filesystem::path& dbf, int codePageWhenUnmarked = 0);
  virtual ~TableWriter() = default;

  // How many held records a flush writes at most, in bytes, and how long the first may wait.
  static constexpr std::size_t kHeldBytes = 64 * 1024;
  static constexpr int kHeldAgeMilliseconds = 200;

  virtual const std::filesystem::path& path() const = 0;
  virtual const std::vector<Field>& fields() const = 0;
  virtual int codePage() const = 0;
  // The records appended, held ones included.
  virtual std::uint32_t recordCount() const = 0;

  // Appends one record; values[i] belongs to fields()[i] and is converted to the field's type
  // (fox::Error 9 "Data type mismatch." when it cannot be). Text that the table's code page
  // cannot hold is an error, never a silent "?". On any error of this record nothing is
  // appended. While holding, the flush an append makes may fail instead (see flush).
  virtual void append(const std::vector<Value>& values) = 0;
  // Holds the records of later appends back (the class comment says how), or from now on writes
  // each at once (the ones held are flushed first). A table with an autoincrementing field is
  // never held: its counters go with each record.
  virtual void hold(bool on) = 0;
  // Writes the records held. When the disk takes only some of them, the ones that fit are
  // written, each whole, and the rest are dropped with the error (fox::Error 1105).
  virtual void flush() = 0;
  // Calls `hook` before each step of every later append; a test stops or fails an append there.
  virtual void setBeforeStep(std::function<void(AppendStep)> hook) = 0;
  // Marks record `index` (0-based) deleted or live again (FoxPro's DELETE / RECALL).
  virtual void setDeleted(std::uint32_t index, bool deleted) = 0;
  // Writes the records held, and closes (also when that fails); later calls fail.
  virtual void close() = 0;
};

}  // namespace fox
