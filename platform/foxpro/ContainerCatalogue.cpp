// The catalogue of a database container (.dbc): tables and views as the container lists them,
// tables found by their long names through their stored paths, long field names by position,
// and CREATE/DROP as whole changes of the container (foxpro-engine/container).
#include <algorithm>
#include <system_error>

#include "Catalogue.h"
#include "Errors.h"
#include "foxpro-engine/Names.h"
#include "foxpro-engine/container/Container.h"
#include "foxpro-engine/container/ContainerWriter.h"

namespace foxpro {

namespace {

namespace fs = std::filesystem;
using fox::dbc::Container;
using fox::dbc::MemberTable;

class ContainerCatalogue : public Catalogue {
 public:
  explicit ContainerCatalogue(fs::path dbc) : dbc_(std::move(dbc)), folder_(dbc_.parent_path()) {
    Container::open(dbc_);  // a file that is not a container fails here, when the connection opens
  }

  const fs::path& folder() const override { return folder_; }

  std::vector<CatalogueEntry> tables() override {
    std::vector<CatalogueEntry> rows;
    auto container = Container::open(dbc_);
    for (const fox::dbc::Object* o : container->tablesAndViews())
      rows.push_back({fox::sameName(o->type, "View") ? "VIEW" : "TABLE", o->name});
    return rows;
  }

  std::optional<TableLocation> lookup(std::string_view text) override {
    auto container = Container::open(dbc_);
    const std::vector<const fox::dbc::Object*> objects = container->tablesAndViews();
    auto named = std::find_if(objects.begin(), objects.end(), [&](const auto* o) { return o->name == text; });
    if (named == objects.end())
      named = std::find_if(objects.begin(), objects.end(), [&](const auto* o) { return fox::sameName(o->name, text); });
    if (named != objects.end() && fox::sameName((*named)->type, "View"))
      return TableLocation{(*named)->name, {}, {}, true};
    if (named != objects.end()) return location(*container, container->table(**named));
    // The file the name gives (the table "my table" of the file "my table.dbf" is called
    // my_table in the container).
    fs::path path = tableFileFor(folder_, text);
    if (auto member = container->tableAt(path)) return location(*container, *member);
    // A file that is not in the container: read or filled like a free table, as FoxPro does.
    if (auto file = findFileAt(path)) return TableLocation{file->stem().string(), *file, {}};
    return std::nullopt;
  }

  std::unique_ptr<fox::TableWriter> create(const NewTable& table) override {
    auto container = Container::open(dbc_);
    auto old = container->tableAt(table.dbf);
    if (table.free) {
      // A free table over a member's file would leave the container pointing at a table that
      // is not its own.
      if (old)
        throw fox::Error(fox::dbc::err::NameInUse, "File '" + table.dbf.filename().string() +
                                                       "' is a table of database '" + dbc_.filename().string() + "'.");
      return createFreeTable(table);
    }
    // Names are checked before an old table of the same file leaves the container. A member
    // replaced in its file keeps its name: the one its rows are asked for by (the table
    // Customers in cust.dbf must not come back as cust, out of the reach of INSERT INTO
    // [Customers]), and the one the container's views use.
    std::string name = old ? old->object->name : fox::dbc::tableNameForFile(table.dbf);
    fox::validateName(name, fox::NameKind::LongTableName);
    for (const fox::ColumnSpec& column : table.columns) fox::validateName(column.name, fox::NameKind::LongField);
    const fox::dbc::Object* named = container->findObject(name, "Table");
    if (!named) named = container->findObject(name, "View");
    if (named && (!old || named != old->object))
      throw fox::Error(fox::dbc::err::NameInUse,
                       "Table '" + name + "' already exists in database '" + dbc_.filename().string() + "'.");
    if (old) fox::dbc::dropTable(dbc_, old->object->name);
    fox::dbc::addTable(dbc_, {table.dbf, table.columns, table.options, name});
    return fox::TableWriter::openForAppend(table.dbf);
  }

  void recordIndexes(const TableLocation& table, const std::vector<fox::cdx::TagInfo>& tags,
                     const std::string& primaryKey) override {
    if (!table.member) return;
    std::vector<fox::dbc::IndexEntry> entries;
    for (const fox::cdx::TagInfo& tag : tags)
      entries.push_back({tag.name, (tag.options & fox::cdx::kOptionCandidate) != 0});
    fox::dbc::recordIndexes(dbc_, table.name, entries, primaryKey);
  }

  std::string primaryKey(const TableLocation& table) override {
    if (!table.member) return {};
    auto container = Container::open(dbc_);
    return container->table(table.name).object->properties.text(fox::dbc::property::PrimaryKey).value_or("");
  }

  void drop(const TableLocation& table) override {
    auto container = Container::open(dbc_);
    auto member = container->tableAt(table.dbf);
    if (!member || !fox::sameName(member->object->name, table.name))
      throw fox::Error(fox::dbc::err::NotInDatabase,
                       "Table '" + table.name + "' is not part of database '" + dbc_.filename().string() + "'.");
    // A table another connection or program is writing keeps its files (its rows would be lost).
    if (inUse(table.dbf)) throw errors::fileInUse(table.dbf.filename().string());
    fox::dbc::dropTable(dbc_, member->object->name);
  }

 private:
  TableLocation location(const Container& container, const MemberTable& member) {
    if (member.exists) container.checkBacklink(member);
    return {member.object->name, member.dbf, member.fieldNames, false, true};
  }

  fs::path dbc_;
  fs::path folder_;
};

}  // namespace

std::unique_ptr<Catalogue> openContainerCatalogue(const fs::path& dbc) {
  std::error_code ec;
  if (!fs::is_regular_file(dbc, ec)) throw errors::fileDoesNotExist(dbc.string());
  return std::make_unique<ContainerCatalogue>(dbc);
}

}  // namespace foxpro
