#include "ContainerWriter.h"

#include <unistd.h>

#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <system_error>

#include "Bytes.h"
#include "CompoundIndex.h"
#include "Container.h"
#include "ContainerIndex.h"
#include "ContainerLock.h"
#include "foxpro-engine/Binary.h"
#include "foxpro-engine/Errors.h"
#include "foxpro-engine/File.h"
#include "foxpro-engine/Files.h"
#include "foxpro-engine/MemoLayout.h"
#include "foxpro-engine/Names.h"
#include "foxpro-engine/TableLayout.h"

namespace fox::dbc {

namespace fs = std::filesystem;

namespace {

constexpr char kEndOfFile = 0x1A;

// The .dct as a change sees it: append-only, with the old length and header kept for undoing.
class MemoAppender {
 public:
  explicit MemoAppender(const fs::path& dbc) {
    auto found = findMemoFile(dbc);
    if (!found) throw errors::memoFileInvalid(dbc.stem().string() + ".dct");
    path_ = *found;
    std::uint8_t head[layout::kMemoHeadSize] = {};
    {
      File file(path_, File::Mode::Read);
      if (file.readAt(0, head, sizeof head) < sizeof head) throw errors::memoFileInvalid(path_);
      oldSize_ = file.size();
    }
    oldHeader_.assign(reinterpret_cast<const char*>(head), sizeof head);
    blockSize_ = bin::be16(head + layout::kMemoBlockSize);
    if (blockSize_ == 0) throw errors::memoFileInvalid(path_);
    // Never below what the file holds: a too small next-free would overwrite live memos.
    std::uint64_t used = std::max<std::uint64_t>(oldSize_, layout::kMemoHeaderSize);
    next_ = std::max<std::uint64_t>(bin::be32(head + layout::kMemoNextBlock), (used + blockSize_ - 1) / blockSize_);
  }

  // Queues a memo and returns the block it will start at.
  std::uint32_t add(const std::string& data) {
    if (next_ > 0xFFFFFFFFull)
      throw Error(fox::err::FileTooLarge, "Memo file '" + path_.filename().string() + "' is full.");
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
    file_ = File(path_, File::Mode::ReadWrite);
    std::uint64_t start = next_ * blockSize_ - pending_.size();
    if (start + pending_.size() > kMaxFileSize)
      throw Error(fox::err::FileTooLarge, "Memo file '" + path_.filename().string() + "' is full.");
    file_.writeAt(start, pending_.data(), pending_.size());
    std::string next = bytes::be32Text(static_cast<std::uint32_t>(next_));
    file_.writeAt(layout::kMemoNextBlock, next.data(), next.size());
    file_.sync();
  }

  // Puts the file back as it was (the change failed before it committed).
  void undo() noexcept {
    if (!file_.isOpen()) return;
    try {
      file_.writeAt(0, oldHeader_.data(), oldHeader_.size());
      file_.truncate(oldSize_);
      file_.sync();
    } catch (const Error&) {
    }
  }

 private:
  fs::path path_;
  std::string oldHeader_;
  std::uint16_t blockSize_ = 64;
  std::uint64_t oldSize_ = 0;
  std::uint64_t next_ = 0;
  std::string pending_;
  File file_;
};

// One change to a container: read under the lock, new records and deletion marks collected,
// then written in the order ContainerWriter.h gives.
class Change {
  static void write(const File& file, const std::string& data) {
    file.writeAt(0, data.data(), data.size());
    file.sync();
  }

 public:
  Change(const fs::path& dbc, const ChangeOptions& options)
      : options_(options),
        lock_(dbc, options.lockWait),
        container_(Container::open(dbc)),
        dbcBytes_(File(dbc, File::Mode::Read).readAll()) {
    headerLength_ = bytes::le16(dbcBytes_, layout::kHeaderLength);
    recordLength_ = bytes::le16(dbcBytes_, layout::kRecordLength);
    count_ = bytes::le32(dbcBytes_, layout::kRecordCount);
    if (recordLength_ < container_->columnOffset(7) + 4u ||
        dbcBytes_.size() < headerLength_ + std::uint64_t{count_} * recordLength_ ||
        count_ != container_->objects().size())
      throw errors::tableCorrupted(dbc);
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
  std::uint32_t append(std::int32_t parentId, const std::string& type, const std::string& name,
                       std::uint32_t propertyBlock) {
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
  // Points an existing record at a new PROPERTY memo (the old one stays, unreferenced).
  void setProperties(std::uint32_t record, std::uint32_t propertyBlock) { properties_[record] = propertyBlock; }
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
      unsigned permissions = permissionsOf(container_->path(), 0644);
      ReplacementFile newDbc(container_->path(), permissions);
      write(newDbc.file(), dbc);
      ReplacementFile newDcx(dcxPath, permissionsOf(dcxPath, permissions));
      write(newDcx.file(), dcx);
      step(Step::Commit);
      newDbc.commit();
      committed_ = true;
      newDcx.commit();
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
    for (auto [record, block] : properties_)
      out.replace(headerLength_ + std::size_t{record - 1} * recordLength_ + container_->columnOffset(4), 4,
                  bytes::le32Text(block));
    for (const std::string& r : added_) out += r;
    out += kEndOfFile;
    bytes::putLe32(out, layout::kRecordCount, static_cast<std::uint32_t>(count_ + added_.size()));
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    out[layout::kUpdateDate] = static_cast<char>(local.tm_year % 100);
    out[layout::kUpdateDate + 1] = static_cast<char>(local.tm_mon + 1);
    out[layout::kUpdateDate + 2] = static_cast<char>(local.tm_mday);
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
  std::map<std::uint32_t, std::uint32_t> properties_;
  bool committed_ = false;
};

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
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
  std::string name = table.name.empty() ? tableNameForFile(table.dbf) : table.name;
  validateName(name, NameKind::LongTableName);
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
    for (const std::string& longName : longNames)
      change.append(static_cast<std::int32_t>(tableId), "Field", longName, 0);
    change.commit();
  } catch (...) {
    if (!change.committed()) {
      try {
        removeTableFiles(table.dbf);
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
    if (!o.deleted && sameName(o.type, "Relation") &&
        sameName(o.properties.text(property::ParentTable).value_or(""), member.object->name))
      change.markDeleted(o.record);
  change.commit();
  if (member.exists) removeTableFiles(member.dbf);
}

void recordIndexes(const fs::path& dbc, std::string_view table, const std::vector<IndexEntry>& tags,
                   const std::string& primaryKey, const ChangeOptions& options) {
  Change change(dbc, options);
  const Container& c = change.container();
  MemberTable member = c.table(table);
  for (const Object* index : c.children(*member.object, "Index")) change.markDeleted(index->record);
  auto parent = static_cast<std::int32_t>(member.object->id);
  for (const IndexEntry& tag : tags) {
    PropertyList properties;
    properties.addByte(property::IsUnique, tag.candidate ? 1 : 0);
    change.append(parent, "Index", lower(tag.name), change.memo().add(properties.encode()));
  }
  if (!primaryKey.empty()) {
    PropertyList properties;
    for (const Property& p : member.object->properties.items())
      if (p.id != property::PrimaryKey) properties.addRaw(p);
    properties.addText(property::PrimaryKey, lower(primaryKey));
    change.setProperties(member.object->record, change.memo().add(properties.encode()));
  }
  change.commit();
}

void rebuildIndex(const fs::path& dbc, const ChangeOptions& options) {
  Change change(dbc, options);
  change.commit();
}

}  // namespace fox::dbc
