#include "ContainerWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <system_error>

#include "Bytes.h"
#include "CompoundIndex.h"
#include "Container.h"
#include "ContainerIndex.h"
#include "ContainerLock.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/Files.h"
#include "foxpro-engine/Names.h"

namespace fox::dbc {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMemoHeader = 512;
constexpr char kEndOfFile = 0x1A;

[[noreturn]] void ioError(int number, const std::string& what, const fs::path& file) {
  throw Error(number, what + " '" + file.filename().string() + "'.");
}

std::string readWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) ioError(fox::err::ReadError, "Error reading file", file);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) ioError(fox::err::ReadError, "Error reading file", file);
  return data;
}

// A file descriptor that closes itself.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

void writeFully(int fd, const std::string& data, std::uint64_t at, const fs::path& file) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(at + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ioError(fox::err::WriteError, "Error writing to file", file);
    done += static_cast<std::size_t>(n);
  }
}

void syncFolder(const fs::path& folder) {
  Fd dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (dir.fd >= 0) ::fsync(dir.fd);
}

// A file written beside its target and renamed over it when the change commits; removed when
// the change fails first.
class PendingFile {
 public:
  PendingFile(const fs::path& target, const std::string& data, mode_t mode) : target_(target) {
    std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".tavrel-XXXXXX")).string();
    Fd fd{::mkstemp(pattern.data())};
    if (fd.fd < 0) ioError(errno == EACCES || errno == EROFS ? fox::err::AccessDenied : fox::err::CannotCreateFile,
                           "Cannot create file", target);
    temp_ = pattern;
    ::fchmod(fd.fd, mode);
    writeFully(fd.fd, data, 0, target);
    if (::fsync(fd.fd) != 0) ioError(fox::err::WriteError, "Error writing to file", target);
  }
  ~PendingFile() {
    if (!temp_.empty()) ::unlink(temp_.c_str());
  }
  void commit() {
    if (::rename(temp_.c_str(), target_.c_str()) != 0) ioError(fox::err::WriteError, "Error writing to file", target_);
    temp_.clear();
  }

 private:
  fs::path target_;
  std::string temp_;
};

mode_t modeOf(const fs::path& file, mode_t fallback) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 ? (st.st_mode & 07777) : fallback;
}

// The .dct as a change sees it: append-only, with the old length and header kept for undoing.
class MemoAppender {
 public:
  explicit MemoAppender(const fs::path& dbc) {
    auto found = findMemoFile(dbc);
    if (!found) throw Error(fox::err::MemoFileInvalid, "Memo file '" + dbc.stem().string() + ".dct' is missing or is invalid.");
    path_ = *found;
    std::string head(8, '\0');
    std::ifstream in(path_, std::ios::binary);
    if (!in.read(head.data(), 8)) head.clear();
    if (head.size() < 8) throw Error(fox::err::MemoFileInvalid, "Memo file '" + path_.filename().string() + "' is missing or is invalid.");
    oldHeader_ = head.substr(0, 8);
    blockSize_ = static_cast<std::uint16_t>(static_cast<unsigned char>(head[6]) << 8 | static_cast<unsigned char>(head[7]));
    if (blockSize_ == 0) throw Error(fox::err::MemoFileInvalid, "Memo file '" + path_.filename().string() + "' is missing or is invalid.");
    std::error_code ec;
    oldSize_ = fs::file_size(path_, ec);
    // Never below what the file holds: a too small next-free would overwrite live memos.
    std::uint64_t used = std::max<std::uint64_t>(oldSize_, kMemoHeader);
    next_ = std::max<std::uint64_t>(bytes::be32(head, 0), (used + blockSize_ - 1) / blockSize_);
  }

