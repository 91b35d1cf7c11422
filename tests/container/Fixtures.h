#pragma once
// Shared by the container tests: the three fixture containers, whole-file reads, and the facts
// tests/container/dbc_check.py gives from MANIFEST.json and python-dbf.
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/Files.h"

namespace fixtures {

namespace fs = std::filesystem;

struct ContainerFixture {
  const char* folder;  // relative to the fixtures folder
  const char* dbc;     // the container's file name as it is on disk
  const char* dcx;
};

inline const std::vector<ContainerFixture>& containers() {
  static const std::vector<ContainerFixture> all = {
      {"northwind", "northwind.dbc", "northwind.dcx"},
      {"dbf-gem/foxprodb", "FOXPRO-DB-TEST.DBC", "FOXPRO-DB-TEST.DCX"},
      {"go-dbase/database", "EXPENSES.DBC", "EXPENSES.DCX"},
  };
  return all;
}

inline fs::path fixturePath(const std::string& relative) { return fs::path(TAVREL_FIXTURES_DIR) / relative; }

// Runs dbc_check.py with Debian's python3; returns its lines split at tabs.
inline std::vector<std::vector<std::string>> pythonFacts(const std::string& command, const std::string& argument) {
  std::string line = "TAVREL_FIXTURES_DIR='" + std::string(TAVREL_FIXTURES_DIR) + "' /usr/bin/python3 '" +
                     std::string(TAVREL_SOURCE_DIR) + "/tests/container/dbc_check.py' " + command + " '" + argument +
                     "'";
  std::vector<std::vector<std::string>> out;
  std::string text;
  if (testfiles::run(line, text) != 0) throw std::runtime_error("dbc_check.py failed: " + line);
  std::istringstream lines(text);
  for (std::string l; std::getline(lines, l);) {
    std::vector<std::string> fields;
    std::istringstream cells(l + "\t");  // each field ends with a tab: an empty last field counts too
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    out.push_back(std::move(fields));
  }
  return out;
}

}  // namespace fixtures
