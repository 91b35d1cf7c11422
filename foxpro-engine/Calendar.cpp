#include "Calendar.h"

#include <cctype>
#include <cstdio>

namespace fox {

std::int64_t julianDay(int year, int month, int day) {
  std::int64_t a = (14 - month) / 12;
  std::int64_t y = year + 4800 - a;
  std::int64_t m = month + 12 * a - 3;
  return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

Date dateFromJulianDay(std::int64_t jdn) {
  std::int64_t a = jdn + 32044;
  std::int64_t b = (4 * a + 3) / 146097;
  std::int64_t c = a - 146097 * b / 4;
  std::int64_t d = (4 * c + 3) / 1461;
  std::int64_t e = c - 1461 * d / 4;
  std::int64_t m = (5 * e + 2) / 153;
  Date out;
  out.day = int(e - (153 * m + 2) / 5 + 1);
  out.month = int(m + 3 - 12 * (m / 10));
  out.year = int(100 * b + d - 4800 + m / 10);
  return out;
}

bool validDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

DateTime dateTimeFromJulian(std::int64_t jdn, std::int64_t milliseconds) {
  std::int64_t seconds = (milliseconds + 500) / 1000;
  jdn += seconds / 86400;
  seconds %= 86400;
  DateTime t;
  t.date = dateFromJulianDay(jdn);
  t.hour = int(seconds / 3600);
  t.minute = int(seconds / 60 % 60);
  t.second = int(seconds % 60);
  return t;
}

DateTime exactDateTimeFromJulian(std::int64_t jdn, std::int64_t milliseconds) {
  DateTime t = dateTimeFromJulian(jdn, milliseconds - milliseconds % 1000);
  t.millisecond = int(milliseconds % 1000);
  return t;
}

DateTime roundedToSecond(const DateTime& t) {
  if (t.millisecond == 0 || t.empty()) return t;
  const std::int64_t jdn = julianDay(t.date.year, t.date.month, t.date.day);
  const std::int64_t ms = (std::int64_t(t.hour) * 3600 + t.minute * 60 + t.second) * 1000 + t.millisecond;
  DateTime rounded = dateTimeFromJulian(jdn, ms);
  if (rounded.date.year > 9999) rounded = dateTimeFromJulian(jdn, ms - t.millisecond);
  return rounded;
}

namespace {

struct Cursor {
  std::string_view s;
  std::size_t pos = 0;
  bool done() const { return pos >= s.size(); }
  char peek() const { return done() ? '\0' : s[pos]; }
  // Reads 1..maxDigits digits; -1 when there are none.
  int number(int maxDigits, int* count = nullptr) {
    int v = 0, n = 0;
    while (n < maxDigits && !done() && std::isdigit((unsigned char)s[pos])) v = v * 10 + (s[pos++] - '0'), ++n;
    if (count) *count = n;
    return n == 0 ? -1 : v;
  }
  bool accept(char c) {
    if (peek() != c) return false;
    ++pos;
    return true;
  }
  void blanks() {
    while (!done() && s[pos] == ' ') ++pos;
  }
};

bool parseTime(Cursor& c, DateTime& t) {
  int h = c.number(2);
  if (h < 0 || !c.accept(':')) return false;
  int m = c.number(2), sec = 0, ms = 0;
  if (m < 0) return false;
  if (c.accept(':')) {
    sec = c.number(2);
    if (sec < 0) return false;
    if (c.accept('.')) {
      int digits = 0;
      int frac = c.number(9, &digits);
      if (frac < 0) return false;
      while (digits < 3) frac *= 10, ++digits;
      while (digits > 3) frac /= 10, --digits;
      ms = frac;
    }
  }
  c.blanks();
  if (c.peek() == 'A' || c.peek() == 'a' || c.peek() == 'P' || c.peek() == 'p') {
    bool pm = c.peek() == 'P' || c.peek() == 'p';
    ++c.pos;
    if (!(c.accept('M') || c.accept('m'))) return false;
    if (h < 1 || h > 12) return false;
    h = h % 12 + (pm ? 12 : 0);
  }
  if (h > 23 || m > 59 || sec > 59) return false;
  std::int64_t jdn = julianDay(t.date.year, t.date.month, t.date.day);
  t = dateTimeFromJulian(jdn, (std::int64_t(h) * 3600 + m * 60 + sec) * 1000 + ms);
  return t.date.year <= 9999;
}

}  // namespace

std::optional<DateTime> parseDateTime(std::string_view text, bool* hadTime) {
  if (hadTime) *hadTime = false;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  bool braces = false;
  if (text.size() >= 2 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, text.size() - 2);
    braces = true;
    if (!text.empty() && text.front() == '^') text.remove_prefix(1);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  }
  if (text.empty() || (braces && (text == "/ /" || text == "/ / :"))) return DateTime{};

  Cursor c{text};
  int first, firstDigits = 0;
  first = c.number(8, &firstDigits);
  if (first < 0) return std::nullopt;
  int y, m, d;
  if (firstDigits == 8) {
    y = first / 10000, m = first / 100 % 100, d = first % 100;
  } else if (firstDigits == 4) {  // year first
    char sep = c.peek();
    if (sep != '-' && sep != '/' && sep != '.') return std::nullopt;
    ++c.pos;
    y = first;
    m = c.number(2);
    if (!c.accept(sep)) return std::nullopt;
    d = c.number(2);
  } else if (firstDigits <= 2) {  // American month/day/year
    if (!c.accept('/')) return std::nullopt;
    m = first;
    d = c.number(2);
    if (!c.accept('/')) return std::nullopt;
    int yd = 0;
    y = c.number(4, &yd);
    if (yd != 4) return std::nullopt;
  } else {
    return std::nullopt;
  }
  if (m < 0 || d < 0 || !validDate(y, m, d)) return std::nullopt;
  DateTime t;
  t.date = {y, m, d};
  if (c.done()) return t;
  if (c.peek() == 'T' || c.peek() == ' ' || c.peek() == ',') {
    ++c.pos;
    c.blanks();
    if (c.done()) return t;
    if (!parseTime(c, t)) return std::nullopt;
    if (hadTime) *hadTime = true;
    c.blanks();
    if (c.done()) return t;
  }
  return std::nullopt;
}

std::string formatDate(const Date& d) {
  if (d.empty()) return "";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

std::string formatDateTime(const DateTime& t) {
  if (t.empty()) return "";
  char buf[48];
  int n = std::snprintf(buf, sizeof buf, "%s %02d:%02d:%02d", formatDate(t.date).c_str(), t.hour, t.minute, t.second);
  if (t.millisecond != 0) {
    std::snprintf(buf + n, sizeof buf - n, ".%03d", t.millisecond);
    for (n += 4; buf[n - 1] == '0'; --n) buf[n - 1] = '\0';
  }
  return buf;
}

}  // namespace fox
