#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace fox {

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\0'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}
}  // namespace

std::optional<std::string> numberFromField(std::string_view bytes) {
  std::string_view t = trim(bytes);
  if (t.find_first_not_of(std::string_view(" .+-*\0", 6)) == std::string_view::npos) return std::string();
  if (!Decimal::parse(t)) return std::nullopt;
  return std::string(t);
}

std::optional<Decimal> Decimal::parse(std::string_view text) {
  std::string_view s = trim(text);
  Decimal d;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) d.negative = s[i++] == '-';
  std::string digits;
  int fraction = 0;
  bool any = false;
  while (i < s.size() && isDigit(s[i])) digits.push_back(s[i++]), any = true;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) digits.push_back(s[i++]), ++fraction, any = true;
  }
  if (!any) return std::nullopt;
  long exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    if (i >= s.size() || !isDigit(s[i])) return std::nullopt;
    while (i < s.size() && isDigit(s[i])) {
      exponent = exponent * 10 + (s[i++] - '0');
      if (exponent > 100000) return std::nullopt;
    }
    if (neg) exponent = -exponent;
  }
  if (i != s.size()) return std::nullopt;
  std::size_t lead = digits.find_first_not_of('0');
  if (lead == std::string::npos) return Decimal{};
  d.digits = digits.substr(lead);
  d.exponent = int(exponent) - fraction;
  // Trailing zeros move into the exponent, so equal values look alike.
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back(), ++d.exponent;
  return d;
}

Decimal Decimal::fromInt(std::int64_t v) {
  Decimal d;
  d.negative = v < 0;
  std::uint64_t u = d.negative ? 0 - std::uint64_t(v) : std::uint64_t(v);
  if (u == 0) return d;
  d.digits = std::to_string(u);
  while (d.digits.back() == '0') d.digits.pop_back(), ++d.exponent;
  return d;
}

std::optional<Decimal> Decimal::fromDouble(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  return parse(doubleText(v));
}

std::string Decimal::fixed(int decimals) const {
  // Digits of the value at `decimals` places: digits × 10^(exponent + decimals), rounded.
  std::string units = digits;
  int shift = exponent + decimals;
  if (shift >= 0) {
    units.append(std::size_t(shift), '0');
  } else {
    std::size_t drop = std::size_t(-shift);
    bool roundUp = false;
    if (drop > units.size()) {
      units.clear();
    } else {
      roundUp = units[units.size() - drop] >= '5';
      units.resize(units.size() - drop);
    }
    if (roundUp) {
      int k = int(units.size()) - 1;
      while (k >= 0 && units[std::size_t(k)] == '9') units[std::size_t(k--)] = '0';
      if (k < 0)
        units.insert(units.begin(), '1');
      else
        units[std::size_t(k)]++;
    }
  }
  std::size_t lead = units.find_first_not_of('0');
  units = lead == std::string::npos ? std::string() : units.substr(lead);
  bool zero = units.empty();
  if (units.size() < std::size_t(decimals) + 1)
    units.insert(units.begin(), std::size_t(decimals) + 1 - units.size(), '0');
  if (decimals > 0) units.insert(units.end() - decimals, '.');
  return (negative && !zero ? "-" : "") + units;
}

std::optional<std::int64_t> Decimal::scaled(int shift) const {
  Decimal moved = *this;
  moved.exponent += shift;
  std::string text = moved.fixed(0);
  std::int64_t v = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  return v;
}

std::optional<std::int64_t> Decimal::rounded() const { return scaled(0); }

std::string currencyText(std::int64_t scaled) {
  bool negative = scaled < 0;
  std::uint64_t u = negative ? 0 - std::uint64_t(scaled) : std::uint64_t(scaled);
  std::string s = std::to_string(u / 10000);
  std::string frac = std::to_string(u % 10000);
  s += "." + std::string(4 - frac.size(), '0') + frac;
  return (negative ? "-" : "") + s;
}

std::string doubleText(double v) {
  char buf[64];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, ptr) : std::string("0");
}

}  // namespace fox
