#include "Container.h"

#include <system_error>
#include <variant>

#include "foxpro-engine/CodePage.h"
#include "foxpro-engine/Errors.h"
#include "foxpro-engine/Files.h"
#include "foxpro-engine/Names.h"
#include "foxpro-engine/Table.h"

namespace fox::dbc {

namespace fs = std::filesystem;

namespace {

struct ColumnShape {
  const char* name;
  char type;
  std::uint16_t length;
};

// The eight columns every container has, in this order.
constexpr ColumnShape kColumns[] = {{"OBJECTID", 'I', 4},     {"PARENTID", 'I', 4}, {"OBJECTTYPE", 'C', 10},
                                    {"OBJECTNAME", 'C', 128}, {"PROPERTY", 'M', 4}, {"CODE", 'M', 4},
                                    {"RIINFO", 'C', 6},       {"USER", 'M', 4}};

[[noreturn]] void notADatabase(const fs::path& dbc) {
  throw Error(err::NotADatabase, "File '" + dbc.filename().string() + "' is not a database.");
}

std::string trimRight(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// Stored bytes of a value that the reader gave as text (converted back) or as bytes.
std::string storedBytes(const Value& v, const CodePage& cp) {
  if (auto* b = std::get_if<Bytes>(&v)) return std::string(b->begin(), b->end());
  if (auto* s = std::get_if<std::string>(&v)) {
    std::string out;
    if (!cp.fromUtf8(*s, out)) throw Error(fox::err::TableCorrupted, "Database catalogue text cannot be read.");
    return out;
  }
  return {};
}

std::int32_t integer(const Value& v) {
  auto* i = std::get_if<std::int32_t>(&v);
  return i ? *i : 0;
}

}  // namespace

std::unique_ptr<Container> Container::open(const fs::path& dbc) {
  auto table = Table::open(dbc);
  auto container = std::unique_ptr<Container>(new Container());
  if ((table->tableFlags() & 0x04) == 0 || table->fields().size() != std::size(kColumns)) notADatabase(dbc);
  for (std::size_t i = 0; i < std::size(kColumns); ++i) {
    const Field& f = table->fields()[i];
    if (f.name != kColumns[i].name || f.type != kColumns[i].type || f.length != kColumns[i].length) notADatabase(dbc);
  }
  for (std::size_t i = 0; i < std::size(kColumns); ++i) container->offsets_[i] = table->fields()[i].offset;
  container->path_ = dbc;
  container->codePage_ = table->codePage();
  container->codePageMark_ = table->codePageMark();
  auto cp = fox::codePage(container->codePage_);
  std::vector<Value> values;
  for (std::uint32_t i = 0; i < table->recordCount(); ++i) {
    Object o;
    o.record = i + 1;
    o.deleted = !table->read(i, values);
    if (!o.deleted) {
      o.id = integer(values[0]);
      o.parentId = integer(values[1]);
      o.storedType = storedBytes(values[2], *cp);
      o.storedName = storedBytes(values[3], *cp);
      if (auto* s = std::get_if<std::string>(&values[2])) o.type = trimRight(*s);
      if (auto* s = std::get_if<std::string>(&values[3])) o.name = trimRight(*s);
      o.properties = PropertyList::parse(storedBytes(values[4], *cp));
    }
    container->objects_.push_back(std::move(o));
  }
  return container;
}

std::vector<const Object*> Container::tablesAndViews() const {
  std::vector<const Object*> out;
  for (const Object& o : objects_)
    if (!o.deleted && o.parentId == 1 && (sameName(o.type, "Table") || sameName(o.type, "View"))) out.push_back(&o);
  return out;
}

const Object* Container::findObject(std::string_view name, std::string_view type) const {
  for (const Object& o : objects_)
    if (!o.deleted && o.parentId == 1 && sameName(o.type, type) && sameName(o.name, name)) return &o;
  return nullptr;
}

std::vector<const Object*> Container::children(const Object& parent, std::string_view type) const {
  std::vector<const Object*> out;
  for (const Object& o : objects_)
    if (!o.deleted && o.parentId == parent.id && &o != &parent && (type.empty() || sameName(o.type, type)))
      out.push_back(&o);
  return out;
}

MemberTable Container::table(std::string_view name) const {
  const Object* o = findObject(name, "Table");
  if (!o) throw errors::fileNotFound(std::string(name) + ".dbf");
  return table(*o);
}

MemberTable Container::table(const Object& o) const {
  MemberTable t;
  t.object = &o;
  t.storedPath = o.properties.text(property::Path).value_or("");
  if (t.storedPath.empty())
    throw Error(fox::err::TableCorrupted,
                "Table '" + o.name + "' has no file in database '" + path_.filename().string() + "'.");
  t.dbf = resolveStored(folder(), t.storedPath);
  std::error_code ec;
  t.exists = fs::is_regular_file(t.dbf, ec);
  for (const Object* f : children(o, "Field")) t.fieldNames.push_back(f->name);
  return t;
}

std::optional<MemberTable> Container::tableAt(const fs::path& dbf) const {
  std::error_code ec;
  for (const Object* o : tablesAndViews()) {
    if (!sameName(o->type, "Table")) continue;
    auto stored = o->properties.text(property::Path);
    if (!stored) continue;
    fs::path candidate = resolveStored(folder(), *stored);
    bool same =
        fs::equivalent(candidate, dbf, ec) || (fs::equivalent(candidate.parent_path(), dbf.parent_path(), ec) &&
                                               sameName(candidate.filename().string(), dbf.filename().string()));
    if (same) return table(*o);
  }
  return std::nullopt;
}

bool Container::backlinkNamesThis(const fs::path& tableFolder, std::string_view backlink) const {
  if (backlink.empty()) return false;
  std::error_code ec;
  return fs::equivalent(resolveStored(tableFolder, backlink), path_, ec);
}

void Container::checkBacklink(const MemberTable& t) const {
  auto member = Table::open(t.dbf);
  std::string backlink = member->backlink();
  if (backlinkNamesThis(t.dbf.parent_path(), backlink)) return;
  std::string says = backlink.empty() ? "it is a free table" : "its back-link names '" + backlink + "'";
  throw Error(err::BelongsElsewhere, "Table file '" + t.dbf.filename().string() + "' does not belong to database '" +
                                         path_.filename().string() + "': " + says + ".");
}

fs::path Container::resolveStored(const fs::path& base, std::string_view stored) {
  std::string text(stored);
  for (char& c : text)
    if (c == '\\') c = '/';
  std::error_code ec;
  fs::path current = fs::absolute(base.empty() ? fs::path(".") : base, ec);
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find('/', at);
    if (end == std::string::npos) end = text.size();
    std::string part = text.substr(at, end - at);
    at = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      current = current.lexically_normal().parent_path();
      continue;
    }
    auto found = findFileNoCase(current, part);
    current = found ? *found : current / part;
  }
  return current.lexically_normal();
}

}  // namespace fox::dbc
