#pragma once
// Files and programs for the tests: a temporary folder, whole files, the tests' own data files, a
// folder's snapshot (to show that nothing changed), what a shell command prints, and work done in
// a child process.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testfiles {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "tavrel-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
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

inline std::string readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline void writeFile(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// A data file of the tests by its path under tests/ ("cli/data/every_type.sql"), byte for byte;
// a missing, unreadable or empty one is an error, not the empty text (a loop over its lines would
// check nothing).
inline std::string text(const std::string& relative) {
  const fs::path file = fs::path(TAVREL_SOURCE_DIR "/tests") / relative;
  std::string bytes = readFile(file);
  if (bytes.empty()) throw std::runtime_error("no test data in " + file.string());
  return bytes;
}

// The same cut into its parts, each ended by `end` (a line end unless told), which is left out.
inline std::vector<std::string> parts(const std::string& relative, const std::string& end = "\n") {
  const std::string all = text(relative);
  std::vector<std::string> found;
  std::size_t at = 0;
  for (std::size_t next; (next = all.find(end, at)) != std::string::npos; at = next + end.size())
    found.push_back(all.substr(at, next - at));
  if (at < all.size()) found.push_back(all.substr(at));
  return found;
}

// Every file below `folder` with its bytes, by its name relative to the folder.
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

// The little-endian number of `size` (at most 4) bytes at `at` of a .dbf's header; 0 while there is no file.
inline std::uint32_t headerNumber(const fs::path& dbf, int at, int size) {
  std::ifstream in(dbf, std::ios::binary);
  unsigned char b[4] = {};
  in.seekg(at);
  in.read(reinterpret_cast<char*>(b), size);
  return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

// Runs a shell command; its exit status (as pclose gives it), what it printed in `out`.
inline int run(const std::string& command, std::string& out) {
  out.clear();
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buffer[65536];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  return ::pclose(pipe);
}

// Starts `body` in a forked child that exits with what it returns (1 when it throws); the
// child's id, or -1 when there is no child.
inline pid_t startChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    int code = 1;
    try {
      code = body();
    } catch (...) {
    }
    ::_exit(code);
  }
  return pid;
}

// The wait status of the child `pid` once it ends, or -1 when there is no such child.
inline int waitFor(pid_t pid) {
  int status = 0;
  return pid > 0 && ::waitpid(pid, &status, 0) == pid ? status : -1;
}

// Runs `body` in a forked child as startChild does; the child's wait status, or -1.
inline int inChild(const std::function<int()>& body) { return waitFor(startChild(body)); }

}  // namespace testfiles
