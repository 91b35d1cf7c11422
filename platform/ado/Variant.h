#pragma once
#include <compare>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace ado {

struct Date {
  int year = 1, month = 1, day = 1;
  auto operator<=>(const Date&) const = default;
};

// A time of day, or (from MySQL's TIME, -838:59:59 … 838:59:59) a signed duration: then hour
// may pass 23 and `negative` gives the sign.
struct Time {
  int hour = 0, minute = 0, second = 0;
  int microsecond = 0;
  bool negative = false;
  auto operator<=>(const Time&) const = default;
};

struct DateTime {
  Date date;
  Time time;
  auto operator<=>(const DateTime&) const = default;
};

// An exact decimal number kept as its text ("-12.50", "0.0001"): never passed through a double.
struct Decimal {
  std::string text;
  auto operator<=>(const Decimal&) const = default;
};

using Bytes = std::vector<std::uint8_t>;

// The value of a field: null, or one typed value. Null is distinct from the empty text.
class Variant {
 public:
  enum class Kind { Null, Boolean, Integer, UnsignedInteger, Double, Decimal, Text, Bytes, Date, Time, DateTime };

  Variant() = default;
  Variant(bool v) : value_(v) {}
  Variant(int v) : value_(std::int64_t{v}) {}
  Variant(long v) : value_(std::int64_t{v}) {}
  Variant(long long v) : value_(std::int64_t{v}) {}
  Variant(unsigned v) : value_(std::uint64_t{v}) {}
  Variant(unsigned long v) : value_(std::uint64_t{v}) {}
  Variant(unsigned long long v) : value_(std::uint64_t{v}) {}
  Variant(double v) : value_(v) {}
  Variant(ado::Decimal v) : value_(std::move(v)) {}
  Variant(std::string v) : value_(std::move(v)) {}
  Variant(const char* v) : value_(std::string(v)) {}
  Variant(ado::Bytes v) : value_(std::move(v)) {}
  Variant(ado::Date v) : value_(v) {}
  Variant(ado::Time v) : value_(v) {}
  Variant(ado::DateTime v) : value_(v) {}

  Kind kind() const { return static_cast<Kind>(value_.index()); }
  bool isNull() const { return kind() == Kind::Null; }

  // Typed access; each throws ado::Error when the value is of another kind.
  bool asBoolean() const;
  std::int64_t asInteger() const;
  std::uint64_t asUnsignedInteger() const;
  double asDouble() const;
  const ado::Decimal& asDecimal() const;
  const std::string& asText() const;
  const ado::Bytes& asBytes() const;
  const ado::Date& asDate() const;
  const ado::Time& asTime() const;
  const ado::DateTime& asDateTime() const;

  // The canonical, locale-independent text form: ISO dates "2026-12-06", times "13:45:00",
  // date-times "2026-12-06 13:45:00" (fractions only when not zero), decimals as stored,
  // doubles in shortest round-trip form with ".", booleans "1"/"0", bytes as they are,
  // null as the empty text.
  std::string toText() const;

  bool operator==(const Variant&) const = default;

 private:
  // Order matches Kind.
  std::variant<std::monostate, bool, std::int64_t, std::uint64_t, double, ado::Decimal, std::string, ado::Bytes,
               ado::Date, ado::Time, ado::DateTime>
      value_;
};

// Text forms shared by providers and tests.
std::string toText(const Date& d);
std::string toText(const Time& t);
std::string toText(const DateTime& dt);
std::string toText(double v);

}  // namespace ado
