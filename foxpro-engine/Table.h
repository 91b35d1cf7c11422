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
class Table {
 public:
  // Throws fox::Error: file missing (1), not a table (15), memo file missing or invalid (41), …
  static std::unique_ptr<Table> open(const std::filesystem::path& dbf, const ReadOptions& options = {});
  virtual ~Table() = default;

  virtual const std::filesystem::path& path() const = 0;
  virtual std::uint8_t version() const = 0;           // header byte 0
  virtual int codePage() const = 0;                   // the code page text is read with
  virtual const std::vector<Field>& fields() const = 0;  // user fields; _NullFlags is not among them
  virtual std::uint32_t recordCount() const = 0;      // records physically present, deleted ones included
  virtual std::string backlink() const = 0;           // container path from the header, empty for a free table

  // Reads record `index` (0-based) into `values` (one per field). Returns false when the record
  // is marked deleted (then `values` is unspecified). Throws fox::Error on unreadable data.
  virtual bool read(std::uint32_t index, std::vector<Value>& values) = 0;
};

}  // namespace fox
