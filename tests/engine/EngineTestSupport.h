#pragma once
// Helpers for the engine's tests: temporary folders, file contents, error numbers, and the
// engine's reading of a table as JSON for crosscheck.py, which compares it with other readers
// and with the fixtures' MANIFEST.json.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "foxpro-engine/Calendar.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/NumberText.h"
#include "foxpro-engine/Table.h"
#include "tests/support/Files.h"

namespace enginetest {

namespace fs = std::filesystem;

inline fs::path fixtures() { return TAVREL_FIXTURES_DIR; }

using TempDir = testfiles::TempFolder;
using testfiles::readFile;
using testfiles::snapshot;
using testfiles::writeFile;

// Overwrites bytes of a file (which does not grow).
inline void patch(const fs::path& p, std::uint64_t offset, std::string_view bytes) {
  std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(std::streamoff(offset));
  f.write(bytes.data(), std::streamsize(bytes.size()));
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

inline std::string hex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (unsigned char c : bytes) s += digits[c >> 4], s += digits[c & 15];
  return s;
}

inline std::string jsonText(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

// A value as crosscheck.py compares it: null for NULL, true/false, {"num": text} for numbers,
// text (C without its trailing blanks), {"hex": …} for bytes, "YYYY-MM-DD[ HH:MM:SS]" ("" empty).
inline std::string jsonValue(const fox::Value& v, const fox::Field& f) {
  struct V {
    const fox::Field& f;
    static std::string num(const std::string& t) { return "{\"num\":\"" + t + "\"}"; }
    std::string operator()(std::monostate) { return "null"; }
    std::string operator()(bool b) { return b ? "true" : "false"; }
    std::string operator()(std::int32_t i) { return num(std::to_string(i)); }
    std::string operator()(double d) { return num(fox::doubleText(d)); }
    std::string operator()(const fox::Number& n) { return num(n.text); }
    std::string operator()(const fox::Currency& c) { return num(fox::currencyText(c.scaled)); }
    std::string operator()(const std::string& s) {
      return jsonText(f.type == 'C' ? s.substr(0, s.find_last_not_of(std::string_view(" \0", 2)) + 1) : s);
    }
    std::string operator()(const fox::Bytes& b) {
      return "{\"hex\":\"" + hex(std::string_view(reinterpret_cast<const char*>(b.data()), b.size())) + "\"}";
    }
    std::string operator()(const fox::Date& d) { return jsonText(fox::formatDate(d)); }
    std::string operator()(const fox::DateTime& t) { return jsonText(fox::formatDateTime(t)); }
  };
  return std::visit(V{f}, v);
}

// The engine's reading of a table in crosscheck.py's form: header facts, fields, the live
// records with their numbers, and the errors the engine raised.
inline std::string readingJson(const fs::path& path, const fox::ReadOptions& options = {}) {
  std::string out = "{", rows, errors;
  std::uint32_t deleted = 0;
  auto error = [&](const std::string& what) { errors += (errors.empty() ? "" : ",") + jsonText(what); };
  try {
    auto t = fox::Table::open(path, options);
    out += "\"version\":" + std::to_string(t->version()) + ",\"mark\":" + std::to_string(t->codePageMark()) +
           ",\"flags\":" + std::to_string(t->tableFlags()) + ",\"codepage\":" + std::to_string(t->codePage()) +
           ",\"count\":" + std::to_string(t->recordCount()) + ",\"backlink\":" + jsonText(t->backlink()) +
           ",\"fields\":[";
    for (const fox::Field& f : t->fields())
      out += std::string(&f == &t->fields().front() ? "" : ",") + "{\"name\":" + jsonText(f.name) +
             ",\"type\":" + jsonText(std::string(1, f.type)) + ",\"length\":" + std::to_string(f.length) +
             ",\"decimals\":" + std::to_string(f.decimals) + ",\"flags\":" + std::to_string(f.flags) +
             ",\"autoinc\":" + std::to_string(f.autoIncrementNext) + "}";
    out += "],";
    std::vector<fox::Value> v;
    for (std::uint32_t r = 0; r < t->recordCount(); ++r) {
      try {
        if (!t->read(r, v)) {
          ++deleted;
          continue;
        }
      } catch (const fox::Error& e) {
        error("record " + std::to_string(r + 1) + ": " + e.what());
        continue;
      }
      rows += (rows.empty() ? "[" : ",[") + std::to_string(r + 1);
      for (std::size_t i = 0; i < v.size(); ++i) rows += "," + jsonValue(v[i], t->fields()[i]);
      rows += "]";
    }
  } catch (const fox::Error& e) {
    error(std::to_string(e.number()) + " " + e.what());
  }
  return out + "\"deleted\":" + std::to_string(deleted) + ",\"rows\":[" + rows + "],\"errors\":[" + errors + "]}";
}

// Runs crosscheck.py with `args` under Debian's python3 (which has python3-dbf and dbfread);
// true when it exits 0. `out` gets what it printed.
inline bool crosscheck(const std::vector<std::string>& args, std::string& out) {
  std::string command = "TAVREL_FIXTURES_DIR='" + fixtures().string() +
                        "' /usr/bin/python3 '" TAVREL_SOURCE_DIR "/tests/engine/crosscheck.py'";
  for (auto& a : args) command += " '" + a + "'";
  return testfiles::run(command + " 2>&1", out) == 0;
}

// Another reader — "dbfread", "dbf" (python3-dbf) or a JSON file of rows — reads `table` as the
// engine does, apart from the fields in `skip` ("A,B").
inline ::testing::AssertionResult readsTheSame(const fs::path& table, const std::string& reader,
                                               const std::string& skip = "") {
  fs::path reading = table.string() + ".reading.json";
  writeFile(reading, readingJson(table));
  std::string out;
  bool same = crosscheck({"compare", reading.string(), table.string(), reader, skip}, out);
  fs::remove(reading);
  if (same) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << reader << " on " << table.filename() << ":\n" << out;
}

}  // namespace enginetest
