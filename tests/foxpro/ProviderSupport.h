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
#include "tests/support/Files.h"
#include "foxpro-engine/Table.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "platform/foxpro/FoxProProvider.h"

namespace provider_test {

namespace fs = std::filesystem;

using testfiles::changed;
using testfiles::readFile;
using testfiles::snapshot;
using testfiles::Snapshot;
using testfiles::TempFolder;

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

// Runs Debian's python3 with `script` (argv[1..] = args) and returns what it prints.
inline std::string python(const std::string& script, const std::vector<std::string>& args) {
  TempFolder scratch;
  std::string file = scratch / "check.py";
  std::ofstream(file) << script;
  std::string command = "/usr/bin/python3 '" + file + "'";
  for (const auto& a : args) command += " '" + a + "'";
  std::string out;
  if (testfiles::run(command, out) != 0) out += "\n(python3 failed)";
  return out;
}

}  // namespace provider_test
