#pragma once
// Exact decimal numbers as text: what N and F fields hold, and how values become their text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fox {

// The value of an N/F field's bytes: trimmed text ("-12.50"); an empty text when they hold no
// digit, only blanks, a point, a sign or the asterisks FoxPro and dBase write when a number
// overflowed ("   .  ", "*****"); nothing when they are not a number ("12a", "1*").
std::optional<std::string> numberFromField(std::string_view bytes);

// A decimal number: sign, digits and a power of ten (value = ±digits × 10^exponent).
struct Decimal {
  bool negative = false;
  std::string digits;  // no leading zeros; empty for zero
  int exponent = 0;

  // Parses "12", "-1.5", " +.25 ", "1e5", "1.5E-3" (blanks around are allowed); nothing otherwise.
  static std::optional<Decimal> parse(std::string_view text);
  static Decimal fromInt(std::int64_t v);
  // The shortest text that reads back as the same double; nothing for NaN and infinities.
  static std::optional<Decimal> fromDouble(double v);

  bool isZero() const { return digits.empty(); }
  // Rounded half away from zero to `decimals` places, in fixed notation: "-12.50".
  std::string fixed(int decimals) const;
  // The value rounded to a whole number, if it fits an int64.
  std::optional<std::int64_t> rounded() const;
  // The value × 10^shift rounded to a whole number, if it fits an int64 (Currency: shift 4).
  std::optional<std::int64_t> scaled(int shift) const;
};

// A Currency's scaled value as text: 123456 → "12.3456", -5 → "-0.0005".
std::string currencyText(std::int64_t scaled);
// A double in its shortest round-trip text with "." ("0.1", "1e+300").
std::string doubleText(double v);

}  // namespace fox
