#include "TableWriter.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <exception>
#include <string_view>
#include <utility>

#include "Binary.h"
#include "CodePage.h"
#include "Error.h"
#include "Errors.h"
#include "File.h"
#include "Files.h"
#include "Header.h"
#include "MemoLayout.h"
#include "Names.h"
#include "RecordEncoder.h"
#include "Table.h"
#include "TableLayout.h"

namespace fox {

namespace {

constexpr std::uint32_t kMaxRecords = 1000000000;

[[noreturn]] void badColumn(const std::string& name, const std::string& why) {
  throw Error(err::InvalidStructure, "Invalid definition of field " + name + ": " + why + ".");
}

Field fieldFromSpec(const ColumnSpec& c) {
  validateName(c.name, NameKind::FreeField);
  Field f;
  f.name = upperName(c.name);
  f.type = char(std::toupper((unsigned char)c.type));
  bool binaryStored = false;  // types VFP flags 0x04 whatever the column says
  if (auto problem = widthProblem(f.type, c.length, c.decimals)) badColumn(f.name, *problem);
  switch (f.type) {
    case 'C':
    case 'V':
    case 'Q':
      f.length = std::uint16_t(c.length);
      binaryStored = f.type == 'Q' || c.binary;
      break;
    case 'N':
    case 'F':
      f.length = std::uint16_t(c.length);
      f.decimals = std::uint8_t(c.decimals);
      break;
    case 'B':
      f.length = 8, f.decimals = std::uint8_t(c.decimals), binaryStored = true;
      break;
    case 'Y':
      f.length = 8, f.decimals = 4, binaryStored = true;
      break;
    case 'I':
      f.length = 4, binaryStored = true;
      break;
    case 'T':
      f.length = 8, binaryStored = true;
      break;
    case 'D':
      f.length = 8;
      break;
    case 'L':
      f.length = 1;
      break;
    case 'M':
      f.length = 4, binaryStored = c.binary;
      break;
    case 'W':
      f.length = 4, binaryStored = true;
      break;
    case 'G':
      f.length = 4;
      break;
    default:
      badColumn(f.name, std::string("the type '") + c.type + "' is not a Visual FoxPro field type");
  }
  f.flags = std::uint8_t((binaryStored ? kFlagBinary : 0) | (c.nullable ? kFlagNullable : 0));
  return f;
}

// The .dbf is mapped into memory (address space for 2 GB, used only below the file's end), so
// the header's record count, the autoincrement counters and a new record's deletion flag are
// updated with plain stores instead of a system call each. The page cache holds the stores, so
// they survive the process being killed. File::store falls back to pwrite when mapping fails,
// and lets the pages written go as the file grows, so memory does not grow with the table.
constexpr std::size_t kMapLength = std::size_t(kMaxFileSize) + 1;

// How far the memo file is grown ahead of the data it must hold (`needed` bytes): an eighth of
// its size, at least 1 MiB and at most 64 MiB, so that a growing file takes few reservations;
// never past the 2 GB limit. Where the disk has no room for that, only `needed` is reserved.
std::uint64_t memoGrowthTarget(std::uint64_t size, std::uint64_t needed) {
  const std::uint64_t step = std::clamp<std::uint64_t>(size / 8, 1 << 20, 64 << 20);
  return std::max(needed, std::min<std::uint64_t>(size + step, kMaxFileSize));
}

// The memo file, written through a memory mapping: memo blocks and the header's next free
// block are plain stores into the page cache (they survive a killed process like a write()
// would), and the file grows ahead in steps reserved with fallocate (memoGrowthTarget), so a
// full disk is an error here rather than a fault on a later store. The pages just ahead of the
// last memo are readied for the stores in one system call (kPrefaultAhead at a time) rather than
// faulted in one by one. close() cuts the file back to the last block in use; a killed process
// leaves unused zero blocks after it, which FoxPro ignores. Where mapping or fallocate is not
// available, it writes with pwrite.
class MemoAppender {
 public:
  static constexpr std::uint64_t kPrefaultAhead = 512 * 1024;

  MemoAppender() = default;
  explicit MemoAppender(File file) : file_(std::move(file)) {
    size_ = end_ = prefaulted_ = file_.size();
    file_.map(kMapLength);
  }
  MemoAppender(MemoAppender&&) noexcept = default;
  MemoAppender& operator=(MemoAppender&&) noexcept = default;
  ~MemoAppender() { close(); }

