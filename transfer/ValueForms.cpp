#include "ValueForms.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

using ado::Variant;

// A decimal text as digits and a power of ten, without the sign's "+", leading and trailing
// zeros: "0012.500" and "1.25e1" both give 125 and -1. Empty digits for zero.
struct Digits {
  bool negative = false;
  std::string digits;
  long exponent = 0;
  bool operator==(const Digits&) const = default;
};

Digits digitsOf(std::string_view text) {
  Digits d;
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) d.negative = text[i++] == '-';
  long pointShift = 0;
  bool afterPoint = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.') {
      afterPoint = true;
    } else if (c >= '0' && c <= '9') {
      if (!(c == '0' && d.digits.empty())) d.digits += c;
      if (afterPoint) ++pointShift;
    } else {
      break;
    }
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) d.exponent = std::strtol(text.data() + i + 1, nullptr, 10);
  // Digits after the point count from the last one written: strip the trailing zeros with it.
  d.exponent -= pointShift;
  while (!d.digits.empty() && d.digits.back() == '0') {
    d.digits.pop_back();
    ++d.exponent;
  }
  if (d.digits.empty()) return Digits{};
  return d;
}

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return kDays[m - 1] + (m == 2 && leapYear(y) ? 1 : 0);
}

// One second later; the last second of 9999 stays (no later date-time exists).
void nextSecond(ado::DateTime& t) {
  ado::Date& d = t.date;
  ado::Time& c = t.time;
  if (d.year == 9999 && d.month == 12 && d.day == 31 && c.hour == 23 && c.minute == 59 && c.second == 59) return;
  if (++c.second < 60) return;
  c.second = 0;
  if (++c.minute < 60) return;
  c.minute = 0;
  if (++c.hour < 24) return;
  c.hour = 0;
  if (++d.day <= daysInMonth(d.year, d.month)) return;
  d.day = 1;
  if (++d.month <= 12) return;
  d.month = 1;
  ++d.year;
}

}  // namespace

void SecondsOnly(Variant& value) {
  if (value.kind() != Variant::Kind::DateTime || value.asDateTime().time.microsecond == 0) return;
  ado::DateTime t = value.asDateTime();
  const bool up = t.time.microsecond >= 500000;
  t.time.microsecond = 0;
  if (up) nextSecond(t);
  value = t;
}

bool ArrivesAsBytes(const Variant& value) { return value.kind() == Variant::Kind::Bytes; }

std::string_view FoxProText(const Variant& value, std::string& scratch) {
  switch (value.kind()) {
    case Variant::Kind::Null:
      return {};
    case Variant::Kind::Text:
      return value.asText();
    case Variant::Kind::Decimal:
      return value.asDecimal().text;
    default:
      scratch = value.toText();
      return scratch;
  }
}

Variant FoxProValue(const Variant& value) {
  if (ArrivesAsBytes(value)) return value;
  std::string scratch;
  return std::string(FoxProText(value, scratch));
}

Variant MySqlValue(const Variant& value, std::string_view columnType) {
  if (value.isNull()) return value;
  if (value.kind() == Variant::Kind::DateTime) {
    Variant seconds = value;
    SecondsOnly(seconds);
    return columnType == "LONGTEXT" ? Variant(seconds.toText()) : seconds;
  }
  if (columnType == "DOUBLE") {
    switch (value.kind()) {
      case Variant::Kind::Decimal:
        return DoubleOf(value.asDecimal().text).value;
      case Variant::Kind::Integer:
        return static_cast<double>(value.asInteger());
      default:
        return value;
    }
  }
  if (columnType == "LONGTEXT" && value.kind() != Variant::Kind::Text) return value.toText();
  return value;
}

bool SameCell(const Variant& a, const Variant& b) {
  if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
  // Bytes and text differ even where the text's UTF-8 is those bytes (text is stored in the
  // table's code page, bytes as they are); only empty they are the same: a binary memo given the
  // empty text (a NULL's form) reads as no bytes.
  if (ArrivesAsBytes(a) && ArrivesAsBytes(b)) return a.asBytes() == b.asBytes();
  if (ArrivesAsBytes(a) || ArrivesAsBytes(b)) return a.toText().empty() && b.toText().empty();
  if (a.kind() == Variant::Kind::Text && b.kind() == Variant::Kind::Text) return a.asText() == b.asText();
  return a.toText() == b.toText();
}

void AppendCellKey(std::string& out, const Variant& value) {
  if (value.isNull()) {
    out += 'N';
    return;
  }
  std::string scratch;
  const std::string_view text =
      ArrivesAsBytes(value)
          ? std::string_view(reinterpret_cast<const char*>(value.asBytes().data()), value.asBytes().size())
      : value.kind() == Variant::Kind::Text ? std::string_view(value.asText())
                                            : std::string_view(scratch = value.toText());
  out += ArrivesAsBytes(value) && !text.empty() ? 'B' : 'V';
  out += std::to_string(text.size());
  out += ':';
  out += text;
}

std::string NumberKey(std::string_view decimalText) {
  const Digits d = digitsOf(decimalText);
  if (d.digits.empty()) return "0";
  return (d.negative ? "-" : "") + d.digits + "e" + std::to_string(d.exponent);
}

std::string RoundedDecimal(std::string_view decimalText, int places) {
  const Digits d = digitsOf(decimalText);
  // The value's digits at `places` after the point: digits × 10^(exponent + places), rounded.
  std::string units = d.digits;
  const long shift = d.exponent + places;
  if (shift >= 0) {
    units.append(static_cast<std::size_t>(shift), '0');
  } else {
    const std::size_t drop = static_cast<std::size_t>(-shift);
    const bool up = drop <= units.size() && units[units.size() - drop] >= '5';
    units.resize(drop < units.size() ? units.size() - drop : 0);
    for (std::size_t k = units.size(); up; --k) {
      if (k == 0) {
        units.insert(units.begin(), '1');
        break;
      }
      if (units[k - 1] != '9') {
        ++units[k - 1];
        break;
      }
      units[k - 1] = '0';
    }
  }
  const bool zero = units.find_first_not_of('0') == std::string::npos;
  if (units.size() < static_cast<std::size_t>(places) + 1) units.insert(0, places + 1 - units.size(), '0');
  if (places > 0) units.insert(units.size() - static_cast<std::size_t>(places), 1, '.');
  return (d.negative && !zero ? "-" : "") + units;
}

NearestDouble DoubleOf(const std::string& decimalText) {
  const double value = std::strtod(decimalText.c_str(), nullptr);
  if (!std::isfinite(value)) return {value, false};
  return {value, digitsOf(ado::toText(value)) == digitsOf(decimalText)};
}