  // Queues a memo and returns the block it will start at.
  std::uint32_t add(const std::string& data) {
    if (next_ > 0xFFFFFFFFull) throw Error(fox::err::FileTooLarge, "Memo file '" + path_.filename().string() + "' is full.");
    auto block = static_cast<std::uint32_t>(next_);
    std::string run = bytes::be32Text(1) + bytes::be32Text(static_cast<std::uint32_t>(data.size())) + data;
    run.resize((run.size() + blockSize_ - 1) / blockSize_ * blockSize_, '\0');
    pending_ += run;
    next_ += run.size() / blockSize_;
    return block;
  }

  // Writes the queued memos, then the header's next-free block.
  void write() {
    if (pending_.empty()) return;
    fd_.fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_.fd < 0) ioError(fox::err::AccessDenied, "File access is denied:", path_);
    written_ = true;
    std::uint64_t start = next_ * blockSize_ - pending_.size();
    if (start + pending_.size() > kMaxFileSize) throw Error(fox::err::FileTooLarge, "Memo file '" + path_.filename().string() + "' is full.");
    writeFully(fd_.fd, pending_, start, path_);
    writeFully(fd_.fd, bytes::be32Text(static_cast<std::uint32_t>(next_)), 0, path_);
    if (::fsync(fd_.fd) != 0) ioError(fox::err::WriteError, "Error writing to file", path_);
  }

  // Puts the file back as it was (the change failed before it committed).
  void undo() noexcept {
    if (!written_ || fd_.fd < 0) return;
    if (::pwrite(fd_.fd, oldHeader_.data(), oldHeader_.size(), 0) < 0) return;
    if (::ftruncate(fd_.fd, static_cast<off_t>(oldSize_)) != 0) return;
    ::fsync(fd_.fd);
  }

 private:
  fs::path path_;
  std::string oldHeader_;
  std::uint16_t blockSize_ = 64;
  std::uint64_t oldSize_ = 0;
  std::uint64_t next_ = 0;
  std::string pending_;
  Fd fd_;
  bool written_ = false;
};

// One change to a container: read under the lock, new records and deletion marks collected,
// then written in the order ContainerWriter.h gives.
class Change {
 public:
  Change(const fs::path& dbc, const ChangeOptions& options)
      : options_(options), lock_(dbc, options.lockWait), container_(Container::open(dbc)), dbcBytes_(readWhole(dbc)) {
    headerLength_ = bytes::le16(dbcBytes_, 8);
    recordLength_ = bytes::le16(dbcBytes_, 10);
    count_ = bytes::le32(dbcBytes_, 4);
    if (recordLength_ < container_->columnOffset(7) + 4u ||
        dbcBytes_.size() < headerLength_ + std::uint64_t{count_} * recordLength_ || count_ != container_->objects().size())
      throw Error(fox::err::TableCorrupted, "Table '" + dbc.filename().string() + "' has become corrupted.");
  }

  const Container& container() const { return *container_; }
  MemoAppender& memo() {
    if (!memo_) memo_.emplace(container_->path());
    return *memo_;
  }
  void step(Step s) const {
    if (options_.beforeStep) options_.beforeStep(s);
  }

  // Appends a record; returns its record number, which is also its object id.
  std::uint32_t append(std::int32_t parentId, const std::string& type, const std::string& name, std::uint32_t propertyBlock) {
    auto id = static_cast<std::uint32_t>(count_ + added_.size() + 1);
    std::string r(recordLength_, ' ');
    auto put = [&](std::size_t column, const std::string& value, std::size_t width) {
      std::string v = value.substr(0, width);
      v.resize(width, ' ');
      r.replace(container_->columnOffset(column), width, v);
    };
    put(0, bytes::le32Text(id), 4);
    put(1, bytes::le32Text(static_cast<std::uint32_t>(parentId)), 4);
    put(2, type, 10);
    put(3, name, 128);
    put(4, bytes::le32Text(propertyBlock), 4);
    put(5, bytes::le32Text(0), 4);
    put(7, bytes::le32Text(0), 4);
    added_.push_back(r);
    indexed_.push_back({id, false, parentId, type, name});
    return id;
  }