  bool isOpen() const { return file_.isOpen(); }
  const std::filesystem::path& path() const { return file_.path(); }

  // One memo at `offset` (a block boundary): its block header, its data (written from where it
  // lies, never copied: a memo may be as large as the file) and zeros to the end of its last block.
  void writeMemo(std::uint64_t offset, std::uint32_t signature, std::string_view data, std::uint32_t blockSize) {
    static constexpr std::uint8_t kZeros[65536] = {};  // more than the padding of any block size
    std::uint8_t head[layout::kMemoData] = {};
    bin::putBe32(head + layout::kMemoSignature, signature);
    bin::putBe32(head + layout::kMemoLength, std::uint32_t(data.size()));
    const std::uint64_t dataEnd = offset + layout::kMemoData + data.size();
    const std::uint64_t end = (dataEnd + blockSize - 1) / blockSize * blockSize;
    const bool mapped = file_.mapped() && reserve(end);
    if (mapped) prefault(offset, end);
    auto put = [&](std::uint64_t at, const void* bytes, std::size_t n) {
      if (mapped)
        file_.store(at, bytes, n);
      else
        file_.writeAt(at, bytes, n);
    };
    put(offset, head, sizeof head);
    put(offset + layout::kMemoData, data.data(), data.size());
    if (end > dataEnd) put(dataEnd, kZeros, std::size_t(end - dataEnd));
    end_ = std::max(end_, end);
  }
  // The header's next free block: one aligned store.
  void putNextBlock(std::uint32_t block) {
    std::uint8_t be[4];
    bin::putBe32(be, block);
    file_.store32(layout::kMemoNextBlock, be);
  }
  void close() {
    file_.unmap();
    if (file_.isOpen() && size_ > end_) {
      try {
        file_.truncate(end_);
      } catch (const Error&) {
      }
    }
    file_.close();
  }

 private:
  // Makes the file hold `needed` bytes: grown ahead where the disk has the room, else by just
  // what the memos being written take; a full disk is an error only when even that fails.
  bool reserve(std::uint64_t needed) {
    if (needed <= size_) return true;
    for (std::uint64_t target : {memoGrowthTarget(size_, needed), needed}) {
      switch (file_.reserve(size_, target - size_)) {
        case File::Reservation::Done:
          size_ = target;
          return true;
        case File::Reservation::Unsupported:
          file_.unmap();  // no fallocate here: write the plain way from now on
          return false;
        case File::Reservation::NoRoom:
          size_ = std::max(size_, file_.size());  // the failed attempt may have taken some
          if (needed <= size_) return true;
          break;
      }
    }
    throw errors::writeError(file_.path(), "the disk is full");
  }

  // Readies the pages from `offset` to `end` and kPrefaultAhead beyond, within the file, unless
  // done already; never for a large memo, which File::store writes without the mapping.
  void prefault(std::uint64_t offset, std::uint64_t end) {
    if (end <= prefaulted_ || end - offset >= File::kLargeStore) return;
    const std::uint64_t from = std::max(prefaulted_, offset);
    prefaulted_ = std::min(size_, end + kPrefaultAhead);
    if (prefaulted_ > from) file_.prefault(from, prefaulted_ - from);
  }

  File file_;
  std::uint64_t size_ = 0;        // bytes the file has (reserved ones included)
  std::uint64_t end_ = 0;         // bytes in use
  std::uint64_t prefaulted_ = 0;  // the pages below this are ready for stores
};

class Writer final : public TableWriter {
 public:
  Writer(File dbf, Header header, std::shared_ptr<const CodePage> cp, MemoAppender memo, std::uint32_t blockSize,
         std::uint32_t nextBlock)
      : path_(dbf.path()),
        dbf_(std::move(dbf)),
        memo_(std::move(memo)),
        header_(std::move(header)),
        codePage_(std::move(cp)),
        encoder_(header_.fields, header_.nullFlagsOffset, header_.recordLength, codePage_),
        blockSize_(blockSize),
        nextBlock_(nextBlock) {
    if (!dbf_.tryLockExclusive()) throw errors::fileInUse(path_);
    dbf_.map(kMapLength);
    autoIncrement_ =
        std::any_of(header_.fields.begin(), header_.fields.end(), [](const Field& f) { return f.autoIncrement(); });
  }
  ~Writer() override {
    try {
      close();
    } catch (...) {
    }
  }

  const std::filesystem::path& path() const override { return path_; }
  const std::vector<Field>& fields() const override { return header_.fields; }
  int codePage() const override { return codePage_->number(); }
  std::uint32_t recordCount() const override { return header_.recordCount + heldCount_; }

