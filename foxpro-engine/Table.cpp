#include "Table.h"

#include <algorithm>
#include <cstring>

#include "Binary.h"
#include "Calendar.h"
#include "CodePage.h"
#include "Error.h"
#include "Errors.h"
#include "File.h"
#include "Files.h"
#include "Header.h"
#include "MemoFile.h"
#include "NumberText.h"

namespace fox {

namespace {

bool dBaseVersion(std::uint8_t v) { return v == 0x83 || v == 0x87 || v == 0x8B || v == 0xCB || v == 0x43 || v == 0x63; }

// The code page a .cpg file beside the table names; 0 when there is none or it is empty.
int codePageOfCpgFile(const std::filesystem::path& table) {
  std::filesystem::path folder = table.parent_path().empty() ? std::filesystem::path(".") : table.parent_path();
  auto cpg = findFileNoCase(folder, codePageFileName(table).filename().string());
  if (!cpg) return 0;
  File file(*cpg, File::Mode::Read);
  std::string text(64, '\0');
  text.resize(file.readAt(0, text.data(), text.size()));
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) return 0;
  int cp = codePageNamed(text);
  if (cp == 0 || !codePageSupported(cp)) {
    std::string shown = text.substr(0, text.find_first_of("\r\n"));
    throw errors::codePageUnsupported("'" + shown + "' named in " + quoted(*cpg));
  }
  return cp;
}

// dBase 7 stores numbers so that their bytes sort as the numbers do: big-endian, a positive
// double with its sign bit set, a negative one with every bit inverted (an integer has only its
// sign bit flipped).
std::uint64_t dBase7Double(const std::uint8_t* p) {
  std::uint64_t bits = std::uint64_t(bin::be32(p)) << 32 | bin::be32(p + 4);
  return bits >> 63 ? bits ^ (std::uint64_t(1) << 63) : ~bits;
}

bool blank(const std::uint8_t* p, std::size_t n) {
  return std::all_of(p, p + n, [](std::uint8_t b) { return b == ' ' || b == 0; });
}

// A file may be long enough for the records its header counts without holding them: a sparse
// file whose record area was never written (sized first by a writer that stopped, or made to
// look large). A whole record inside a hole is damage like a file cut short, found here at once
// rather than by a reader walking gigabytes of zeros as records.
void checkRecordsWritten(const File& file, const Header& h) {
  const std::uint64_t first = h.headerLength, end = first + std::uint64_t(h.recordCount) * h.recordLength;
  for (std::uint64_t from = first; from < end;) {
    auto hole = file.holeIn(from, end);
    if (!hole) return;
    const std::uint64_t index = (hole->first - first + h.recordLength - 1) / h.recordLength;
    if (first + (index + 1) * h.recordLength <= hole->second)
      throw errors::tableCorrupted(file.path(), "its header counts " + std::to_string(h.recordCount) +
                                                    " records, but record " + std::to_string(index + 1) +
                                                    " was never written (the file holds no data there)");
    from = hole->second;
  }
}

class TableReader final : public Table {
 public:
  TableReader(const std::filesystem::path& path, const ReadOptions& options)
      : path_(path), file_(path, File::Mode::Read) {
    header_ = readHeader(file_);
    checkRecordsWritten(file_, header_);
    dBase7_ = header_.version == 0x04;

    codePage_ = fox::codePage(tableCodePage(path, header_.codePageMark, options));

    if (header_.hasMemoFields()) {
      bool dBase = dBaseVersion(header_.version) || header_.otherVersion;
      auto memoPath = findMemoFile(path, dBase);
      if (!memoPath) throw errors::memoFileInvalid(memoFileName(path, dBase));
      std::string ext = memoPath->extension().string();
      bool dbt = ext.size() == 4 && (ext[3] == 't' || ext[3] == 'T') && (ext[2] == 'b' || ext[2] == 'B') &&
                 (ext[1] == 'd' || ext[1] == 'D');
      memo_ = std::make_unique<MemoReader>(*memoPath, dbt ? MemoReader::Kind::Dbt : MemoReader::Kind::Fpt);
    }
    std::size_t perChunk = std::max<std::size_t>(1, (64 * 1024) / header_.recordLength);
    chunkRecords_ = std::uint32_t(perChunk);
    chunk_.resize(perChunk * header_.recordLength);
  }

  const std::filesystem::path& path() const override { return path_; }
  std::uint8_t version() const override { return header_.version; }
  int codePage() const override { return codePage_->number(); }
  const std::vector<Field>& fields() const override { return header_.fields; }
  std::uint32_t recordCount() const override { return header_.recordCount; }
  std::string backlink() const override { return header_.backlink; }
  std::uint8_t tableFlags() const override { return header_.tableFlags; }
  std::uint8_t codePageMark() const override { return header_.codePageMark; }

