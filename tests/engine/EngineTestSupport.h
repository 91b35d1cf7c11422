#pragma once
// Helpers for the engine's tests: temporary folders, fixture copies, file contents, running the
// cross-check script, and engine values in the cross-check script's normal form.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Json.h"
#include "foxpro-engine/Calendar.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/Field.h"
#include "foxpro-engine/NumberText.h"
#include "foxpro-engine/Value.h"

namespace enginetest {

namespace fs = std::filesystem;

inline fs::path fixtures() { return TAVREL_FIXTURES_DIR; }

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tavrel-engine-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

inline std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeFile(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// Every regular file below `folder` with its contents, to prove that nothing changed.
inline std::vector<std::pair<std::string, std::string>> snapshot(const fs::path& folder) {
  std::vector<std::pair<std::string, std::string>> all;
  for (auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) all.emplace_back(e.path().string(), readFile(e.path()));
  std::sort(all.begin(), all.end());
  return all;
}

// The number of the fox::Error that `f` throws; 0 when it throws none.
inline int errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const fox::Error& e) {
    return e.number();
  }
  return 0;
}

inline const char* python() { return "/usr/bin/python3"; }
inline bool pythonAvailable() { return fs::exists(python()); }

// Runs the cross-check script; returns its output parsed, failing the test on a non-zero exit.
inline json::Value crosscheck(const std::vector<std::string>& args) {
  std::string command = std::string(python()) + " '" + TAVREL_SOURCE_DIR + "/tests/engine/crosscheck.py'";
  for (auto& a : args) command += " '" + a + "'";
  command += " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string out;
  std::array<char, 4096> buf;
  while (std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe)) out.append(buf.data(), n);
  int status = ::pclose(pipe);
  if (status != 0) {
    ADD_FAILURE() << command << " failed:\n" << out;
    return {};
  }
  return json::parse(out);
}

inline std::string hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (unsigned char c : bytes) s += digits[c >> 4], s += digits[c & 15];
  return s;
}

// An engine value in the cross-check script's form (see crosscheck.py).
inline json::Value canon(const fox::Value& v, const fox::Field& f) {
  json::Value out;
  auto str = [&](std::string s) {
    out.type = json::Value::Type::String;
    out.text = std::move(s);
  };
  auto num = [&](std::string s) {
    out.type = json::Value::Type::Object;
    json::Value n;
    n.type = json::Value::Type::String;
    n.text = std::move(s);
    out.members.emplace_back("num", n);
  };
  if (auto* s = std::get_if<std::string>(&v)) {
    std::string t = *s;
    if (f.type == 'C')
      while (!t.empty() && (t.back() == ' ' || t.back() == '\0')) t.pop_back();
    str(t);
  } else if (auto* b = std::get_if<fox::Bytes>(&v)) {
    out.type = json::Value::Type::Object;
    json::Value h;
    h.type = json::Value::Type::String;
    h.text = hex(std::string(b->begin(), b->end()));
    out.members.emplace_back("hex", h);
  } else if (auto* n = std::get_if<fox::Number>(&v)) {
    num(n->text);
  } else if (auto* i = std::get_if<std::int32_t>(&v)) {
    num(std::to_string(*i));
  } else if (auto* d = std::get_if<double>(&v)) {
    num(fox::doubleText(*d));
  } else if (auto* c = std::get_if<fox::Currency>(&v)) {
    num(fox::currencyText(c->scaled));
  } else if (auto* b2 = std::get_if<bool>(&v)) {
    out.type = json::Value::Type::Bool;
    out.boolean = *b2;
  } else if (auto* d2 = std::get_if<fox::Date>(&v)) {
    if (!d2->empty()) str(fox::formatDate(*d2));
  } else if (auto* t = std::get_if<fox::DateTime>(&v)) {
    if (!t->empty()) str(fox::formatDateTime(*t));
  }
  return out;
}

// Equal in the normal form; numbers compare by value (relative 1e-12).
inline bool sameCanon(const json::Value& a, const json::Value& b) {
  auto numOf = [](const json::Value& v, double& out) {
    if (!v.isObject() || !v.find("num")) return false;
    out = std::strtod((*v.find("num")).text.c_str(), nullptr);
    return true;
  };
  double x, y;
  if (numOf(a, x) && numOf(b, y)) return std::fabs(x - y) <= 1e-12 * std::max({1.0, std::fabs(x), std::fabs(y)});
  if (a.type != b.type) return false;
  switch (a.type) {
    case json::Value::Type::Null: return true;
    case json::Value::Type::Bool: return a.boolean == b.boolean;
    case json::Value::Type::String:
    case json::Value::Type::Number: return a.text == b.text;
    case json::Value::Type::Object:
      if (a.members.size() != b.members.size()) return false;
      for (auto& [k, v] : a.members)
        if (!b.find(k) || !sameCanon(v, *b.find(k))) return false;
      return true;
    case json::Value::Type::Array:
      if (a.items.size() != b.items.size()) return false;
      for (std::size_t i = 0; i < a.items.size(); ++i)
        if (!sameCanon(a.items[i], b.items[i])) return false;
      return true;
  }
  return false;
}

inline std::string show(const json::Value& v) {
  switch (v.type) {
    case json::Value::Type::Null: return "null";
    case json::Value::Type::Bool: return v.boolean ? "true" : "false";
    case json::Value::Type::Number: return v.text;
    case json::Value::Type::String: return "\"" + v.text.substr(0, 200) + "\"";
    case json::Value::Type::Array: {
      std::string s = "[";
      for (auto& i : v.items) s += show(i) + ",";
      return s + "]";
    }
    case json::Value::Type::Object: {
      std::string s = "{";
      for (auto& [k, m] : v.members) s += k + ":" + show(m) + ",";
      return s + "}";
    }
  }
  return "";
}

}  // namespace enginetest
