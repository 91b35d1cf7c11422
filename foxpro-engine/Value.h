#pragma once
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace fox {

struct Date {
  int year = 0, month = 0, day = 0;  // all zero: FoxPro's empty date
  bool empty() const { return year == 0; }
  bool operator==(const Date&) const = default;
};

struct DateTime {
  Date date;  // empty date: FoxPro's empty date-time
  int hour = 0, minute = 0, second = 0;
  int millisecond = 0;  // 0–999: a T field stores milliseconds, most writers none
  bool empty() const { return date.empty(); }
  bool operator==(const DateTime&) const = default;
};

// An N or F value exactly as the field holds it, trimmed: "-12.50", "7". Never a double on the way.
struct Number {
  std::string text;
  bool operator==(const Number&) const = default;
};

// A Y value: the amount times 10,000.
struct Currency {
  std::int64_t scaled = 0;
  bool operator==(const Currency&) const = default;
};

using Bytes = std::vector<std::uint8_t>;

// One field value of a record. Text is UTF-8 (converted from the table's code page); binary
// fields (Q, W, G, and C/V/M flagged binary) give Bytes.
using Value =
    std::variant<std::monostate /* NULL */, bool /* L */, std::int32_t /* I */, double /* B */, Number /* N, F */,
                 Currency /* Y */, std::string /* C, V, M */, Bytes /* binary */, Date /* D */, DateTime /* T */>;

inline bool isNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

}  // namespace fox
