#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Field.h"
#include "Value.h"

namespace fox {

// Files never grow past this: an append that would is an error and leaves the files valid.
inline constexpr std::uint64_t kMaxFileSize = 2147483647ULL;

struct CreateOptions {
  int codePage = 1252;      // written as the header's code page mark
  std::string backlink;     // the owning container, relative to the table's folder; empty for a free table
  std::uint32_t memoBlockSize = 64;
};

// Appends records to a Visual FoxPro table. Each append leaves the files complete and valid:
// the record and its memos are written first, then the record count in the header, so a crash
// at any moment leaves a table that opens and holds every record appended before.
class TableWriter {
 public:
  // Creates a new Visual FoxPro table (replacing the files of an existing one) with its memo
  // file when a column needs one. Throws fox::Error on invalid names, types or sizes.
  static std::unique_ptr<TableWriter> create(const std::filesystem::path& dbf, const std::vector<ColumnSpec>& columns,
                                             const CreateOptions& options = {});
  // Opens an existing table for appending.
  static std::unique_ptr<TableWriter> openForAppend(const std::filesystem::path& dbf);
  virtual ~TableWriter() = default;

  virtual const std::filesystem::path& path() const = 0;
  virtual const std::vector<Field>& fields() const = 0;
  virtual int codePage() const = 0;
  virtual std::uint32_t recordCount() const = 0;

  // Appends one record; values[i] belongs to fields()[i] and is converted to the field's type
  // (fox::Error 9 "Data type mismatch." when it cannot be). Text that the table's code page
  // cannot hold is an error, never a silent "?".
  virtual void append(const std::vector<Value>& values) = 0;
  // Flushes and closes; later calls fail.
  virtual void close() = 0;
};

}  // namespace fox