  bool read(std::uint32_t index, std::vector<Value>& values) override { return decodeRecord(index, values, false); }
  bool readIncludingDeleted(std::uint32_t index, std::vector<Value>& values) override {
    return decodeRecord(index, values, true);
  }
  bool nullFlag(std::uint32_t index, std::size_t field) override {
    if (index >= header_.recordCount) throw Error(err::RecordOutOfRange, "Record is out of range.");
    return bit(record(index), header_.fields.at(field).nullBit);
  }

  bool deleted(std::uint32_t index) override {
    if (index >= header_.recordCount) throw Error(err::RecordOutOfRange, "Record is out of range.");
    const std::uint8_t flag = record(index)[0];
    return flag == '*' || flag == 0x1A;  // exactly the records read() passes over
  }

 private:
  bool decodeRecord(std::uint32_t index, std::vector<Value>& values, bool evenDeleted) {
    if (index >= header_.recordCount) throw Error(err::RecordOutOfRange, "Record is out of range.");
    const std::uint8_t* rec = record(index);
    // '*' marks a deleted record; 0x1A one whose append was cut short (TableWriter writes the
    // flag as 0x1A until the record is complete).
    if ((rec[0] == '*' && !evenDeleted) || rec[0] == 0x1A) return false;
    values.resize(header_.fields.size());
    for (std::size_t i = 0; i < header_.fields.size(); ++i) decode(header_.fields[i], rec, index, values[i]);
    return true;
  }

  const std::uint8_t* record(std::uint32_t index) {
    if (chunkCount_ == 0 || index < chunkFirst_ || index >= chunkFirst_ + chunkCount_) {
      std::uint32_t n = std::min(chunkRecords_, header_.recordCount - index);
      std::size_t want = std::size_t(n) * header_.recordLength;
      std::size_t got =
          file_.readAt(header_.headerLength + std::uint64_t(index) * header_.recordLength, chunk_.data(), want);
      if (got < header_.recordLength)
        throw errors::tableCorrupted(path_, "record " + std::to_string(index + 1) + " lies past the end of the file");
      chunkFirst_ = index;
      chunkCount_ = std::uint32_t(got / header_.recordLength);
    }
    return chunk_.data() + std::size_t(index - chunkFirst_) * header_.recordLength;
  }

  bool bit(const std::uint8_t* rec, int b) const {
    if (b < 0 || header_.nullFlagsOffset < 0) return false;
    return (rec[header_.nullFlagsOffset + b / 8] >> (b % 8)) & 1;
  }

  [[noreturn]] void corrupt(const Field& f, std::uint32_t index, const std::string& what) const {
    throw errors::tableCorrupted(path_, "field " + f.name + " of record " + std::to_string(index + 1) + " " + what);
  }

  void text(const Field& f, const char* p, std::size_t n, Value& out) const {
    if (f.binary()) {
      out = Bytes(p, p + n);
    } else {
      std::string s;
      s.reserve(n);
      codePage_->toUtf8(std::string_view(p, n), s);
      out = std::move(s);
    }
  }

  // Some writers pad character fields with NULs instead of blanks: the padding reads as blanks.
  void character(const Field& f, const char* p, Value& out) {
    std::size_t used = f.length;
    while (used > 0 && (p[used - 1] == ' ' || p[used - 1] == 0)) --used;
    if (f.binary() || std::find(p + used, p + f.length, '\0') == p + f.length) return text(f, p, f.length, out);
    padded_.assign(p, used);
    padded_.append(f.length - used, ' ');
    text(f, padded_.data(), padded_.size(), out);
  }

  std::uint32_t memoBlock(const Field& f, const std::uint8_t* p, std::uint32_t index) const {
    if (f.length == 4) return bin::le32(p);
    std::uint64_t block = 0;
    for (int i = 0; i < f.length; ++i) {
      char c = char(p[i]);
      if (c >= '0' && c <= '9') {
        block = block * 10 + std::uint64_t(c - '0');
        if (block > 0xFFFFFFFFu) corrupt(f, index, "points past the memo file");
      } else if (c != ' ' && c != 0) {
        corrupt(f, index, "holds no memo block number");
      }
    }
    return std::uint32_t(block);
  }

