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

}  // namespace

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

NearestDouble DoubleOf(const std::string& decimalText) {
  const double value = std::strtod(decimalText.c_str(), nullptr);
  if (!std::isfinite(value)) return {value, false};
  return {value, digitsOf(ado::toText(value)) == digitsOf(decimalText)};
}