  void append(const std::vector<Value>& values) override {
    checkOpen();
    struct Release {
      RecordEncoder& encoder;
      ~Release() { encoder.releaseLargeBuffers(); }
    } release{encoder_};
    encoder_.encode(values, record_);
    // Autoincrement values from the header's counters.
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
      Field& f = header_.fields[i];
      if (f.autoIncrement()) bin::putLe32(record_.data() + f.offset, std::uint32_t(f.autoIncrementNext));
    }
    // Memos go into consecutive blocks from the next free one, each padded to whole blocks.
    memoStarts_.clear();
    std::uint64_t block = nextBlock_;
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
      std::string_view data = encoder_.memoData()[i];
      const Field& f = header_.fields[i];
      if (!RecordEncoder::isMemo(f) || data.empty()) continue;
      std::uint64_t blocks = (layout::kMemoData + std::uint64_t(data.size()) + blockSize_ - 1) / blockSize_;
      if (block + blocks > 0xFFFFFFFFu || (block + blocks) * blockSize_ > kMaxFileSize) tooLarge(memo_.path());
      bin::putLe32(record_.data() + f.offset, std::uint32_t(block));
      memoStarts_.emplace_back(i, std::uint32_t(block));
      block += blocks;
    }
    const std::uint64_t recordAt = recordOffset(recordCount());
    if (recordAt + header_.recordLength + 1 > kMaxFileSize) tooLarge(path_);
    if (recordCount() >= kMaxRecords) tooLarge(path_);

    // 1. the memo file's next free block, past the new memos (so a kill never leaves memo data
    // past it, only unused blocks below it), 2. the memo blocks, 3. the record and the end
    // marker, the record's deletion flag written as 0x1A (an end-of-file mark to readers that
    // read up to it, such as dbfread; a record that is not there to the engine), 4. the
    // autoincrement counters and the record count, 5. the deletion flag. A kill between any
    // two steps leaves both files valid, with the record either fully there or invisible.
    if (!memoStarts_.empty()) {
      step(AppendStep::MemoNextBlock);
      memo_.putNextBlock(std::uint32_t(block));
      step(AppendStep::MemoBlocks);
      for (auto [field, start] : memoStarts_)
        memo_.writeMemo(std::uint64_t(start) * blockSize_, RecordEncoder::memoSignature(header_.fields[field]),
                        encoder_.memoData()[field], blockSize_);
      nextBlock_ = std::uint32_t(block);
    }
    if (holding_ && !autoIncrement_) return keep();
    writeRecord(record_);
  }

  void hold(bool on) override {
    checkOpen();
    if (!on) flush();
    holding_ = on;
  }

  void flush() override {
    checkOpen();
    if (heldCount_ == 0) return;
    std::vector<std::uint8_t> records = std::move(held_);
    const std::uint32_t count = heldCount_;
    held_.clear();
    heldCount_ = 0;
    const std::uint64_t at = recordOffset(header_.recordCount);
    const std::size_t length = header_.recordLength;
    // 3. the records marked deleted, and the end marker (a record every reader passes over),
    // 4. the record count, 5. the records again, live. A kill before 4 leaves records past the
    // count, which the next writer drops; one during 5 leaves the rest of them deleted.
    for (std::uint32_t i = 0; i < count; ++i) records[i * length] = '*';
    records.push_back(0x1A);
    step(AppendStep::Record);
    try {
      dbf_.writeAt(at, records.data(), records.size());
    } catch (const Error&) {
      restoreEnd(at);
      // As many as the disk takes, one by one, each whole.
      std::vector<std::uint8_t> one;
      for (std::uint32_t i = 0; i < count; ++i) {
        const auto first = records.begin() + std::ptrdiff_t(i * length);
        one.assign(first, first + std::ptrdiff_t(length));
        writeRecord(one);
      }
      return;
    }
    step(AppendStep::RecordCount);
    header_.recordCount += count;
    storeRecordCount();
    step(AppendStep::DeletionFlag);
    for (std::uint32_t i = 0; i < count; ++i) records[i * length] = ' ';
    dbf_.writeAt(at, records.data(), records.size() - 1);
    stampChange();
  }

  void setBeforeStep(std::function<void(AppendStep)> hook) override { beforeStep_ = std::move(hook); }

