#include "TypedColumns.h"

#include <cstdio>
#include <limits>

#include "FoxProLiterals.h"
#include "ValueForms.h"

namespace {

constexpr int kWidestCharacter = 254;  // C, V and Q fields
constexpr int kWidestNumber = 20;      // N fields
// I fields hold -2147483647 … 2147483647: FoxPro has no -2^31.
constexpr std::int64_t kLargestInteger = std::numeric_limits<std::int32_t>::max();

FoxProType of(char letter, int width = 0, int decimals = 0) { return {letter, width, decimals, true}; }

FoxProType text(char letter, long characters, bool doubleByte) {
  const int characterBytes = doubleByte ? 2 : 1;
  const long width = characters * characterBytes;
  if (width > kWidestCharacter) return of('M');
  FoxProType type = of(letter, static_cast<int>(std::max(width, 1L)));
  type.characterBytes = characterBytes;
  return type;
}

FoxProType binary(long bytes) {
  if (bytes > kWidestCharacter) return of('W');
  return of('Q', static_cast<int>(std::max(bytes, 1L)));
}

std::string typeText(char letter, int width, int decimals) {
  if (letter == 'N') return "N(" + std::to_string(width) + "," + std::to_string(decimals) + ")";
  if (letter == 'C' || letter == 'V' || letter == 'Q')
    return std::string(1, letter) + "(" + std::to_string(width) + ")";
  return std::string(1, letter);
}

std::size_t characters(const std::string& utf8) {
  std::size_t count = 0;
  for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

std::string wider(const FoxProType& column) {
  return "it is wider than the column's " + typeText(column.letter, column.width, column.decimals);
}

// A number's text ("-12.50", "20") fits N(w,d) when it has no more than d decimals and w
// characters.
std::string numberRefusal(const std::string& number, const FoxProType& column) {
  const std::size_t point = number.find('.');
  const std::size_t decimals = point == std::string::npos ? 0 : number.size() - point - 1;
  if (static_cast<int>(decimals) > column.decimals || static_cast<int>(number.size()) > column.width)
    return wider(column);
  return {};
}

// Text without its trailing blanks: a C field's padding.
std::string withoutPadding(const std::string& text) { return text.substr(0, text.find_last_not_of(' ') + 1); }

bool zeroDate(const ado::Date& d) { return d.year == 0 || d.month == 0 || d.day == 0; }

void appendDate(std::string& out, const ado::Date& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  out += "{^";
  out += buf;
}

std::string appendNumber(std::string& out, const ado::Variant& value, const FoxProType& column) {
  std::string number;
  switch (value.kind()) {
    case ado::Variant::Kind::Integer:
      if (column.letter == 'I' && (value.asInteger() < -kLargestInteger || value.asInteger() > kLargestInteger))
        return wider(column);
      number = value.toText();
      break;
    case ado::Variant::Kind::UnsignedInteger:
      if (column.letter == 'I' && value.asUnsignedInteger() > kLargestInteger) return wider(column);
      number = value.toText();
      break;
    case ado::Variant::Kind::Boolean:
      number = value.asBoolean() ? "1" : "0";
      break;
    case ado::Variant::Kind::Decimal:
    case ado::Variant::Kind::Double:
      number = value.toText();
      break;
    default:
      return "it is not a number";
  }
  if (column.letter == 'N') {
    std::string refused = numberRefusal(number, column);
    if (!refused.empty()) return refused;
  }
  out += number;
  return {};
}

std::string appendText(std::string& out, const ado::Variant& value, const FoxProType& column) {
  if (value.kind() == ado::Variant::Kind::Bytes) {
    if (column.letter != 'M' && column.letter != 'W' && value.asBytes().size() > static_cast<std::size_t>(column.width))
      return wider(column);
    AppendBinaryLiteral(out, value.asBytes());
    return {};
  }
  const std::string text = value.kind() == ado::Variant::Kind::Text ? value.asText() : value.toText();
  // Bytes in the table's code page, which has at most characterBytes for a character (a character
  // it has none for is the engine's error).
  if (column.letter != 'M' && column.letter != 'W' &&
      characters(text) * static_cast<std::size_t>(column.characterBytes) > static_cast<std::size_t>(column.width))
    return wider(column);
  AppendTextLiteral(out, text);
  return {};
}

}  // namespace

FieldShape ShapeOf(const ado::Recordset::Field& field) {
  return {field.Name(),      field.Type(),         field.DefinedSize(),
          field.Precision(), field.NumericScale(), (field.Attributes() & ado::adFldIsNullable) != 0};
}

bool IsDoubleByteCodePage(int codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

FoxProType TypedFoxProType(const FieldShape& c, bool doubleByte) {
  FoxProType type;
  switch (c.type) {
    case ado::adTinyInt:
    case ado::adUnsignedTinyInt:
    case ado::adSmallInt:
    case ado::adUnsignedSmallInt:
    case ado::adInteger:
      type = of('I');
      break;
    case ado::adUnsignedInt:  // MEDIUMINT UNSIGNED (8 digits) fits 32 bits, INT UNSIGNED does not
      type = c.precision < 10 ? of('I') : of('N', kWidestNumber);
      break;
    case ado::adBigInt:
    case ado::adUnsignedBigInt:
      type = of('N', kWidestNumber);
      break;
    case ado::adNumeric: {
      // Sign, digits and point; with no digit before the point FoxPro writes a 0 there ("-0.5").
      const int width = c.precision + 2 + (c.scale >= c.precision ? 1 : 0);
      type = width <= kWidestNumber ? of('N', width, c.scale) : of('M');
      break;
    }
    case ado::adSingle:
    case ado::adDouble:
      type = of('B');
      break;
    case ado::adDBDate:
      type = of('D');
      break;
    case ado::adDBTimeStamp:
      type = of('T');
      break;
    case ado::adDBTime:
      type = of('V', static_cast<int>(std::max(c.definedSize, 10L)));
      break;
    case ado::adBoolean:
      type = of('L');
      break;
    case ado::adChar:
      type = text('C', c.definedSize, doubleByte);
      break;
    case ado::adVarChar:
      type = text('V', c.definedSize, doubleByte);
      break;
    case ado::adBinary:
    case ado::adVarBinary:
      type = binary(c.definedSize);
      break;
    case ado::adLongVarBinary:
      type = of('W');
      break;
    default:
      type = of('M');
  }
  type.nullable = c.nullable;
  return type;
}

std::string FoxProTypeText(const FoxProType& type) {
  return " " + typeText(type.letter, type.width, type.decimals) + (type.nullable ? " NULL" : " NOT NULL");
}

std::string AppendTypedLiteral(std::string& out, const ado::Variant& value, const FoxProType& column) {
  if (value.isNull()) {
    out += ".NULL.";
    return {};
  }
  switch (column.letter) {
    case 'I':
    case 'N':
    case 'B':
      return appendNumber(out, value, column);
    case 'L':
      out += value.kind() == ado::Variant::Kind::Boolean && value.asBoolean() ? ".T." : ".F.";
      return {};
    case 'D':
      if (value.kind() != ado::Variant::Kind::Date) return "it is not a date";
      if (zeroDate(value.asDate())) return "the zero date is no date FoxPro holds";
      appendDate(out, value.asDate());
      out += '}';
      return {};
    case 'T': {
      if (value.kind() != ado::Variant::Kind::DateTime) return "it is not a date and time";
      const ado::DateTime& dt = value.asDateTime();
      if (zeroDate(dt.date)) return "the zero date is no date FoxPro holds";
      if (dt.time.microsecond != 0) return "a FoxPro date-time holds no fraction of a second";
      appendDate(out, dt.date);
      char buf[16];
      std::snprintf(buf, sizeof buf, " %02d:%02d:%02d}", dt.time.hour, dt.time.minute, dt.time.second);
      out += buf;
      return {};
    }
    default:
      return appendText(out, value, column);
  }
}

std::string TypedFoxProChange(const ado::Variant& value, const FoxProType& column) {
  if (column.letter != 'N') return {};
  std::string scratch;
  const std::string number(FoxProText(value, scratch));
  const NearestDouble nearest = DoubleOf(number);
  // A whole number is held when the double is that very number (2^63 is); a fraction when the
  // double reads back as it (0.1 does).
  const std::size_t point = number.find('.');
  const bool whole = point == std::string::npos || number.find_first_not_of('0', point + 1) == std::string::npos;
  char held[400];
  std::snprintf(held, sizeof held, whole ? "%.0f" : "%.17g", nearest.value);
  if (whole ? number.compare(0, point, held) == 0 : nearest.exact) return {};
  return "more digits than a double holds: the N field stores them, but FoxPro computes with and indexes " +
         std::string(held);
}

bool BlankReadsAsNull(int adoType) {
  return adoType == ado::adNumeric || adoType == ado::adBoolean || adoType == ado::adDBDate ||
         adoType == ado::adDBTimeStamp;
}

std::string TypedMySqlValue(ado::Variant& value, const FieldShape& f) {
  SecondsOnly(value);
  if (f.type == ado::adChar && value.kind() == ado::Variant::Kind::Text && value.asText().ends_with(' '))
    value = withoutPadding(value.asText());
  if (f.type != ado::adNumeric || value.kind() != ado::Variant::Kind::Decimal) return {};
  std::string rounded = RoundedDecimal(value.asDecimal().text, f.scale);
  // DECIMAL(p,s) holds p - s digits before the point.
  const std::size_t point = std::min(rounded.find('.'), rounded.size());
  const std::size_t sign = rounded[0] == '-' ? 1 : 0;
  const std::size_t whole = rounded.compare(sign, point - sign, "0") == 0 ? 0 : point - sign;
  if (static_cast<int>(whole) > std::max(f.precision, f.scale) - f.scale)
    return "Out of range value for column '" + f.name + "'";
  if (rounded != value.asDecimal().text) value = ado::Decimal{std::move(rounded)};
  return {};
}

TypedCellForm CellFormOf(const FoxProType& column) {
  if (column.letter == 'I' || column.letter == 'N') return TypedCellForm::Number;
  return column.letter == 'C' ? TypedCellForm::Padded : TypedCellForm::AsIs;
}

TypedCellForm CellFormOf(const FieldShape& f) {
  if (f.type == ado::adNumeric || f.type == ado::adInteger || f.type == ado::adCurrency) return TypedCellForm::Number;
  return f.type == ado::adChar ? TypedCellForm::Padded : TypedCellForm::AsIs;
}

ado::Variant TypedCell(const ado::Variant& value, TypedCellForm form) {
  using Kind = ado::Variant::Kind;
  if (form == TypedCellForm::Padded && value.kind() == Kind::Text) return withoutPadding(value.asText());
  const bool number =
      value.kind() == Kind::Integer || value.kind() == Kind::UnsignedInteger || value.kind() == Kind::Decimal;
  if (form != TypedCellForm::Number || !number) return value;
  std::string scratch;
  return NumberKey(FoxProText(value, scratch));
}

std::string TypedMySqlType(const FieldShape& f) {
  const std::string size = "(" + std::to_string(f.definedSize) + ")";
  constexpr long kWidestChar = 255;
  std::string type;
  switch (f.type) {
    case ado::adChar:
      type = f.definedSize <= kWidestChar ? "CHAR" + size : "LONGTEXT";
      break;
    case ado::adVarChar:
      type = f.definedSize <= kWidestChar ? "VARCHAR" + size : "LONGTEXT";
      break;
    case ado::adNumeric:
      type = "DECIMAL(" + std::to_string(std::max(f.precision, f.scale)) + "," + std::to_string(f.scale) + ")";
      break;
    case ado::adInteger:
      type = "INT";
      break;
    case ado::adDouble:
      type = "DOUBLE";
      break;
    case ado::adCurrency:
      type = "DECIMAL(19,4)";
      break;
    case ado::adDBDate:
      type = "DATE";
      break;
    case ado::adDBTimeStamp:
      type = "DATETIME";
      break;
    case ado::adBoolean:
      type = "BOOLEAN";
      break;
    case ado::adBinary:
    case ado::adVarBinary:
      type = f.definedSize <= kWidestChar ? "VARBINARY" + size : "LONGBLOB";
      break;
    case ado::adLongVarBinary:
      type = "LONGBLOB";
      break;
    default:
      type = "LONGTEXT";
  }
  // A blank N, F, L, D or T field reads as NULL, also in a field that takes no NULL: its column
  // takes NULL too, or the first blank date of an old table would stop the copy.
  return type + (f.nullable || BlankReadsAsNull(f.type) ? " NULL" : " NOT NULL");
}
