#include "Session.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "Cursors.h"
#include "Errors.h"
#include "foxpro-engine/CodePage.h"
#include "foxpro-engine/Names.h"
#include "foxpro-engine/Table.h"
#include "foxpro-engine/container/TableIndex.h"
#include "sql/Values.h"

namespace foxpro {

namespace fs = std::filesystem;

namespace {

// More tables than this open for appending at once, and the least recently used is closed
// (each holds two files open; a transfer of hundreds of tables must not run out of them).
constexpr std::size_t kMaxOpenWriters = 16;

std::string canonicalKey(const fs::path& path) {
  std::error_code ec;
  fs::path canonical = fs::weakly_canonical(path, ec);
  return (ec ? path.lexically_normal() : canonical).string();
}

// Bytes a field takes in the record.
int fieldSize(const fox::ColumnSpec& column) {
  switch (column.type) {
    case 'C':
    case 'V':
    case 'Q':
    case 'N':
    case 'F':
      return column.length;
    case 'L':
      return 1;
    case 'I':
    case 'M':
    case 'G':
    case 'W':
      return 4;
    default:
      return 8;  // B Y D T
  }
}

// FoxPro's limits on a table: 255 fields including the hidden _NullFlags, and records of at
// most 65,500 bytes. Checked before an old table of the same name is replaced.
void checkLimits(const std::vector<fox::ColumnSpec>& columns) {
  int nullBits = 0;
  long recordLength = 1;  // the deletion flag
  for (const auto& column : columns) {
    if (column.type == 'V' || column.type == 'Q') ++nullBits;
    if (column.nullable) ++nullBits;
    recordLength += fieldSize(column);
  }
  const std::size_t descriptors = columns.size() + (nullBits > 0 ? 1 : 0);
  recordLength += (nullBits + 7) / 8;
  if (descriptors > 255 || recordLength > 65500) throw errors::tooLargeStructure();
}

// Every open session of the process (the program runs on one thread).
std::vector<Session*>& liveSessions() {
  static std::vector<Session*> sessions;
  return sessions;
}

// CHR(n) with n >= 128: the character with that code in the table's code page.
sql::CharDecoder decoderFor(int codePage) {
  return [codePage](unsigned char byte, std::string& out) {
    char c = static_cast<char>(byte);
    fox::codePage(codePage)->toUtf8(std::string_view(&c, 1), out);
  };
}

}  // namespace

Session::Session(std::unique_ptr<Catalogue> catalogue, int codePage, bool holdingRows)
    : catalogue_(std::move(catalogue)), codePage_(codePage), holdingRows_(holdingRows) {
  liveSessions().push_back(this);
}

Session::~Session() {
  std::erase(liveSessions(), this);
  for (auto& open : writers_) {
    try {
      open.writer->close();
    } catch (...) {
      // Nothing left to report to: the connection is gone.
    }
  }
}

std::unique_ptr<ado::provider::Cursor> Session::execute(const std::string& text) {
  return errors::translated([&] { return run(text); });
}

void Session::forEachWriter(std::vector<OpenWriter>& writers, void (fox::TableWriter::*work)(),
                            std::exception_ptr first) {
  for (auto& open : writers) {
    try {
      (open.writer.get()->*work)();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

void Session::flushWriters() { forEachWriter(writers_, &fox::TableWriter::flush); }

void Session::flushEverySession() {
  if (deferredFailure_) std::rethrow_exception(std::exchange(deferredFailure_, nullptr));
  for (Session* other : liveSessions()) {
    if (other == this) continue;
    try {
      other->flushWriters();
    } catch (...) {
      if (!other->deferredFailure_) other->deferredFailure_ = std::current_exception();
    }
  }
  flushWriters();
}

std::unique_ptr<ado::provider::Cursor> Session::run(const std::string& text) {
  sql::Statement& statement = statement_;
  sql::parse(text, statement);
  if (auto* insert = std::get_if<sql::Insert>(&statement)) {
    if (deferredFailure_) std::rethrow_exception(std::exchange(deferredFailure_, nullptr));
    this->insert(*insert);
    return nullptr;
  }
  flushEverySession();
  if (auto* select = std::get_if<sql::Select>(&statement)) return this->select(*select);
  if (auto* create = std::get_if<sql::CreateTable>(&statement)) {
    this->create(*create);
    current_ = create->table;
    return nullptr;
  }
  if (auto* use = std::get_if<sql::Use>(&statement)) {
    catalogue_->find(use->table);  // a table that is there (a view is error 1001)
    current_ = use->table;
    return nullptr;
  }
  if (auto* index = std::get_if<sql::IndexOn>(&statement)) {
    this->index(*index);
    return nullptr;
  }
  drop(std::get<sql::DropTable>(statement));
  return nullptr;
}

std::unique_ptr<ado::provider::Cursor> Session::openSchema(ado::SchemaEnum schema,
                                                           const std::vector<ado::Variant>& criteria) {
  return errors::translated([&]() -> std::unique_ptr<ado::provider::Cursor> {
    flushEverySession();
    if (schema == ado::adSchemaIndexes) return indexes(criteria);
    if (schema != ado::adSchemaTables) throw errors::featureNotAvailable("this schema rowset");
    // The standard columns of the TABLES rowset, in their standard order.
    std::vector<ado::provider::FieldInfo> fields;
    for (const char* name : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE", "TABLE_GUID", "DESCRIPTION"})
      fields.push_back({name, ado::adVarWChar, 128, 0, 0, true});
    fields.push_back({"TABLE_PROPID", ado::adUnsignedInt, 4, 10, 0, true});
    fields.push_back({"DATE_CREATED", ado::adDate, 8, 0, 0, true});
    fields.push_back({"DATE_MODIFIED", ado::adDate, 8, 0, 0, true});
    // Beyond the standard: the records marked deleted, which SELECT passes over. Counted only when
    // a fifth restriction "DELETED_ROWS" asks, for the table TABLE_NAME names, since it reads every
    // record's deletion flag.
    fields.push_back({"DELETED_ROWS", ado::adUnsignedInt, 4, 10, 0, true});
    auto restriction = [&](std::size_t column) {
      return column < criteria.size() ? criteria[column].toText() : std::string();
    };
    std::vector<CatalogueEntry> entries;
    ado::Variant deleted;
    if (const std::string name = restriction(2); !name.empty()) {
      if (auto table = catalogue_->lookup(name)) {
        entries.push_back({table->view ? "VIEW" : "TABLE", table->name});
        if (!table->view && restriction(4) == "DELETED_ROWS") deleted = deletedRecords(table->dbf);
      }
    } else {
      entries = catalogue_->tables();
    }
    std::vector<std::vector<ado::Variant>> rows;
    for (auto& entry : entries) {
      if (const std::string type = restriction(3); !type.empty() && type != entry.type) continue;
      std::vector<ado::Variant> row(fields.size());
      row[2] = std::move(entry.name);
      row[3] = std::move(entry.type);
      row[9] = deleted;
      rows.push_back(std::move(row));
    }
    return std::make_unique<RowsCursor>(std::move(fields), std::move(rows));
  });
}

std::unique_ptr<ado::provider::Cursor> Session::indexes(const std::vector<ado::Variant>& criteria) {
  // The standard columns of the INDEXES rowset, then UNIQUE_KEYS: FoxPro's UNIQUE tag, which
  // keeps the first record of each key without refusing duplicates (UNIQUE is a candidate tag,
  // whose keys are unique).
  std::vector<ado::provider::FieldInfo> fields;
  auto add = [&](const char* name, ado::DataTypeEnum type) { fields.push_back({name, type, 0, 0, 0, true}); };
  for (const char* name :
       {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "INDEX_CATALOG", "INDEX_SCHEMA", "INDEX_NAME"})
    add(name, ado::adVarWChar);
  for (const char* name : {"PRIMARY_KEY", "UNIQUE", "CLUSTERED"}) add(name, ado::adBoolean);
  add("TYPE", ado::adUnsignedSmallInt);
  for (const char* name : {"FILL_FACTOR", "INITIAL_SIZE", "NULLS"}) add(name, ado::adInteger);
  for (const char* name : {"SORT_BOOKMARKS", "AUTO_UPDATE"}) add(name, ado::adBoolean);
  add("NULL_COLLATION", ado::adInteger);
  add("ORDINAL_POSITION", ado::adUnsignedInt);
  add("COLUMN_NAME", ado::adVarWChar);
  add("COLUMN_GUID", ado::adVarWChar);
  add("COLUMN_PROPID", ado::adUnsignedInt);
  add("COLLATION", ado::adSmallInt);
  for (const char* name : {"CARDINALITY", "PAGES"}) add(name, ado::adUnsignedInt);
  add("FILTER_CONDITION", ado::adVarWChar);
  add("INTEGRATED", ado::adBoolean);
  add("UNIQUE_KEYS", ado::adBoolean);
  // Restrictions: TABLE_CATALOG, TABLE_SCHEMA, INDEX_NAME, TYPE, TABLE_NAME.
  auto restriction = [&](std::size_t column) {
    return column < criteria.size() ? criteria[column].toText() : std::string();
  };
  std::vector<TableLocation> tables;
  if (const std::string name = restriction(4); !name.empty()) {
    tables.push_back(catalogue_->find(name));
  } else {
    for (const CatalogueEntry& entry : catalogue_->tables())
      if (entry.type == "TABLE") tables.push_back(catalogue_->find(entry.name));
  }
  std::vector<std::vector<ado::Variant>> rows;
  for (const TableLocation& table : tables) {
    if (table.view) continue;
    release(table.dbf);  // rows this connection appended are in the file
    const std::string primaryKey = catalogue_->primaryKey(table);
    for (const fox::cdx::TagInfo& tag : fox::cdx::structuralTags(table.dbf)) {
      if (const std::string only = restriction(2); !only.empty() && !fox::sameName(only, tag.name)) continue;
      std::vector<ado::Variant> row(fields.size());
      auto set = [&](std::string_view column, ado::Variant value) {
        for (std::size_t i = 0; i < fields.size(); ++i)
          if (fields[i].name == column) row[i] = std::move(value);
      };
      set("TABLE_NAME", table.name);
      set("INDEX_NAME", tag.name);
      set("PRIMARY_KEY", !primaryKey.empty() && fox::sameName(primaryKey, tag.name));
      set("UNIQUE", (tag.options & fox::cdx::kOptionCandidate) != 0);
      set("CLUSTERED", false);
      set("TYPE", 1);                                                           // DBPROPVAL_IT_BTREE
      set("NULLS", (tag.options & fox::cdx::kOptionNullableKey) != 0 ? 1 : 2);  // DBPROPVAL_IN_ALLOWNULL, DISALLOWNULL
      set("ORDINAL_POSITION", 1u);
      set("COLUMN_NAME", tag.keyExpression);
      set("COLLATION", tag.descending ? 2 : 1);  // DB_COLLATION_DESC, DB_COLLATION_ASC
      if (!tag.forExpression.empty()) set("FILTER_CONDITION", tag.forExpression);
      set("UNIQUE_KEYS", (tag.options & fox::cdx::kOptionUnique) != 0);
      rows.push_back(std::move(row));
    }
  }
  return std::make_unique<RowsCursor>(std::move(fields), std::move(rows));
}

ado::Variant Session::property(const std::string& name) const {
  return fox::sameName(name, "Code Page") ? ado::Variant(codePage_) : ado::Variant();
}

void Session::close() {
  errors::translated([&] {
    forgetLastInsert();
    auto writers = std::move(writers_);
    writers_.clear();
    forEachWriter(writers, &fox::TableWriter::close, std::exchange(deferredFailure_, nullptr));
  });
}

void Session::create(const sql::CreateTable& statement) {
  fs::path path = catalogue_->fileFor(statement.table);
  std::error_code ec;
  if (!fs::is_directory(path.parent_path(), ec)) throw errors::invalidPath();
  checkLimits(statement.columns);
  // The memo and index of "orders.txt" are orders.fpt and orders.cdx: those of the table
  // orders.dbf beside it, which would lose them.
  if (!isDbfFile(path))
    if (auto table = findTableFile(path.parent_path(), path.stem().string()))
      throw fox::Error(errors::kInvalidPath, "Invalid path or file name: the memo and index files of '" +
                                                 path.filename().string() + "' would replace those of the table '" +
                                                 table->filename().string() + "'.");
  if (auto old = findFileAt(path)) {
    release(*old);
    // A table another connection or program is writing is not replaced under it.
    if (inUse(*old)) throw errors::fileInUse(old->filename().string());
  }
  forgetLastInsert();
  NewTable table{path, statement.columns, {}, statement.free};
  table.options.codePage = codePage_;
  auto writer = catalogue_->create(table);
  std::string key = canonicalKey(writer->path());
  OpenWriter& open = keep(std::move(key), std::move(writer));
  for (const auto& column : statement.columns) open.columnNames.push_back(column.name);
}

void Session::drop(const sql::DropTable& statement) {
  TableLocation table = catalogue_->find(statement.table);
  release(table.dbf);
  catalogue_->drop(table);
}

std::uint32_t Session::deletedRecords(const fs::path& dbf) {
  release(dbf);  // rows this connection appended are in the file
  fox::ReadOptions options;
  options.codePageWhenUnmarked = codePage_;
  const std::unique_ptr<fox::Table> table = fox::Table::open(dbf, options);
  std::uint32_t count = 0;
  for (std::uint32_t i = 0; i < table->recordCount(); ++i)
    if (table->deleted(i)) ++count;
  return count;
}

std::unique_ptr<ado::provider::Cursor> Session::select(const sql::Select& statement) {
  TableLocation table = catalogue_->find(statement.table);
  // A table without a .cpg file or a code page mark is read in the code page new tables get.
  fox::ReadOptions options;
  options.codePageWhenUnmarked = codePage_;
  return std::make_unique<TableCursor>(fox::Table::open(table.dbf, options), table.columnNames);
}

void Session::index(const sql::IndexOn& statement) {
  if (statement.table.empty() && current_.empty()) throw errors::noTableInUse();
  TableLocation table = catalogue_->find(statement.table.empty() ? current_ : statement.table);
  if (statement.primaryKey) {
    if (!table.member) throw errors::featureNotAvailable("a primary key for a free table");
    // A primary key the container names but the index lacks (a run stopped between recording it
    // and putting the new index in place) is taken over, not held against the table.
    const std::string old = catalogue_->primaryKey(table);
    const auto tags = old.empty() ? std::vector<fox::cdx::TagInfo>{} : fox::cdx::structuralTags(table.dbf);
    if (std::any_of(tags.begin(), tags.end(), [&](const auto& tag) { return fox::sameName(tag.name, old); }))
      throw errors::featureNotAvailable("a second primary key (the table has " + old + ")");
  }
  // The rows this connection appended are in the file once its writer is closed.
  release(table.dbf);
  if (inUse(table.dbf)) throw errors::fileInUse(table.dbf.filename().string());
  // The catalogue records the tags while the new index waits beside the old one: a container that
  // refuses the change leaves the table's index as it was.
  fox::cdx::addTag(table.dbf,
                   {statement.tag, statement.expression, statement.candidate, statement.unique, statement.descending},
                   table.columnNames, codePage_, [&](const std::vector<fox::cdx::TagInfo>& tags) {
                     catalogue_->recordIndexes(table, tags, statement.primaryKey ? statement.tag : std::string());
                   });
}

void Session::insert(const sql::Insert& statement) {
  fox::TableWriter& writer = writerFor(statement.table);
  const std::size_t fieldCount = writer.fields().size();
  if (statement.valueCount() < fieldCount) throw errors::tooFewArguments();
  if (statement.valueCount() > fieldCount) throw errors::tooManyArguments();
  sql::evaluate(statement, decoderFor(writer.codePage()), values_);
  struct Release {
    std::vector<fox::Value>& values;
    ~Release() { sql::releaseLargeValues(values); }
  } release{values_};
  try {
    writer.append(values_);
  } catch (const fox::Error& e) {
    if (e.number() != fox::err::CodePageCannotHold) throw;
    // Name the table and the row as well as the field, so the user can find the text.
    throw fox::Error(e.number(), "Cannot store row " + std::to_string(writer.recordCount() + 1) + " of table '" +
                                     writer.path().filename().string() + "'. " + withColumnName(writer, e.what()));
  }
}

std::string Session::withColumnName(const fox::TableWriter& writer, std::string detail) const {
  const std::string field = "Field ";
  const std::size_t colon = detail.find(':');
  if (detail.rfind(field, 0) != 0 || colon == std::string::npos) return detail;
  const std::string stored = detail.substr(field.size(), colon - field.size());
  auto open =
      std::find_if(writers_.begin(), writers_.end(), [&](const OpenWriter& w) { return w.writer.get() == &writer; });
  if (open == writers_.end()) return detail;
  const auto& fields = writer.fields();
  for (std::size_t i = 0; i < fields.size() && i < open->columnNames.size(); ++i)
    if (fields[i].name == stored) return field + open->columnNames[i] + detail.substr(colon);
  return detail;
}

fox::TableWriter& Session::writerFor(const std::string& table) {
  if (lastInsertWriter_ && table == lastInsertTable_) return *lastInsertWriter_;
  TableLocation location = catalogue_->find(table);
  std::string key = canonicalKey(location.dbf);
  auto found = std::find_if(writers_.begin(), writers_.end(), [&](const OpenWriter& w) { return w.key == key; });
  OpenWriter* open = nullptr;
  if (found != writers_.end()) {
    open = &*found;
  } else {
    // Rows added without their index entries would leave the index lying about the table.
    if (indexFile(location.dbf))
      throw errors::featureNotAvailable("adding rows to a table that has an index file (.cdx)");
    open = &keep(std::move(key), fox::TableWriter::openForAppend(location.dbf, codePage_));
    open->columnNames = std::move(location.columnNames);
  }
  open->lastUse = ++useCounter_;
  lastInsertTable_ = table;
  lastInsertWriter_ = open->writer.get();
  return *open->writer;
}

Session::OpenWriter& Session::keep(std::string key, std::unique_ptr<fox::TableWriter> writer) {
  if (writers_.size() >= kMaxOpenWriters) {
    auto oldest = std::min_element(writers_.begin(), writers_.end(),
                                   [](const OpenWriter& a, const OpenWriter& b) { return a.lastUse < b.lastUse; });
    if (oldest->writer.get() == lastInsertWriter_) forgetLastInsert();
    auto evicted = std::move(oldest->writer);
    writers_.erase(oldest);
    evicted->close();
  }
  writer->hold(holdingRows_);
  writers_.push_back({std::move(key), std::move(writer), ++useCounter_, {}});
  return writers_.back();
}

void Session::release(const fs::path& dbf) {
  forgetLastInsert();
  std::string key = canonicalKey(dbf);
  auto found = std::find_if(writers_.begin(), writers_.end(), [&](const OpenWriter& w) { return w.key == key; });
  if (found == writers_.end()) return;
  auto writer = std::move(found->writer);
  writers_.erase(found);
  writer->close();
}

void Session::forgetLastInsert() {
  lastInsertTable_.clear();
  lastInsertWriter_ = nullptr;
}

}  // namespace foxpro
