#include "LoadText.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace mysql {

using ado::Variant;

namespace {

bool among(std::string_view word, std::initializer_list<std::string_view> words) {
  for (std::string_view w : words)
    if (word == w) return true;
  return false;
}

// Text with the four bytes LOAD DATA would read otherwise escaped. A byte of a multi-byte UTF-8
// character is never one of them, so text and binary values go byte for byte.
void appendEscaped(std::string& out, std::string_view text) {
  std::size_t from = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (static_cast<unsigned char>(c) > '\\') continue;  // most bytes: above every one that needs escaping
    const char* escape = c == '\\' ? "\\\\" : c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\0' ? "\\0" : nullptr;
    if (!escape) continue;
    out.append(text, from, i - from);
    out += escape;
    from = i + 1;
  }
  out.append(text, from);
}

// The server's own text of a date or time bound as a parameter (my_TIME_to_str): six fraction
// digits when there is a fraction.
void appendClock(std::string& out, const ado::Time& t) {
  char buf[40];
  int n = std::snprintf(buf, sizeof buf, "%s%02d:%02d:%02d", t.negative ? "-" : "", t.hour, t.minute, t.second);
  if (t.microsecond != 0) n += std::snprintf(buf + n, sizeof buf - std::size_t(n), ".%06d", t.microsecond);
  out.append(buf, std::size_t(n));
}

}  // namespace

ColumnClass classifyColumn(std::string_view type, std::string_view characterSet) {
  if (among(type, {"tinyint", "smallint", "mediumint", "int", "bigint"})) return ColumnClass::Integer;
  if (among(type, {"float", "double"})) return ColumnClass::Real;
  if (type == "decimal") return ColumnClass::Decimal;
  if (among(type, {"char", "varchar", "tinytext", "text", "mediumtext", "longtext"}))
    return characterSet == "utf8mb4" ? ColumnClass::Utf8Text : ColumnClass::OtherText;
  if (among(type, {"binary", "varbinary", "tinyblob", "blob", "mediumblob", "longblob"})) return ColumnClass::Binary;
  if (type == "date") return ColumnClass::Date;
  if (among(type, {"datetime", "timestamp"})) return ColumnClass::DateTime;
  if (type == "time") return ColumnClass::Time;
  return ColumnClass::Other;
}

bool loadsAsBound(const Variant& value, ColumnClass column) {
  using C = ColumnClass;
  const bool text = column == C::Utf8Text || column == C::OtherText;
  switch (value.kind()) {
    case Variant::Kind::Null:
    case Variant::Kind::Text:
      return true;  // both are stored as the column takes a text
    case Variant::Kind::Integer:
    case Variant::Kind::UnsignedInteger:
      return column == C::Integer || column == C::Real || column == C::Decimal || text;
    case Variant::Kind::Boolean:
      return column == C::Integer;
    case Variant::Kind::Double:
      // The shortest text that reads back as the same double.
      return (column == C::Real) && std::isfinite(value.asDouble());
    case Variant::Kind::Decimal:
      return column == C::Decimal || column == C::Real;
    case Variant::Kind::Bytes:
      return column == C::Binary || column == C::Utf8Text;
    case Variant::Kind::Date:
      return column == C::Date || column == C::DateTime || text;
    case Variant::Kind::DateTime:
      return column == C::DateTime || text;
    case Variant::Kind::Time:
      return column == C::Time || text;
  }
  return false;
}

void appendLoadField(std::string& out, const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Null:
      out += "\\N";
      return;
    case Variant::Kind::Boolean:
      out += value.asBoolean() ? '1' : '0';
      return;
    case Variant::Kind::Integer:
    case Variant::Kind::UnsignedInteger:
    case Variant::Kind::Double: {
      char buf[32];
      auto [end, error] = value.kind() == Variant::Kind::Integer
                              ? std::to_chars(buf, buf + sizeof buf, value.asInteger())
                          : value.kind() == Variant::Kind::UnsignedInteger
                              ? std::to_chars(buf, buf + sizeof buf, value.asUnsignedInteger())
                              : std::to_chars(buf, buf + sizeof buf, value.asDouble());
      out.append(buf, end);
      return;
    }
    case Variant::Kind::Decimal:
      return appendEscaped(out, value.asDecimal().text);
    case Variant::Kind::Text:
      return appendEscaped(out, value.asText());
    case Variant::Kind::Bytes: {
      const ado::Bytes& bytes = value.asBytes();
      return appendEscaped(out, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    case Variant::Kind::Date:
      out += ado::toText(value.asDate());
      return;
    case Variant::Kind::DateTime:
      out += ado::toText(value.asDateTime().date);
      out += ' ';
      return appendClock(out, value.asDateTime().time);
    case Variant::Kind::Time:
      return appendClock(out, value.asTime());
  }
}

void appendLoadRow(std::string& out, const std::vector<Variant>& row) {
  for (std::size_t j = 0; j < row.size(); ++j) {
    if (j) out += '\t';
    appendLoadField(out, row[j]);
  }
  out += '\n';
}

}  // namespace mysql
