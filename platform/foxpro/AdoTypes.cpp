#include "AdoTypes.h"

#include <cstdlib>
#include <limits>

namespace foxpro {

ado::DataTypeEnum adoType(const fox::Field& field) {
  switch (field.type) {
    case 'C':
      return field.binary() ? ado::adBinary : ado::adChar;
    case 'V':
      return field.binary() ? ado::adVarBinary : ado::adVarChar;
    case 'M':
      return field.binary() ? ado::adLongVarBinary : ado::adLongVarChar;
    case 'Q':
      return ado::adVarBinary;
    case 'G':
    case 'W':
    case 'P':
      return ado::adLongVarBinary;
    case 'N':
    case 'F':
      return ado::adNumeric;
    case 'I':
    case '+':
      return ado::adInteger;  // dBase 7's autoincrement
    case 'B':
    case 'O':
      return ado::adDouble;  // dBase 7's double
    case 'Y':
      return ado::adCurrency;
    case 'D':
      return ado::adDBDate;
    case 'T':
    case '@':
      return ado::adDBTimeStamp;  // dBase 7's timestamp
    case 'L':
      return ado::adBoolean;
    default:
      return ado::adVarChar;
  }
}

ado::provider::FieldInfo fieldInfo(const fox::Field& field, std::string name) {
  ado::provider::FieldInfo info;
  info.name = std::move(name);
  info.type = adoType(field);
  info.nullable = field.nullable();
  switch (field.type) {
    case 'C':
    case 'V':
    case 'Q':
      info.definedSize = field.length;
      break;
    case 'N':
    case 'F':
      info.definedSize = field.length;
      info.precision = field.length;
      info.scale = field.decimals;
      break;
    case 'M':
    case 'G':
    case 'W':
    case 'P':
      info.definedSize = std::numeric_limits<int>::max();
      break;
    case 'Y':
      info.definedSize = 8;
      info.precision = 19;
      info.scale = 4;
      break;
    case 'B':
    case 'O':
      info.definedSize = 8;
      info.precision = 15;
      info.scale = field.decimals;
      break;
    default:
      info.definedSize = field.length;
      break;
  }
  return info;
}

namespace {

// The amount times 10,000 as exact decimal text with four places: 180000 → "18.0000".
std::string currencyText(std::int64_t scaled) {
  bool negative = scaled < 0;
  // Work in unsigned so that the most negative amount has a magnitude.
  std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  std::string fraction = std::to_string(magnitude % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  return (negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction;
}

struct Convert {
  ado::Variant operator()(std::monostate) const { return {}; }
  ado::Variant operator()(bool v) const { return v; }
  ado::Variant operator()(std::int32_t v) const { return static_cast<int>(v); }
  ado::Variant operator()(double v) const { return v; }
  ado::Variant operator()(fox::Number& v) const { return ado::Decimal{std::move(v.text)}; }
  ado::Variant operator()(fox::Currency v) const { return ado::Decimal{currencyText(v.scaled)}; }
  ado::Variant operator()(std::string& v) const { return std::move(v); }
  ado::Variant operator()(fox::Bytes& v) const { return std::move(v); }
  ado::Variant operator()(fox::Date v) const {
    if (v.empty()) return {};
    return ado::Date{v.year, v.month, v.day};
  }
  ado::Variant operator()(fox::DateTime v) const {
    if (v.empty()) return {};
    return ado::DateTime{{v.date.year, v.date.month, v.date.day}, {v.hour, v.minute, v.second, v.millisecond * 1000}};
  }
};

}  // namespace

ado::Variant toVariant(fox::Value&& value) { return std::visit(Convert{}, value); }

}  // namespace foxpro