  void decode(const Field& f, const std::uint8_t* rec, std::uint32_t index, Value& out) {
    if (bit(rec, f.nullBit)) {
      out = std::monostate{};
      return;
    }
    const std::uint8_t* p = rec + f.offset;
    const char* c = reinterpret_cast<const char*>(p);
    switch (f.type) {
      case 'C':
        character(f, c, out);
        return;
      case 'V':
      case 'Q': {
        std::size_t n = f.length;
        if (bit(rec, f.varLengthBit)) n = std::min<std::size_t>(p[f.length - 1], f.length - 1u);
        if (f.type == 'Q')
          out = Bytes(p, p + n);
        else
          text(f, c, n, out);
        return;
      }
      case 'N':
      case 'F': {
        auto number = numberFromField(std::string_view(c, f.length));
        if (!number) corrupt(f, index, "holds '" + std::string(c, f.length) + "', not a number");
        if (number->empty())
          out = std::monostate{};  // no digits: blank, or the asterisks of a number lost on writing
        else
          out = Number{std::move(*number)};
        return;
      }
      case 'I':
      case '+':
        out = std::int32_t(dBase7_ ? bin::be32(p) ^ 0x80000000u : bin::le32(p));
        return;
      case 'B':
      case 'O':
        if (f.length == 8) {
          std::uint64_t bits = dBase7_ && f.type == 'O' ? dBase7Double(p) : bin::le64(p);
          double d;
          std::memcpy(&d, &bits, sizeof d);
          out = d;
          return;
        }
        break;  // dBASE binary memo
      case 'Y':
        out = Currency{std::int64_t(bin::le64(p))};
        return;
      case 'D': {
        // dBase reads a date from the first 8 bytes of a field of another width; the rest is blank.
        bool rest = f.length <= 8 || blank(p + 8, f.length - 8u);
        bool none = std::all_of(p, p + std::min<std::size_t>(f.length, 8),
                                [](std::uint8_t b) { return b == ' ' || b == 0 || b == '0'; });
        if (none && rest) {
          out = std::monostate{};
          return;
        }
        if (f.length < 8 || !rest) corrupt(f, index, "holds '" + std::string(c, f.length) + "', not a date");
        int v[8];
        for (int i = 0; i < 8; ++i) {
          if (p[i] < '0' || p[i] > '9') corrupt(f, index, "holds '" + std::string(c, 8) + "', not a date");
          v[i] = p[i] - '0';
        }
        Date d{v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[4] * 10 + v[5], v[6] * 10 + v[7]};
        if (!validDate(d.year, d.month, d.day)) corrupt(f, index, "holds '" + std::string(c, 8) + "', not a date");
        out = d;
        return;
      }
      case 'T':
      case '@': {
        std::int64_t day = std::int32_t(bin::le32(p));
        std::int64_t ms = std::int32_t(bin::le32(p + 4));
        if (day == 0 || blank(p, 8)) {
          out = std::monostate{};
          return;
        }
        // 0001-01-01 … 9999-12-31, and a time within the day.
        if (day < 1721426 || day > 5373484 || ms < 0 || ms >= 86400000) corrupt(f, index, "holds no valid date-time");
        out = exactDateTimeFromJulian(day, ms);
        return;
      }
      case 'L':
        if (p[0] == ' ' || p[0] == '?' || p[0] == 0)
          out = std::monostate{};  // FoxPro's blank logical; dBase's unknown
        else
          out = (p[0] == 'T' || p[0] == 't' || p[0] == 'Y' || p[0] == 'y');
        return;
      default:
        break;
    }
    // Memo types (M, G, W, P, dBASE B).
    std::uint32_t block = memoBlock(f, p, index);
    bool asText = f.type == 'M' && !f.binary();
    if (block == 0 || (f.length == 4 && block == 0x20202020u)) {
      if (asText)
        out = std::string();
      else
        out = Bytes();
      return;
    }
    scratch_.clear();
    memo_->read(block, scratch_);
    if (asText) {
      std::string s;
      s.reserve(scratch_.size());
      codePage_->toUtf8(scratch_, s);
      out = std::move(s);
    } else {
      out = Bytes(scratch_.begin(), scratch_.end());
    }
  }

  std::filesystem::path path_;
  File file_;
  Header header_;
  std::shared_ptr<const CodePage> codePage_;
  std::unique_ptr<MemoReader> memo_;
  std::vector<std::uint8_t> chunk_;
  std::uint32_t chunkRecords_ = 1, chunkFirst_ = 0, chunkCount_ = 0;
  std::string scratch_;
  std::string padded_;
  bool dBase7_ = false;  // dBase 7's version byte: I, + and O in its byte order
};

}  // namespace

int tableCodePage(const std::filesystem::path& dbf, std::uint8_t mark, const ReadOptions& options) {
  int cp = options.codePageOverride;
  if (cp == 0) cp = codePageOfCpgFile(dbf);
  if (cp == 0) cp = codePageFromMark(mark);
  if (cp == 0) cp = options.codePageWhenUnmarked;
  return cp == 0 ? 1252 : cp;
}

std::unique_ptr<Table> Table::open(const std::filesystem::path& dbf, const ReadOptions& options) {
  return std::make_unique<TableReader>(dbf, options);
}

}  // namespace fox
