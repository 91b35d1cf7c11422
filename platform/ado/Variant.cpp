#include "Variant.h"

#include <charconv>
#include <cstdio>

#include "Error.h"

namespace ado {

namespace {

template <typename T>
const T& get(const auto& storage, const char* kindName) {
  if (const T* v = std::get_if<T>(&storage)) return *v;
  throw Error(errors::kWrongArgument, std::string("The value is not ") + kindName + ".");
}

}  // namespace

bool Variant::asBoolean() const { return get<bool>(value_, "a boolean"); }
std::int64_t Variant::asInteger() const { return get<std::int64_t>(value_, "an integer"); }
std::uint64_t Variant::asUnsignedInteger() const { return get<std::uint64_t>(value_, "an unsigned integer"); }
double Variant::asDouble() const { return get<double>(value_, "a double"); }
const Decimal& Variant::asDecimal() const { return get<Decimal>(value_, "a decimal"); }
const std::string& Variant::asText() const { return get<std::string>(value_, "a text"); }
const Bytes& Variant::asBytes() const { return get<Bytes>(value_, "binary"); }
const Date& Variant::asDate() const { return get<Date>(value_, "a date"); }
const Time& Variant::asTime() const { return get<Time>(value_, "a time"); }
const DateTime& Variant::asDateTime() const { return get<DateTime>(value_, "a date-time"); }

namespace {
// Appends `value` with `digits` digits, zeros in front; false when it does not fit.
bool putDigits(char*& out, int value, int digits) {
  if (value < 0) return false;
  for (int i = digits - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
  out += digits;
  return value == 0;
}
}  // namespace

std::string toText(const Date& d) {
  // Copies write millions of dates: the usual ones are formatted by hand, the rest by snprintf.
  char fast[10];
  char* p = fast;
  if (putDigits(p, d.year, 4) && (*p++ = '-') && putDigits(p, d.month, 2) && (*p++ = '-') && putDigits(p, d.day, 2))
    return std::string(fast, sizeof fast);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

std::string toText(const Time& t) {
  char buf[40];
  int n = std::snprintf(buf, sizeof buf, "%s%02d:%02d:%02d", t.negative ? "-" : "", t.hour, t.minute, t.second);
  if (t.microsecond != 0) {
    // Fractions without trailing zeros: .5, .25, .000001
    char frac[16];
    std::snprintf(frac, sizeof frac, "%06d", t.microsecond);
    int len = 6;
    while (len > 0 && frac[len - 1] == '0') --len;
    std::snprintf(buf + n, sizeof buf - n, ".%.*s", len, frac);
  }
  return buf;
}

std::string toText(const DateTime& dt) { return toText(dt.date) + " " + toText(dt.time); }

std::string toText(double v) {
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, result.ptr);
}

std::string Variant::toText() const {
  switch (kind()) {
    case Kind::Null:
      return {};
    case Kind::Boolean:
      return asBoolean() ? "1" : "0";
    case Kind::Integer:
      return std::to_string(asInteger());
    case Kind::UnsignedInteger:
      return std::to_string(asUnsignedInteger());
    case Kind::Double:
      return ado::toText(asDouble());
    case Kind::Decimal:
      return asDecimal().text;
    case Kind::Text:
      return asText();
    case Kind::Bytes:
      return std::string(asBytes().begin(), asBytes().end());
    case Kind::Date:
      return ado::toText(asDate());
    case Kind::Time:
      return ado::toText(asTime());
    case Kind::DateTime:
      return ado::toText(asDateTime());
  }
  return {};
}

}  // namespace ado