  void markDeleted(std::uint32_t record) { deleted_.insert(record); }
  // True once the new .dbc is in place: the change has happened, whatever fails after it.
  bool committed() const { return committed_; }

  // Steps 3 to 6. Undoes the .dct when anything fails before the .dbc is replaced.
  void commit() {
    try {
      step(Step::AppendMemo);
      if (memo_) memo_->write();
      step(Step::WriteFiles);
      std::string dbc = newCatalogue();
      std::string dcx = newIndex();
      fs::path dcxPath = indexFileOf(container_->path());
      PendingFile pendingDbc(container_->path(), dbc, modeOf(container_->path(), 0644));
      PendingFile pendingDcx(dcxPath, dcx, modeOf(dcxPath, modeOf(container_->path(), 0644)));
      step(Step::Commit);
      pendingDbc.commit();
      committed_ = true;
      pendingDcx.commit();
      syncFolder(container_->folder());
    } catch (...) {
      if (!committed_ && memo_) memo_->undo();
      throw;
    }
  }

 private:
  std::string newCatalogue() const {
    std::string out = dbcBytes_.substr(0, headerLength_ + std::size_t{count_} * recordLength_);
    for (std::uint32_t record : deleted_) out[headerLength_ + std::size_t{record - 1} * recordLength_] = '*';
    for (const std::string& r : added_) out += r;
    out += kEndOfFile;
    bytes::putLe32(out, 4, static_cast<std::uint32_t>(count_ + added_.size()));
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    out[1] = static_cast<char>(local.tm_year % 100);
    out[2] = static_cast<char>(local.tm_mon + 1);
    out[3] = static_cast<char>(local.tm_mday);
    return out;
  }

  std::string newIndex() const {
    std::vector<IndexRecord> records;
    for (const Object& o : container_->objects())
      records.push_back({o.record, o.deleted || deleted_.count(o.record) > 0, o.parentId, o.storedType, o.storedName});
    records.insert(records.end(), indexed_.begin(), indexed_.end());
    // Keep the old index's expression texts and move its update counter on, when it can be read.
    std::optional<cdx::CompoundIndex> previous;
    try {
      fs::path old = indexFileOf(container_->path());
      std::error_code ec;
      if (fs::is_regular_file(old, ec)) previous = cdx::readFile(old);
    } catch (const Error&) {
    }
    auto tags = containerIndexTags(records, container_->codePage(), previous ? &*previous : nullptr);
    return cdx::build(tags, previous ? previous->updateCounter + 1 : 0);
  }

  const ChangeOptions& options_;
  ContainerLock lock_;
  std::unique_ptr<Container> container_;
  std::string dbcBytes_;
  std::uint16_t headerLength_ = 0, recordLength_ = 0;
  std::uint32_t count_ = 0;
  std::optional<MemoAppender> memo_;
  std::vector<std::string> added_;
  std::vector<IndexRecord> indexed_;
  std::set<std::uint32_t> deleted_;
  bool committed_ = false;
};

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

// Deletes a member's own files: the table, its memo, its structural index and its .cpg as the engine finds
// them. A file whose name differs from them only in case (possible on this file system) belongs
// to another table and stays.
void removeMemberFiles(const fs::path& dbf) {
  std::vector<fs::path> files{dbf};
  if (auto memo = findMemoFile(dbf)) files.push_back(*memo);
  if (auto index = findFileNoCase(dbf.parent_path(), indexFileName(dbf).filename().string())) files.push_back(*index);
  if (auto cpg = findFileNoCase(dbf.parent_path(), codePageFileName(dbf).filename().string())) files.push_back(*cpg);
  for (const fs::path& file : files) {
    std::error_code ec;
    if (!fs::remove(file, ec) && ec) ioError(fox::err::AccessDenied, "File access is denied:", file);
  }
}

void checkWritableFolder(const fs::path& folder) {
  if (::access(folder.c_str(), W_OK) != 0)
    throw Error(fox::err::AccessDenied, "File access is denied: '" + folder.string() + "'.");
}

}  // namespace