  void setDeleted(std::uint32_t index, bool deleted) override {
    flush();
    if (index >= header_.recordCount) throw Error(err::RecordOutOfRange, "Record is out of range.");
    std::uint8_t flag = deleted ? '*' : ' ';
    dbf_.writeAt(header_.headerLength + std::uint64_t(index) * header_.recordLength, &flag, 1);
    stampChange();
  }

  void close() override {
    if (closed_) return;
    std::exception_ptr failure;
    try {
      flush();
    } catch (...) {
      failure = std::current_exception();
    }
    closed_ = true;
    memo_.close();
    dbf_.close();
    if (failure) std::rethrow_exception(failure);
  }

 private:
  std::uint64_t recordOffset(std::uint32_t index) const {
    return header_.headerLength + std::uint64_t(index) * header_.recordLength;
  }

  // Steps 3 to 5 of an append for `record`, the next record of the table.
  void writeRecord(std::vector<std::uint8_t>& record) {
    const std::uint64_t recordAt = recordOffset(header_.recordCount);
    record.push_back(0x1A);
    record[0] = 0x1A;
    step(AppendStep::Record);
    try {
      dbf_.writeAt(recordAt, record.data(), record.size());
    } catch (const Error&) {
      restoreEnd(recordAt);
      throw;
    }
    step(AppendStep::RecordCount);
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
      Field& f = header_.fields[i];
      if (!f.autoIncrement()) continue;
      f.autoIncrementNext += f.autoIncrementStep;
      std::uint8_t next[4];
      bin::putLe32(next, std::uint32_t(f.autoIncrementNext));
      dbf_.store(header_.descriptorOffsets[i] + layout::kAutoIncrementNext, next, 4);
    }
    ++header_.recordCount;
    storeRecordCount();
    step(AppendStep::DeletionFlag);
    std::uint8_t live = ' ';
    dbf_.store(recordAt, &live, 1);
    stampChange();
  }

  // A full disk may have taken part of what was written at `end`: the end marker goes back there.
  void restoreEnd(std::uint64_t end) {
    try {
      dbf_.truncate(end);
      std::uint8_t eof = 0x1A;
      dbf_.writeAt(end, &eof, 1);
    } catch (const Error&) {
    }
  }

  void storeRecordCount() {
    std::uint8_t count[4];
    bin::putLe32(count, header_.recordCount);
    dbf_.store32(layout::kRecordCount, count);
  }

  // Keeps the record just made; a flush when the records kept fill kHeldBytes or the first of
  // them has waited kHeldAge.
  void keep() {
    if (heldCount_ == 0) heldSince_ = coarseMilliseconds();
    held_.insert(held_.end(), record_.begin(), record_.end());
    ++heldCount_;
    if (held_.size() + header_.recordLength > kHeldBytes || coarseMilliseconds() - heldSince_ >= kHeldAgeMilliseconds)
      flush();
  }

  // A clock of a few milliseconds' resolution, cheap enough to read at every append.
  static std::int64_t coarseMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
  }

  void checkOpen() const {
    if (closed_) throw Error(err::WriterClosed, "Table " + quoted(path_) + " is closed.");
  }
  // The header's date of the last update becomes today's with the first change, not before: a
  // table opened for appending where every append failed keeps its bytes.
  void stampChange() {
    if (stamped_) return;
    std::uint8_t today[4] = {};
    stampToday(today);
    dbf_.store(layout::kUpdateDate, today + layout::kUpdateDate, 3);
    stamped_ = true;
  }
  void step(AppendStep s) const {
    if (beforeStep_) beforeStep_(s);
  }
  [[noreturn]] void tooLarge(const std::filesystem::path& file) const {
    throw Error(err::FileTooLarge, "File " + quoted(file) + " would grow past 2 GB; the record was not added.");
  }

  std::filesystem::path path_;
  File dbf_;
  MemoAppender memo_;
  Header header_;
  std::shared_ptr<const CodePage> codePage_;
  RecordEncoder encoder_;
  std::uint32_t blockSize_;
  std::uint32_t nextBlock_;
  std::vector<std::uint8_t> record_;
  std::vector<std::pair<std::size_t, std::uint32_t>> memoStarts_;  // memo field, its first block
  std::function<void(AppendStep)> beforeStep_;
  bool closed_ = false;
  bool stamped_ = false;
  bool autoIncrement_ = false;  // a field takes the header's counters: its records are never held
  bool holding_ = false;
  std::vector<std::uint8_t> held_;  // the records held, one after the other
  std::uint32_t heldCount_ = 0;
  std::int64_t heldSince_ = 0;  // when the first of them was kept (coarseMilliseconds)
};

