#include "Parameters.h"

#include <cstring>

#include "platform/ado/Error.h"

namespace mysql {

using ado::Variant;

namespace {

void setDate(MYSQL_TIME& t, const ado::Date& d) {
  t.year = static_cast<unsigned>(d.year);
  t.month = static_cast<unsigned>(d.month);
  t.day = static_cast<unsigned>(d.day);
}

void setClock(MYSQL_TIME& t, const ado::Time& c) {
  t.hour = static_cast<unsigned>(c.hour);
  t.minute = static_cast<unsigned>(c.minute);
  t.second = static_cast<unsigned>(c.second);
  t.second_part = static_cast<unsigned long>(c.microsecond);
  t.neg = c.negative;
}

bool validDate(const ado::Date& d) {
  return d.year >= 0 && d.year <= 9999 && d.month >= 0 && d.month <= 12 && d.day >= 0 && d.day <= 31;
}

bool validClock(const ado::Time& t, int maxHour) {
  return t.hour >= 0 && t.hour <= maxHour && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59 &&
         t.microsecond >= 0 && t.microsecond <= 999999;
}

}  // namespace

void Parameters::check(const Variant& value) {
  bool valid = true;
  switch (value.kind()) {
    case Variant::Kind::Date:
      valid = validDate(value.asDate());
      break;
    case Variant::Kind::Time:
      valid = validClock(value.asTime(), 838);
      break;
    case Variant::Kind::DateTime: {
      const ado::DateTime& dt = value.asDateTime();
      valid = validDate(dt.date) && validClock(dt.time, 23) && !dt.time.negative;
      break;
    }
    default:
      break;
  }
  if (!valid)
    throw ado::Error(ado::errors::kWrongArgument,
                     "The value " + value.toText() + " is not a date or time that MySQL can store.");
}

std::size_t Parameters::valueSize(const Variant& value) {
  auto withLength = [](std::size_t n) { return n + (n < 251 ? 1 : n < (1 << 16) ? 3 : n < (1 << 24) ? 4 : 9); };
  switch (value.kind()) {
    case Variant::Kind::Null:
      return 0;
    case Variant::Kind::Boolean:
      return 1;
    case Variant::Kind::Date:
      return 5;
    case Variant::Kind::DateTime:
      return 12;
    case Variant::Kind::Time:
      return 13;
    case Variant::Kind::Decimal:
      return withLength(value.asDecimal().text.size());
    case Variant::Kind::Text:
      return withLength(value.asText().size());
    case Variant::Kind::Bytes:
      return withLength(value.asBytes().size());
    default:
      return 8;
  }
}

std::size_t Parameters::packetSize(const std::vector<Variant>& values) {
  // Command, statement id, flags and iteration count; then the null bitmap, the new-bound flag
  // and two type bytes per value.
  std::size_t size = 10;
  if (!values.empty()) size += (values.size() + 7) / 8 + 1 + 2 * values.size();
  for (const Variant& v : values) size += valueSize(v);
  return size;
}

void Parameters::reset(std::size_t count) {
  binds_.assign(count, MYSQL_BIND{});
  slots_.assign(count, Slot{});
}

void Parameters::set(std::size_t index, const Variant& value) {
  MYSQL_BIND& b = binds_[index];
  Slot& s = slots_[index];
  std::memset(&b, 0, sizeof b);
  auto bindBuffer = [&](enum_field_types type, const void* data, std::size_t size) {
    static char nothing = 0;  // an empty value still needs a buffer, or it would travel as NULL
    b.buffer_type = type;
    b.buffer = data ? const_cast<void*>(data) : &nothing;
    b.buffer_length = size;
    s.length = size;
    b.length = &s.length;
  };
  switch (value.kind()) {
    case Variant::Kind::Null:
      b.buffer_type = MYSQL_TYPE_NULL;
      break;
    case Variant::Kind::Boolean:
      s.tiny = value.asBoolean() ? 1 : 0;
      b.buffer_type = MYSQL_TYPE_TINY;
      b.buffer = &s.tiny;
      break;
    case Variant::Kind::Integer:
      s.integer = value.asInteger();
      b.buffer_type = MYSQL_TYPE_LONGLONG;
      b.buffer = &s.integer;
      break;
    case Variant::Kind::UnsignedInteger:
      s.integer = static_cast<long long>(value.asUnsignedInteger());
      b.buffer_type = MYSQL_TYPE_LONGLONG;
      b.buffer = &s.integer;
      b.is_unsigned = 1;
      break;
    case Variant::Kind::Double:
      s.real = value.asDouble();
      b.buffer_type = MYSQL_TYPE_DOUBLE;
      b.buffer = &s.real;
      break;
    case Variant::Kind::Decimal: {
      const std::string& text = value.asDecimal().text;
      bindBuffer(MYSQL_TYPE_NEWDECIMAL, text.data(), text.size());
      break;
    }
    case Variant::Kind::Text:
      bindBuffer(MYSQL_TYPE_STRING, value.asText().data(), value.asText().size());
      break;
    case Variant::Kind::Bytes:
      // A binary string: stored byte for byte in binary columns; converted (and checked) as
      // text in character columns.
      bindBuffer(MYSQL_TYPE_BLOB, value.asBytes().data(), value.asBytes().size());
      break;
    case Variant::Kind::Date:
      setDate(s.time, value.asDate());
      s.time.time_type = MYSQL_TIMESTAMP_DATE;
      b.buffer_type = MYSQL_TYPE_DATE;
      b.buffer = &s.time;
      break;
    case Variant::Kind::Time:
      setClock(s.time, value.asTime());
      // The binary protocol carries a duration's hours beyond a day as days.
      s.time.day = s.time.hour / 24;
      s.time.hour %= 24;
      s.time.time_type = MYSQL_TIMESTAMP_TIME;
      b.buffer_type = MYSQL_TYPE_TIME;
      b.buffer = &s.time;
      break;
    case Variant::Kind::DateTime:
      setDate(s.time, value.asDateTime().date);
      setClock(s.time, value.asDateTime().time);
      s.time.time_type = MYSQL_TIMESTAMP_DATETIME;
      b.buffer_type = MYSQL_TYPE_DATETIME;
      b.buffer = &s.time;
      break;
  }
}

}  // namespace mysql
