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

std::string toText(const Date& d) {
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
    case Kind::Null: return {};
    case Kind::Boolean: return asBoolean() ? "1" : "0";
    case Kind::Integer: return std::to_string(asInteger());
    case Kind::UnsignedInteger: return std::to_string(asUnsignedInteger());
    case Kind::Double: return ado::toText(asDouble());
    case Kind::Decimal: return asDecimal().text;
    case Kind::Text: return asText();
    case Kind::Bytes: return std::string(asBytes().begin(), asBytes().end());
    case Kind::Date: return ado::toText(asDate());
    case Kind::Time: return ado::toText(asTime());
    case Kind::DateTime: return ado::toText(asDateTime());
  }
  return {};
}

}  // namespace ado
