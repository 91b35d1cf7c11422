#pragma once
// Helpers for the engine's tests: temporary folders, file contents, errors, tables written and
// read as text, and the engine's reading of a table as JSON for crosscheck.py, which compares it
// with other readers and with the fixtures' MANIFEST.json.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "foxpro-engine/Calendar.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/NumberText.h"
#include "foxpro-engine/RecordEncoder.h"
#include "foxpro-engine/Table.h"
#include "foxpro-engine/TableWriter.h"
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

// The number and text of the fox::Error that `f` throws ("" when it throws none), or its number.
inline std::string errorText(const std::function<void()>& f) {
  try {
    f();
  } catch (const fox::Error& e) {
    return std::to_string(e.number()) + " " + e.what();
  }
  return "";
}
inline int errorOf(const std::function<void()>& f) { return std::atoi(errorText(f).c_str()); }

// Creates a table holding `rows`.
inline fs::path writeTable(const fs::path& p, const std::vector<fox::ColumnSpec>& columns,
                           const std::vector<std::vector<fox::Value>>& rows, const fox::CreateOptions& options = {}) {
  auto w = fox::TableWriter::create(p, columns, options);
  for (const auto& row : rows) w->append(row);
  w->close();
  return p;
}

// The header's length and the record length in a table's bytes.
inline std::pair<std::size_t, std::size_t> layoutOf(const std::string& dbf) {
  auto le16 = [&](std::size_t at) { return std::size_t(std::uint8_t(dbf.at(at)) | std::uint8_t(dbf.at(at + 1)) << 8); };
  return {le16(8), le16(10)};
}

inline std::string hex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (unsigned char c : bytes) s += digits[c >> 4], s += digits[c & 15];
  return s;
}

// A value as text: NULL, or the text it takes in a character field without trailing blanks
// (bytes as they are); a record's values joined by "|".
inline std::string shown(const fox::Value& v) {
  std::string s = fox::isNull(v) ? "NULL" : fox::textForm(v);
  return s.erase(s.find_last_not_of(' ') + 1);
}
inline std::string shown(const std::vector<fox::Value>& row) {
  std::string s;
  for (std::size_t i = 0; i < row.size(); ++i) s += (i ? "|" : "") + shown(row[i]);
  return s;
}

// Every record of a table shown, a line each ("deleted" for one marked so); or the number and
// text of the error reading it raised.
inline std::string shownTable(const fs::path& p, const fox::ReadOptions& options = {}) {
  std::string out;
  const std::string error = errorText([&] {
    auto t = fox::Table::open(p, options);
    std::vector<fox::Value> v;
    for (std::uint32_t i = 0; i < t->recordCount(); ++i) out += (t->read(i, v) ? shown(v) : "deleted") + "\n";
  });
  return error.empty() ? out : error;
}

inline std::string jsonText(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    char escaped[8] = {char(c)};
    if (c < 0x20 || c == '"' || c == '\\') std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
    out += escaped;
  }
  return out + "\"";
}

// A value as crosscheck.py compares it: null for NULL, true/false, {"num": text} for numbers,
// text (C without its trailing blanks), {"hex": …} for bytes, "YYYY-MM-DD[ HH:MM:SS]" ("" empty).
inline std::string jsonValue(const fox::Value& v, const fox::Field& f) {
  if (fox::isNull(v)) return "null";
  if (auto* b = std::get_if<bool>(&v)) return *b ? "true" : "false";
  if (auto* b = std::get_if<fox::Bytes>(&v))
    return "{\"hex\":\"" + hex(std::string_view(reinterpret_cast<const char*>(b->data()), b->size())) + "\"}";
  if (auto* s = std::get_if<std::string>(&v))
    return jsonText(f.type == 'C' ? s->substr(0, s->find_last_not_of(std::string_view(" \0", 2)) + 1) : *s);
  const bool text = std::holds_alternative<fox::Date>(v) || std::holds_alternative<fox::DateTime>(v);
  return text ? jsonText(fox::textForm(v)) : "{\"num\":\"" + fox::textForm(v) + "\"}";
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