std::uint32_t firstBlock(std::uint32_t blockSize) {
  return std::uint32_t((layout::kMemoHeaderSize + blockSize - 1) / blockSize);
}

// True when the bytes of `file` from `offset` to `end` are all zero.
bool zeroFrom(const File& file, std::uint64_t offset, std::uint64_t end) {
  std::vector<std::uint8_t> chunk(64 * 1024);
  while (offset < end) {
    std::size_t n = file.readAt(offset, chunk.data(), std::size_t(std::min<std::uint64_t>(chunk.size(), end - offset)));
    if (n == 0) break;
    if (std::any_of(chunk.begin(), chunk.begin() + std::ptrdiff_t(n), [](std::uint8_t b) { return b != 0; }))
      return false;
    offset += n;
  }
  return true;
}

}  // namespace

std::unique_ptr<TableWriter> TableWriter::create(const std::filesystem::path& dbf,
                                                 const std::vector<ColumnSpec>& columns, const CreateOptions& options) {
  validateName(dbf.stem().string(), NameKind::TableFile);
  if (columns.empty()) throw Error(err::InvalidStructure, "A table needs at least one field.");
  std::vector<Field> fields;
  for (const ColumnSpec& c : columns) {
    Field f = fieldFromSpec(c);
    for (const Field& other : fields)
      if (other.name == f.name) throw Error(err::InvalidName, "Field name " + f.name + " is a duplicate.");
    fields.push_back(std::move(f));
  }
  std::uint8_t mark = markFromCodePage(options.codePage);
  if (mark == 0)
    throw Error(err::CodePageUnsupported,
                "Code page " + std::to_string(options.codePage) + " has no Visual FoxPro code page mark.");
  auto cp = fox::codePage(options.codePage);
  if (options.backlink.size() > kBacklinkSize)
    throw Error(err::InvalidPath, "Invalid path or file name: the container path is longer than 263 characters.");
  if (options.memoBlockSize < 1 || options.memoBlockSize > 65535)
    throw Error(err::InvalidStructure, "Invalid memo block size " + std::to_string(options.memoBlockSize) + ".");

  Header header;
  bool memo = std::any_of(fields.begin(), fields.end(), [](const Field& f) { return RecordEncoder::isMemo(f); });
  std::uint8_t flags = std::uint8_t((options.tableFlags & ~0x02) | (memo ? 0x02 : 0));
  std::vector<std::uint8_t> bytes = buildHeader(fields, mark, flags, options.backlink, header.recordLength,
                                                header.nullFlagsOffset, header.nullFlagsLength);
  std::size_t descriptors = fields.size() + (header.nullFlagsOffset >= 0 ? 1 : 0);
  if (descriptors > 255)
    throw Error(err::InvalidStructure, "Too many fields: a table holds at most 255 with _NullFlags.");
  if (header.recordLength > kMaxRecordLength)
    throw Error(err::InvalidStructure, "Record too long: the fields take " + std::to_string(header.recordLength) +
                                           " bytes, more than 65,500.");
  header.version = bytes[layout::kVersion];
  header.headerLength = std::uint16_t(bytes.size());
  header.tableFlags = flags;
  header.codePageMark = mark;
  header.backlink = options.backlink;
  header.fields = fields;
  for (std::size_t i = 0; i < fields.size(); ++i)
    header.descriptorOffsets.push_back(std::uint32_t(layout::descriptorAt(i)));

  // Everything is valid: replace the old files.
  std::filesystem::path folder = dbf.parent_path().empty() ? std::filesystem::path(".") : dbf.parent_path();
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) throw errors::cannotCreateFile(dbf, "the folder does not exist");
  removeTableFiles(dbf);

  File memoFile, table;
  std::uint32_t blockSize = options.memoBlockSize, next = firstBlock(options.memoBlockSize);
  try {
    if (memo) {
      memoFile = File(memoFileName(dbf), File::Mode::CreateNew);
      std::vector<std::uint8_t> m(std::size_t(next) * blockSize, 0);
      bin::putBe32(m.data() + layout::kMemoNextBlock, next);
      bin::putBe16(m.data() + layout::kMemoBlockSize, std::uint16_t(blockSize));
      memoFile.writeAt(0, m.data(), m.size());
    }
    table = File(dbf, File::Mode::CreateNew);
    bytes.push_back(0x1A);
    table.writeAt(0, bytes.data(), bytes.size());
  } catch (const Error&) {
    // A full disk leaves no half-written table behind (the old files are gone already).
    try {
      removeTableFiles(dbf);
    } catch (const Error&) {
    }
    throw;
  }
  return std::make_unique<Writer>(std::move(table), std::move(header), std::move(cp),
                                  memoFile.isOpen() ? MemoAppender(std::move(memoFile)) : MemoAppender(), blockSize,
                                  next);
}

