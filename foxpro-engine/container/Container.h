#pragma once
// A Visual FoxPro database container (.dbc with its memo .dct and index .dcx), read through the
// engine's table reader: its catalogue records, its tables and views, where their files are and
// what their fields are called. The container is read whole when opened (catalogues are small);
// the .dcx is not needed for reading, so a missing or stale one does not matter here.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PropertyList.h"

namespace fox::dbc {

// Error numbers for container failures. FoxPro's own where we know it, else the engine's range.
namespace err {
inline constexpr int NotADatabase = 1552;      // File 'x' is not a database.
inline constexpr int NotInDatabase = 3010;     // Table 'x' is not part of database 'y'.
inline constexpr int BelongsElsewhere = 3011;  // Table file 'x' does not belong to database 'y' …
inline constexpr int NameInUse = 3012;         // Table 'x' already exists in database 'y'.
inline constexpr int ViewNotReadable = 1001;   // Feature is not available (views).
}  // namespace err

// One record of the catalogue.
struct Object {
  std::uint32_t record = 0;  // 1-based record number in the .dbc; the object's id in VFP's containers
  bool deleted = false;      // deleted records carry no other data here
  std::int32_t id = 0;
  std::int32_t parentId = 0;
  std::string type;        // "Database", "Table", "View", "Field", "Index", "Relation", "Connection"
  std::string name;        // UTF-8, trailing blanks removed
  std::string storedType;  // the 10 bytes of OBJECTTYPE as stored
  std::string storedName;  // the 128 bytes of OBJECTNAME as stored, in the container's code page
  PropertyList properties;
};

// A table of the container as SELECT and DROP find it.
struct MemberTable {
  const Object* object = nullptr;
  std::string storedPath;     // the Path property, as stored ("orditems.dbf", "..\data\x.dbf")
  std::filesystem::path dbf;  // the file it resolves to (as on disk when it exists)
  bool exists = false;
  std::vector<std::string> fieldNames;  // the long names of its Field records, in record order
};

class Container {
 public:
  // Opens and reads a container. Errors: 1 missing, 15 not a table, 41 .dct missing or damaged,
  // 1552 a table that is not a container (header flag 0x04 and the eight catalogue columns).
  static std::unique_ptr<Container> open(const std::filesystem::path& dbc);

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path folder() const { return path_.parent_path(); }
  int codePage() const { return codePage_; }
  std::uint8_t codePageMark() const { return codePageMark_; }
  const std::vector<Object>& objects() const { return objects_; }
  // Where each of the eight columns starts inside a record (byte 0 is the deletion flag).
  std::uint32_t columnOffset(std::size_t column) const { return offsets_[column]; }

  // Live tables and views (PARENTID 1), in record order.
  std::vector<const Object*> tablesAndViews() const;
  // The live Table or View record of that name (without regard to case), or nullptr.
  const Object* findObject(std::string_view name, std::string_view type) const;
  // The live children of an object, in record order; `type` empty for every type.
  std::vector<const Object*> children(const Object& parent, std::string_view type = {}) const;

  // A live table and its file. Throws 1 ("File 'name.dbf' does not exist.") when the container
  // has no such table; a missing file is not an error here (it is when the table is opened).
  MemberTable table(std::string_view name) const;
  MemberTable table(const Object& tableObject) const;
  // The live table whose Path resolves to `dbf` (also when the file is missing: same folder,
  // same name without regard to case), or nothing.
  std::optional<MemberTable> tableAt(const std::filesystem::path& dbf) const;

  // Throws 3011 unless the table file's back-link names this container.
  void checkBacklink(const MemberTable& table) const;
  // True when the back-link text (relative to the table's folder) resolves to this container.
  bool backlinkNamesThis(const std::filesystem::path& tableFolder, std::string_view backlink) const;

  // Resolves a path stored in the container (Windows separators, "..", any case) from `base`:
  // each component is matched without regard to case against what exists.
  static std::filesystem::path resolveStored(const std::filesystem::path& base, std::string_view stored);

 private:
  std::filesystem::path path_;
  int codePage_ = 1252;
  std::uint8_t codePageMark_ = 0x03;
  std::vector<Object> objects_;
  std::uint32_t offsets_[8] = {};
};

}  // namespace fox::dbc
