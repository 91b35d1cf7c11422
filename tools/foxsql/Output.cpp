#include "Output.h"

#include <cmath>
#include <string>
#include <vector>

#include "foxpro-engine/Utf8.h"
#include "platform/ado/Enums.h"

namespace foxsql {

namespace {

const char kHex[] = "0123456789abcdef";

std::string hex(const ado::Bytes& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

// A JSON string. Control characters are escaped; bytes that are not UTF-8 (a file name written
// in a legacy code page, say) become U+FFFD, so every line stays valid JSON.
void jsonString(std::string_view text, std::string& out) {
  out += '"';
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    if (static_cast<unsigned char>(c) >= 0x80) {
      std::size_t start = at;
      char32_t decoded;
      if (fox::utf8::decode(text, at, decoded)) {
        out.append(text.substr(start, at - start));
      } else {
        out += "\\ufffd";
        ++at;
      }
      continue;
    }
    ++at;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += kHex[(c >> 4) & 15];
          out += kHex[c & 15];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

// A decimal as a JSON number: "-.5" → "-0.5", "5." → "5"; text that is no number stays a string.
void jsonDecimal(const std::string& text, std::string& out) {
  std::string sign, digits = text;
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
    if (digits[0] == '-') sign = "-";
    digits.erase(0, 1);
  }
  std::size_t dot = digits.find('.');
  std::string whole = digits.substr(0, dot), fraction = dot == std::string::npos ? "" : digits.substr(dot + 1);
  auto allDigits = [](const std::string& s) { return s.find_first_not_of("0123456789") == std::string::npos; };
  if ((whole.empty() && fraction.empty()) || !allDigits(whole) || !allDigits(fraction)) return jsonString(text, out);
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  if (whole.empty()) whole = "0";
  out += sign + whole;
  if (!fraction.empty()) out += "." + fraction;
}

void jsonValue(const ado::Variant& v, ado::DataTypeEnum type, std::string& out) {
  using Kind = ado::Variant::Kind;
  switch (v.kind()) {
    case Kind::Null:
      out += "null";
      break;
    case Kind::Boolean:
      out += v.asBoolean() ? "true" : "false";
      break;
    case Kind::Integer:
    case Kind::UnsignedInteger:
      out += v.toText();
      break;
    case Kind::Double:
      if (std::isfinite(v.asDouble())) {
        out += v.toText();
      } else {
        jsonString(v.toText(), out);
      }
      break;
    case Kind::Decimal:
      if (type == ado::adCurrency) {
        jsonString(v.asDecimal().text, out);
      } else {
        jsonDecimal(v.asDecimal().text, out);
      }
      break;
    case Kind::Bytes:
      out += "{\"hex\":\"" + hex(v.asBytes()) + "\"}";
      break;
    case Kind::DateTime: {
      // Whole seconds: FoxPro's date-times have no fractions.
      ado::DateTime dt = v.asDateTime();
      dt.time.microsecond = 0;
      jsonString(ado::toText(dt), out);
      break;
    }
    default:
      jsonString(v.toText(), out);
      break;
  }
}

// Text for the readable table: control characters made visible, binary as 0h…, null as NULL.
std::string cell(const ado::Variant& v) {
  if (v.isNull()) return "NULL";
  if (v.kind() == ado::Variant::Kind::Bytes) return "0h" + hex(v.asBytes());
  std::string out;
  for (char c : v.toText()) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out;
}

// Characters, not bytes, of UTF-8 text.
std::size_t displayWidth(const std::string& s) {
  std::size_t n = 0;
  for (char c : s)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

void pad(std::string& line, const std::string& text, std::size_t width) {
  line += text;
  for (std::size_t w = displayWidth(text); w < width; ++w) line += ' ';
}

std::vector<int> allColumns(ado::Recordset& rs, std::vector<int> columns) {
  if (columns.empty())
    for (int i = 0; i < rs.Fields().Count(); ++i) columns.push_back(i);
  return columns;
}

}  // namespace

void printJson(ado::Recordset& rs, std::ostream& out, std::vector<int> columns) {
  auto fields = rs.Fields();
  columns = allColumns(rs, std::move(columns));
  std::string line = "{\"fields\":[";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i) line += ',';
    line += "{\"name\":";
    jsonString(fields[columns[i]].Name(), line);
    line += ",\"type\":" + std::to_string(fields[columns[i]].Type()) + "}";
  }
  line += "]}\n";
  out << line;
  while (!rs.Eof()) {
    line = "[";
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i) line += ',';
      auto field = fields[columns[i]];
      jsonValue(field.Value(), field.Type(), line);
    }
    line += "]\n";
    out << line;
    rs.MoveNext();
  }
}

void printTable(ado::Recordset& rs, std::ostream& out, std::vector<int> columns) {
  constexpr std::size_t kMeasuredRows = 200;
  auto fields = rs.Fields();
  columns = allColumns(rs, std::move(columns));
  const int count = static_cast<int>(columns.size());
  std::vector<std::string> names;
  std::vector<std::size_t> widths;
  for (int i = 0; i < count; ++i) {
    names.push_back(fields[columns[i]].Name());
    widths.push_back(displayWidth(names.back()));
  }
  // The first rows are held back to measure the columns; the rest stream through.
  std::vector<std::vector<std::string>> held;
  while (!rs.Eof() && held.size() < kMeasuredRows) {
    std::vector<std::string> row;
    for (int i = 0; i < count; ++i) {
      row.push_back(cell(fields[columns[i]].Value()));
      widths[i] = std::max(widths[i], displayWidth(row.back()));
    }
    held.push_back(std::move(row));
    rs.MoveNext();
  }
  auto printRow = [&](const std::vector<std::string>& row) {
    std::string line;
    for (int i = 0; i < count; ++i) {
      if (i) line += " | ";
      if (i + 1 < count) {
        pad(line, row[i], widths[i]);
      } else {
        line += row[i];
      }
    }
    out << line << '\n';
  };
  printRow(names);
  std::string rule;
  for (int i = 0; i < count; ++i) {
    if (i) rule += "-+-";
    rule.append(widths[i], '-');
  }
  out << rule << '\n';
  long rows = 0;
  for (const auto& row : held) {
    printRow(row);
    ++rows;
  }
  while (!rs.Eof()) {
    std::vector<std::string> row;
    for (int i = 0; i < count; ++i) row.push_back(cell(fields[columns[i]].Value()));
    printRow(row);
    ++rows;
    rs.MoveNext();
  }
  out << "(" << rows << (rows == 1 ? " row)" : " rows)") << '\n';
}

}  // namespace foxsql
