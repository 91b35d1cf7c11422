#pragma once
// Shared by the container tests: the three fixture containers, temp copies, whole-file reads.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <iterator>
#include <string>
#include <vector>

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

inline std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeAll(const fs::path& file, const std::string& data) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

// A fresh folder under the system's temp folder, removed when the object goes.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tavrel-dbc-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  // Copies a fixture folder (files only) into this folder and returns where it went.
  fs::path copyFolder(const std::string& relative) const {
    fs::path target = path_ / fs::path(relative).filename();
    fs::create_directories(target);
    for (const auto& e : fs::directory_iterator(fixturePath(relative)))
      if (e.is_regular_file()) fs::copy_file(e.path(), target / e.path().filename());
    return target;
  }

 private:
  fs::path path_;
};

}  // namespace fixtures

#include <array>
#include <cstdio>
#include <sstream>

namespace fixtures {

// Runs tests/container/dbc_check.py with Debian's python3; returns its lines split at tabs.
inline std::vector<std::vector<std::string>> pythonFacts(const std::string& command, const std::string& argument) {
  std::string line = "TAVREL_FIXTURES_DIR='" + std::string(TAVREL_FIXTURES_DIR) + "' /usr/bin/python3 '" +
                     std::string(TAVREL_SOURCE_DIR) + "/tests/container/dbc_check.py' " + command + " '" + argument + "'";
  std::vector<std::vector<std::string>> out;
  FILE* pipe = ::popen(line.c_str(), "r");
  if (!pipe) return out;
  std::string text;
  std::array<char, 4096> buffer{};
  while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) text.append(buffer.data(), n);
  int status = ::pclose(pipe);
  if (status != 0) throw std::runtime_error("dbc_check.py failed: " + line);
  std::istringstream lines(text);
  for (std::string l; std::getline(lines, l);) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (std::size_t tab; (tab = l.find('\t', at)) != std::string::npos; at = tab + 1) fields.push_back(l.substr(at, tab - at));
    fields.push_back(l.substr(at));
    out.push_back(std::move(fields));
  }
  return out;
}

}  // namespace fixtures
