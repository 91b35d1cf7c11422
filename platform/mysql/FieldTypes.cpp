#include "FieldTypes.h"

#include <charconv>
#include <string>
#include <string_view>

#include "platform/ado/Error.h"

namespace mysql {

using namespace ado;

namespace {

bool isBinary(const MYSQL_FIELD& f) { return f.charsetnr == kBinaryCharset; }
bool isUnsigned(const MYSQL_FIELD& f) { return (f.flags & UNSIGNED_FLAG) != 0; }

[[noreturn]] void unreadable(const MYSQL_FIELD& f, std::string_view text) {
  throw Error(2000, "The value \"" + std::string(text) + "\" of column " + f.name + " cannot be read as its type.");
}

class Reader {
 public:
  Reader(const MYSQL_FIELD& f, std::string_view text) : f_(f), text_(text), rest_(text) {}

  int digits(std::size_t minCount, std::size_t maxCount) {
    std::size_t n = 0;
    while (n < rest_.size() && n < maxCount && rest_[n] >= '0' && rest_[n] <= '9') ++n;
    if (n < minCount) unreadable(f_, text_);
    int value = 0;
    std::from_chars(rest_.data(), rest_.data() + n, value);
    rest_.remove_prefix(n);
    return value;
  }
  bool accept(char c) {
    if (rest_.empty() || rest_.front() != c) return false;
    rest_.remove_prefix(1);
    return true;
  }
  void expect(char c) {
    if (!accept(c)) unreadable(f_, text_);
  }
  // ".5" → 500000, ".000001" → 1; nothing → 0.
  int fraction() {
    if (!accept('.')) return 0;
    std::size_t before = rest_.size();
    int value = digits(1, 6);
    for (std::size_t n = before - rest_.size(); n < 6; ++n) value *= 10;
    return value;
  }
  void end() {
    if (!rest_.empty()) unreadable(f_, text_);
  }

 private:
  const MYSQL_FIELD& f_;
  std::string_view text_;
  std::string_view rest_;
};

Date readDate(Reader& r) {
  Date d;
  d.year = r.digits(4, 4);
  r.expect('-');
  d.month = r.digits(2, 2);
  r.expect('-');
  d.day = r.digits(2, 2);
  return d;
}

// A time of day "13:45:00.5", or a TIME duration "-838:59:59.000000".
Time readTime(Reader& r, bool duration) {
  Time t;
  t.negative = duration && r.accept('-');
  t.hour = r.digits(2, duration ? 3 : 2);
  r.expect(':');
  t.minute = r.digits(2, 2);
  r.expect(':');
  t.second = r.digits(2, 2);
  t.microsecond = r.fraction();
  return t;
}

template <typename T>
T readNumber(const MYSQL_FIELD& f, std::string_view text) {
  T value{};
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size()) unreadable(f, text);
  return value;
}

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace

DataTypeEnum adoType(const MYSQL_FIELD& f) {
  switch (f.type) {
    case MYSQL_TYPE_TINY:
      return isUnsigned(f) ? adUnsignedTinyInt : adTinyInt;
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_YEAR:
      return isUnsigned(f) ? adUnsignedSmallInt : adSmallInt;
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
      return isUnsigned(f) ? adUnsignedInt : adInteger;
    case MYSQL_TYPE_LONGLONG:
      return isUnsigned(f) ? adUnsignedBigInt : adBigInt;
    case MYSQL_TYPE_FLOAT:
      return adSingle;
    case MYSQL_TYPE_DOUBLE:
      return adDouble;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      return adNumeric;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
      return adDBDate;
    case MYSQL_TYPE_TIME:
      return adDBTime;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
      return adDBTimeStamp;
    case MYSQL_TYPE_BIT:
      return f.length == 1 ? adBoolean : adBinary;
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_ENUM:
    case MYSQL_TYPE_SET:
      return isBinary(f) ? adBinary : adChar;
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR:
      return isBinary(f) ? adVarBinary : adVarChar;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
      return isBinary(f) ? adLongVarBinary : adLongVarChar;
    case MYSQL_TYPE_JSON:
      return adLongVarChar;
    case MYSQL_TYPE_GEOMETRY:
      return adLongVarBinary;
    default:
      return adVarChar;  // NULL columns and anything newer: read as text
  }
}

provider::FieldInfo fieldInfo(const MYSQL_FIELD& f) {
  provider::FieldInfo info;
  info.name = std::string(f.name, f.name_length);
  info.type = adoType(f);
  info.nullable = (f.flags & NOT_NULL_FLAG) == 0;
  info.definedSize = static_cast<long>(f.length);
  if (info.type == adChar || info.type == adVarChar || info.type == adLongVarChar) {
    // The server gives the length in bytes; the layer counts characters.
    if (const MARIADB_CHARSET_INFO* cs = mariadb_get_charset_by_nr(f.charsetnr); cs && cs->char_maxlen > 1)
      info.definedSize = static_cast<long>(f.length / cs->char_maxlen);
  } else if (info.type == adNumeric) {
    info.scale = static_cast<int>(f.decimals);
    info.precision = static_cast<int>(f.length) - (f.decimals > 0 ? 1 : 0) - (isUnsigned(f) ? 0 : 1);
  } else if (f.type == MYSQL_TYPE_INT24 || f.type == MYSQL_TYPE_LONG) {
    // The digits the type holds, which tell MEDIUMINT from INT; f.length is the display width
    // (INT(5) UNSIGNED reports 5 and holds 4294967295).
    info.precision = f.type == MYSQL_TYPE_LONG ? 10 : isUnsigned(f) ? 8 : 7;
  } else if (info.type == adSingle) {
    info.precision = 7;
  } else if (info.type == adDouble) {
    info.precision = 15;
  }
  return info;
}

Variant decodeValue(const MYSQL_FIELD& f, const char* data, unsigned long length) {
  if (!data) return Variant();
  std::string_view text(data, length);
  switch (f.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_YEAR:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
      if (isUnsigned(f)) return Variant(readNumber<unsigned long long>(f, text));
      return Variant(readNumber<long long>(f, text));
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
      return Variant(readNumber<double>(f, text));
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      return Variant(Decimal{std::string(text)});
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE: {
      Reader r(f, text);
      Date d = readDate(r);
      r.end();
      return Variant(d);
    }
    case MYSQL_TYPE_TIME: {
      Reader r(f, text);
      Time t = readTime(r, true);
      r.end();
      return Variant(t);
    }
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP: {
      Reader r(f, text);
      DateTime dt;
      dt.date = readDate(r);
      r.expect(' ');
      dt.time = readTime(r, false);
      r.end();
      return Variant(dt);
    }
    case MYSQL_TYPE_BIT:
      if (f.length == 1) return Variant(!text.empty() && text.back() != 0);
      return Variant(bytesOf(text));
    case MYSQL_TYPE_GEOMETRY:
      return Variant(bytesOf(text));
    case MYSQL_TYPE_JSON:
      return Variant(std::string(text));  // MySQL marks JSON binary; it is UTF-8 text
    case MYSQL_TYPE_NULL:
      return Variant();
    default:
      if (isBinary(f)) return Variant(bytesOf(text));
      return Variant(std::string(text));
  }
}

}  // namespace mysql
