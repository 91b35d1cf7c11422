#pragma once
#include <stdexcept>
#include <string>

namespace fox {

// A failure of the engine, in FoxPro's style: FoxPro's own error number and message where
// FoxPro has one ("File 'x.dbf' does not exist." is 1).
class Error : public std::runtime_error {
 public:
  Error(int number, const std::string& message) : std::runtime_error(message), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

// The error numbers the engine uses (ERRORS.md lists them with their messages).
namespace err {
// FoxPro's own numbers.
inline constexpr int FileNotFound = 1;         // File 'x' does not exist.
inline constexpr int FileInUse = 3;            // File 'x' is in use.
inline constexpr int RecordOutOfRange = 5;     // Record is out of range.
inline constexpr int DataTypeMismatch = 9;     // Data type mismatch.
inline constexpr int NotATable = 15;           // Not a table.
inline constexpr int NumericOverflow = 39;     // Numeric overflow. Data was lost.
inline constexpr int MemoFileInvalid = 41;     // Memo file 'x' is missing or is invalid.
inline constexpr int InvalidPath = 202;        // Invalid path or file name.
inline constexpr int CannotCreateFile = 1102;  // Cannot create file 'x'.
inline constexpr int ReadError = 1104;         // Error reading file 'x'.
inline constexpr int WriteError = 1105;        // Error writing to file 'x'.
inline constexpr int NullNotAllowed = 1581;    // Field 'x' does not accept null values.
inline constexpr int AccessDenied = 1705;      // File access is denied: 'x'.
inline constexpr int FieldReadOnly = 2088;     // Field 'x' is read-only.
inline constexpr int TableCorrupted = 2091;    // Table 'x' has become corrupted. …
// The engine's own numbers, for failures FoxPro has no fixed number for (or none we could confirm).
inline constexpr int InvalidName = 3001;         // names FoxPro rejects
inline constexpr int InvalidStructure = 3002;    // a column definition FoxPro rejects (type, width, count)
inline constexpr int CodePageCannotHold = 3003;  // text the table's code page has no character for
inline constexpr int CodePageUnsupported = 3004;
inline constexpr int FileTooLarge = 3005;  // the append would take a file past 2 GB
inline constexpr int WriterClosed = 3006;
}  // namespace err

}  // namespace fox