std::unique_ptr<TableWriter> TableWriter::openForAppend(const std::filesystem::path& dbf, int codePageWhenUnmarked) {
  File table(dbf, File::Mode::ReadWrite);
  // The lock before anything is read: a writer that held it until a moment ago may have
  // appended since, and what it left is put right below only by the holder of the lock.
  if (!table.tryLockExclusive()) throw errors::fileInUse(dbf);
  Header header = readHeader(table);
  std::uint64_t size = table.size();
  if (!header.visualFoxPro())
    throw Error(err::NotATable,
                "Not a table: " + quoted(dbf) + " is not a Visual FoxPro table, so records cannot be added to it.");
  for (const Field& f : header.fields)
    if (RecordEncoder::isMemo(f) && f.length != 4)
      throw Error(err::NotATable, "Not a table: " + quoted(dbf) + " has the memo field " + f.name +
                                      " with 10-digit pointers, so records cannot be added to it.");
  auto cp = fox::codePage(tableCodePage(dbf, header.codePageMark, {.codePageWhenUnmarked = codePageWhenUnmarked}));

  File memoFile;
  std::uint32_t blockSize = 64, next = 8;
  if (header.hasMemoFields()) {
    auto memoPath = findMemoFile(dbf);
    if (!memoPath) throw errors::memoFileInvalid(memoFileName(dbf));
    memoFile = File(*memoPath, File::Mode::ReadWrite);
    std::uint8_t head[layout::kMemoHeadSize] = {};
    std::uint64_t memoSize = memoFile.size();
    if (memoFile.readAt(0, head, sizeof head) < sizeof head || memoSize < layout::kMemoHeaderSize ||
        bin::be16(head + layout::kMemoBlockSize) == 0)
      throw errors::memoFileInvalid(*memoPath);
    blockSize = bin::be16(head + layout::kMemoBlockSize);
    std::uint64_t pointer = std::max<std::uint64_t>(bin::be32(head + layout::kMemoNextBlock), firstBlock(blockSize));
    // A writer killed while it had the file grown ahead (MemoAppender) leaves zeros past the
    // next free block: they are cut off, or they would stay in the file for good.
    if (memoSize > pointer * blockSize && zeroFrom(memoFile, pointer * blockSize, memoSize)) {
      memoFile.truncate(pointer * blockSize);
      memoSize = pointer * blockSize;
    }
    // Never below the end of other data in the file: another writer may not have kept the
    // header's counter up.
    std::uint64_t used = (memoSize + blockSize - 1) / blockSize;
    std::uint64_t n = std::max(pointer, used);
    if (n > 0xFFFFFFFFu) throw errors::memoFileInvalid(*memoPath);
    next = std::uint32_t(n);
  }
  // A record a killed append wrote in full and counted, but whose deletion flag it did not get
  // to set, is made live.
  if (header.recordCount > 0) {
    std::uint64_t lastAt = header.headerLength + std::uint64_t(header.recordCount - 1) * header.recordLength;
    std::uint8_t flag = 0;
    if (table.readAt(lastAt, &flag, 1) == 1 && flag == 0x1A) {
      flag = ' ';
      table.writeAt(lastAt, &flag, 1);
    }
  }
  // A record a killed append left past the count is dropped, and the end marker put back. (A
  // table that ends without the marker, as Visual FoxPro leaves some, gets it with the first
  // append.)
  std::uint64_t end = header.headerLength + std::uint64_t(header.recordCount) * header.recordLength;
  std::uint8_t last = 0;
  if (size > end && (size != end + 1 || table.readAt(end, &last, 1) != 1 || last != 0x1A)) {
    table.truncate(end);
    std::uint8_t eof = 0x1A;
    table.writeAt(end, &eof, 1);
  }
  return std::make_unique<Writer>(std::move(table), std::move(header), std::move(cp),
                                  memoFile.isOpen() ? MemoAppender(std::move(memoFile)) : MemoAppender(), blockSize,
                                  next);
}

}  // namespace fox
