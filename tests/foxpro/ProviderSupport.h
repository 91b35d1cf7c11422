#pragma once
// Shared by the FoxPro provider, container and foxsql tests: a temporary folder (optionally a
// copy of a fixture folder), connections opened the way the system opens them, the tables read
// back with the engine, and snapshots of every file to show that nothing changed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "foxpro-engine/Error.h"
#include "foxpro-engine/Table.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "platform/foxpro/FoxProProvider.h"

namespace provider_test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "tavrel-foxpro-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  // Copies the files of a fixture folder (relative to the fixtures) here; returns the copy's folder.
  fs::path copyFixture(const std::string& relative) const {
    fs::path target = path_ / fs::path(relative).filename();
    fs::create_directories(target);
    for (const auto& e : fs::directory_iterator(fs::path(TAVREL_FIXTURES_DIR) / relative))
      if (e.is_regular_file()) fs::copy_file(e.path(), target / e.path().filename());
    return target;
  }

 private:
  fs::path path_;
};

// The connection string the system builds: a container with the machine collating sequence, a
// folder with the general one.
inline std::string connectionString(const fs::path& source) {
  bool container = source.extension() == ".dbc" || source.extension() == ".DBC";
  return "Provider=vfpoledb.1;Data Source=" + source.string() +
         ";Collating Sequence=" + (container ? "machine;" : "general;");
}

// A connection on a folder or container, opened the way the system opens it.
inline std::unique_ptr<ado::Connection> open(const fs::path& source) {
  foxpro::registerFoxProProvider();
  auto db = std::make_unique<ado::Connection>();
  db->Open(connectionString(source), "", "", -1);
  return db;
}

// The number of the layer's error a call raises; 0 when it succeeds. (Anything else the layer
// lets through is a fault, and fails the test.)
template <typename Call>
long errorNumber(Call&& call, std::string* description = nullptr) {
  try {
    call();
  } catch (const ado::Error& e) {
    if (description) *description = e.Description();
    return e.Number();
  }
  return 0;
}

// The live records of a table as the engine reads them.
inline std::vector<std::vector<fox::Value>> readBack(const fs::path& dbf) {
  auto table = fox::Table::open(dbf);
  std::vector<std::vector<fox::Value>> rows;
  std::vector<fox::Value> values;
  for (std::uint32_t i = 0; i < table->recordCount(); ++i)
    if (table->read(i, values)) rows.push_back(values);
  return rows;
}

inline std::string text(const fox::Value& v) { return std::get<std::string>(v); }

inline std::string readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Every file below `folder` with its bytes.
using Snapshot = std::map<std::string, std::string>;
inline Snapshot snapshot(const fs::path& folder) {
  Snapshot files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = readFile(entry.path());
  return files;
}

// The names of the files that differ between two snapshots (added, removed or changed).
inline std::string changed(const Snapshot& before, const Snapshot& after) {
  std::string names;
  for (const auto& [name, bytes] : before)
    if (!after.count(name) || after.at(name) != bytes) names += name + " ";
  for (const auto& [name, bytes] : after)
    if (!before.count(name)) names += name + " ";
  return names;
}

// Runs Debian's python3 with `script` (argv[1..] = args) and returns what it prints.
inline std::string python(const std::string& script, const std::vector<std::string>& args) {
  TempFolder scratch;
  std::string file = scratch / "check.py";
  std::ofstream(file) << script;
  std::string command = "/usr/bin/python3 '" + file + "'";
  for (const auto& a : args) command += " '" + a + "'";
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    if (pclose(p) != 0) out += "\n(python3 failed)";
  }
  return out;
}

}  // namespace provider_test