fs::path indexFileOf(const fs::path& dbc) {
  fs::path wanted = indexFileName(dbc);
  auto found = findFileNoCase(dbc.parent_path(), wanted.filename().string());
  return found ? *found : wanted;
}

std::string storedRelativePath(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::path relative = fs::weakly_canonical(to, ec).lexically_relative(fs::weakly_canonical(from, ec));
  std::string text = relative.empty() ? to.filename().string() : relative.string();
  for (char& c : text)
    if (c == '/') c = '\\';
  return text;
}

std::string tableNameForFile(const fs::path& dbf) {
  std::string name = lower(dbf.stem().string());
  for (char& c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) c = '_';
  }
  validateName(name, NameKind::LongTableName);
  return name;
}

std::string addTable(const fs::path& dbc, const NewTable& table, const ChangeOptions& options) {
  Change change(dbc, options);
  const Container& c = change.container();
  std::string name = tableNameForFile(table.dbf);
  if (c.findObject(name, "Table") || c.findObject(name, "View"))
    throw Error(err::NameInUse, "Table '" + name + "' already exists in database '" + dbc.filename().string() + "'.");
  if (c.tableAt(table.dbf))
    throw Error(err::NameInUse, "File '" + table.dbf.filename().string() + "' is a table of database '" +
                                    dbc.filename().string() + "' already.");

  std::vector<std::string> longNames;
  for (const ColumnSpec& col : table.columns) {
    validateName(col.name, NameKind::LongField);
    for (const std::string& earlier : longNames)
      if (sameName(earlier, col.name))
        throw Error(fox::err::InvalidName, "Field name '" + col.name + "' is a duplicate.");
    longNames.push_back(lower(col.name));
  }
  std::vector<std::string> shortNames = shortFieldNames(longNames);
  std::vector<ColumnSpec> columns = table.columns;
  for (std::size_t i = 0; i < columns.size(); ++i) columns[i].name = shortNames[i];
  CreateOptions createOptions = table.options;
  createOptions.backlink = storedRelativePath(table.dbf.parent_path(), dbc);
  createOptions.tableFlags = 0;

  PropertyList properties;
  properties.addByte(property::SubType, property::SubTypeTable);
  properties.addText(property::Path, storedRelativePath(dbc.parent_path(), table.dbf));
  change.step(Step::CreateTable);

  // From here on a failure removes the table file again (the writer checks its columns before it
  // writes anything, so a refused table leaves an old file of that name alone).
  auto writer = TableWriter::create(table.dbf, columns, createOptions);
  writer->close();
  try {
    std::uint32_t tableId = change.append(1, "Table", name, change.memo().add(properties.encode()));
    for (const std::string& longName : longNames) change.append(static_cast<std::int32_t>(tableId), "Field", longName, 0);
    change.commit();
  } catch (...) {
    if (!change.committed()) {
      try {
        removeMemberFiles(table.dbf);
      } catch (...) {
      }
    }
    throw;
  }
  return name;
}

void dropTable(const fs::path& dbc, std::string_view name, const ChangeOptions& options) {
  Change change(dbc, options);
  const Container& c = change.container();
  MemberTable member = c.table(name);
  if (member.exists) {
    c.checkBacklink(member);
    checkWritableFolder(member.dbf.parent_path());
  }
  change.markDeleted(member.object->record);
  for (const Object* child : c.children(*member.object)) change.markDeleted(child->record);
  // Relations stored under other tables that name this one as their parent go too: they could
  // only point at nothing.
  for (const Object& o : c.objects())
    if (!o.deleted && sameText(o.type, "Relation") &&
        sameText(o.properties.text(property::ParentTable).value_or(""), member.object->name))
      change.markDeleted(o.record);
  change.commit();
  if (member.exists) removeMemberFiles(member.dbf);
}

void rebuildIndex(const fs::path& dbc, const ChangeOptions& options) {
  Change change(dbc, options);
  change.commit();
}

}  // namespace fox::dbc
