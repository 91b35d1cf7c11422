#include "RecordEncoder.h"

#include <cmath>
#include <cstring>

#include "Binary.h"
#include "Calendar.h"
#include "Error.h"
#include "NumberText.h"
#include "Utf8.h"

namespace fox {

namespace {

std::string typeText(const Field& f) {
  std::string s(1, f.type);
  if (f.type == 'C' || f.type == 'V' || f.type == 'Q' || f.type == 'N' || f.type == 'F') {
    s += "(" + std::to_string(f.length);
    if (f.decimals > 0 && (f.type == 'N' || f.type == 'F')) s += "," + std::to_string(f.decimals);
    s += ")";
  }
  return s;
}

std::string describe(const Value& v) {
  struct V {
    std::string operator()(std::monostate) { return "NULL"; }
    std::string operator()(bool) { return "a logical value"; }
    std::string operator()(std::int32_t) { return "an integer"; }
    std::string operator()(double) { return "a number"; }
    std::string operator()(const Number&) { return "a number"; }
    std::string operator()(const Currency&) { return "a currency value"; }
    std::string operator()(const std::string& s) {
      std::string shown = s.size() > 40 ? s.substr(0, 40) + "…" : s;
      return "the text '" + shown + "'";
    }
    std::string operator()(const Bytes&) { return "binary data"; }
    std::string operator()(const Date&) { return "a date"; }
    std::string operator()(const DateTime&) { return "a date-time"; }
  };
  return std::visit(V{}, v);
}

bool blankText(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

std::optional<Decimal> decimalOf(const Value& v) {
  if (auto* n = std::get_if<Number>(&v)) return Decimal::parse(n->text);
  if (auto* s = std::get_if<std::string>(&v)) return Decimal::parse(*s);
  if (auto* i = std::get_if<std::int32_t>(&v)) return Decimal::fromInt(*i);
  if (auto* d = std::get_if<double>(&v)) return Decimal::fromDouble(*d);
  if (auto* c = std::get_if<Currency>(&v)) {
    Decimal d = Decimal::fromInt(c->scaled);
    if (!d.isZero()) d.exponent -= 4;
    return d;
  }
  return std::nullopt;
}

std::optional<bool> logicalOf(const Value& v) {
  if (auto* b = std::get_if<bool>(&v)) return *b;
  if (auto* s = std::get_if<std::string>(&v)) {
    std::string t;
    for (char c : *s)
      if (c != ' ') t.push_back(char(std::toupper((unsigned char)c)));
    if (t == "T" || t == ".T." || t == "Y" || t == ".Y." || t == "TRUE" || t == "YES" || t == "1") return true;
    if (t == "F" || t == ".F." || t == "N" || t == ".N." || t == "FALSE" || t == "NO" || t == "0") return false;
    return std::nullopt;
  }
  if (auto d = decimalOf(v)) return !d->isZero();
  return std::nullopt;
}

}  // namespace

std::string textForm(const Value& v) {
  struct V {
    std::string operator()(std::monostate) { return ""; }
    std::string operator()(bool b) { return b ? ".T." : ".F."; }
    std::string operator()(std::int32_t i) { return std::to_string(i); }
    std::string operator()(double d) { return doubleText(d); }
    std::string operator()(const Number& n) { return n.text; }
    std::string operator()(const Currency& c) { return currencyText(c.scaled); }
    std::string operator()(const std::string& s) { return s; }
    std::string operator()(const Bytes& b) { return std::string(b.begin(), b.end()); }
    std::string operator()(const Date& d) { return formatDate(d); }
    std::string operator()(const DateTime& t) { return formatDateTime(t); }
  };
  return std::visit(V{}, v);
}

RecordEncoder::RecordEncoder(std::vector<Field> fields, int nullFlagsOffset, std::uint16_t recordLength,
                             std::shared_ptr<const CodePage> codePage)
    : fields_(std::move(fields)),
      nullFlagsOffset_(nullFlagsOffset),
      recordLength_(recordLength),
      codePage_(std::move(codePage)),
      memo_(fields_.size()),
      memoData_(fields_.size()) {}

std::uint32_t RecordEncoder::memoSignature(const Field& f) {
  switch (f.type) {
    case 'G':
      return 2;
    case 'P':
      return 0;
    default:
      return 1;  // M (text and binary alike), and W as in the one Blob sample seen
  }
}

void RecordEncoder::mismatch(const Field& f, const Value& v) const {
  throw Error(err::DataTypeMismatch,
              "Data type mismatch. Field " + f.name + " (" + typeText(f) + ") cannot take " + describe(v) + ".");
}

const std::string& RecordEncoder::encodeText(const Field& f, const std::string& utf8, std::string& out) {
  out.clear();
  out.reserve(utf8.size());  // a code page takes no more bytes than UTF-8 for a character
  char32_t bad = 0;
  if (!codePage_->fromUtf8(utf8, out, &bad)) {
    if (bad == 0xFFFD && !utf8::valid(utf8))
      throw Error(err::CodePageCannotHold, "Field " + f.name + ": the text is not valid UTF-8.");
    throw Error(err::CodePageCannotHold, "Field " + f.name + ": the character " + describeCharacter(bad) +
                                             " has no equivalent in code page " + std::to_string(codePage_->number()) +
                                             ".");
  }
  return out;
}

std::string_view RecordEncoder::textOrBytes(const Field& f, const Value& v, std::string& buffer) {
  if (auto* s = std::get_if<std::string>(&v)) return encodeText(f, *s, buffer);
  if (auto* b = std::get_if<Bytes>(&v))  // never a null pointer, which callers copy from
    return b->empty() ? std::string_view("") : std::string_view(reinterpret_cast<const char*>(b->data()), b->size());
  return encodeText(f, textForm(v), buffer);
}

std::string_view RecordEncoder::fitText(const Field& f, const Value& v) {
  std::string_view bytes = textOrBytes(f, v, text_);
  bool multiByte = codePage_->doubleByte() || codePage_->number() == kUtf8;
  if (bytes.size() > f.length && multiByte && !std::holds_alternative<Bytes>(v)) {
    // Cut at a character boundary: shorten the text until its code page form fits.
    std::string utf8 = textForm(v);
    do {
      while (!utf8.empty() && (static_cast<unsigned char>(utf8.back()) & 0xC0) == 0x80) utf8.pop_back();
      if (!utf8.empty()) utf8.pop_back();
    } while (encodeText(f, utf8, text_).size() > f.length);
    bytes = text_;
  }
  return bytes.substr(0, f.length);
}

void RecordEncoder::encode(const std::vector<Value>& values, std::vector<std::uint8_t>& record) {
  if (values.size() != fields_.size())
    throw Error(err::DataTypeMismatch, "Data type mismatch. " + std::to_string(values.size()) +
                                           " values for a table of " + std::to_string(fields_.size()) + " fields.");
  record.assign(recordLength_, 0);
  record[0] = ' ';
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    memoData_[i] = {};
    encodeField(fields_[i], values[i], record.data(), i);
  }
}

void RecordEncoder::releaseLargeBuffers() {
  constexpr std::size_t kLarge = 1 << 20;
  for (std::size_t i = 0; i < memo_.size(); ++i) {
    if (memo_[i].capacity() < kLarge) continue;
    memoData_[i] = {};
    std::string().swap(memo_[i]);
  }
}

void RecordEncoder::encodeField(const Field& f, const Value& v, std::uint8_t* rec, std::size_t index) {
  std::uint8_t* p = rec + f.offset;
  auto setBit = [&](int bit) {
    if (bit >= 0 && nullFlagsOffset_ >= 0) rec[nullFlagsOffset_ + bit / 8] |= std::uint8_t(1u << (bit % 8));
  };
  auto blank = [&] {
    switch (f.type) {
      case 'C':
      case 'N':
      case 'F':
      case 'D':
      case 'L':
        std::memset(p, ' ', f.length);
        break;
      case 'V':
      case 'Q':
        std::memset(p, ' ', f.length);
        p[f.length - 1] = 0;
        setBit(f.varLengthBit);
        break;
      default:
        break;  // binary zero
    }
  };
  if (f.autoIncrement()) {
    if (!isNull(v)) throw Error(err::FieldReadOnly, "Field " + f.name + " is read-only.");
    return;
  }
  if (isNull(v)) {
    if (f.nullBit < 0) throw Error(err::NullNotAllowed, "Field " + f.name + " does not accept null values.");
    blank();
    setBit(f.nullBit);
    return;
  }
  switch (f.type) {
    case 'C': {
      std::string_view bytes = fitText(f, v);
      std::memcpy(p, bytes.data(), bytes.size());
      std::memset(p + bytes.size(), ' ', f.length - bytes.size());
      return;
    }
    case 'V':
    case 'Q': {
      std::string_view bytes = f.type == 'V' ? fitText(f, v) : textOrBytes(f, v, text_).substr(0, f.length);
      std::size_t n = bytes.size();
      std::memcpy(p, bytes.data(), n);
      if (n < f.length) {
        std::memset(p + n, ' ', f.length - n);
        p[f.length - 1] = std::uint8_t(n);
        setBit(f.varLengthBit);
      }
      return;
    }
    case 'M':
    case 'G':
    case 'W':
    case 'P':
      memoData_[index] = textOrBytes(f, v, memo_[index]);
      return;
    case 'N':
    case 'F': {
      if (auto* s = std::get_if<std::string>(&v); s && blankText(*s)) {
        std::memset(p, ' ', f.length);
        return;
      }
      auto d = decimalOf(v);
      if (!d) mismatch(f, v);
      std::string text = d->fixed(f.decimals);
      if (text.size() > f.length)
        throw Error(err::NumericOverflow, "Numeric overflow. Data was lost. Field " + f.name + " (" + typeText(f) +
                                              ") cannot hold " + text + ".");
      std::memset(p, ' ', f.length - text.size());
      std::memcpy(p + f.length - text.size(), text.data(), text.size());
      return;
    }
    case 'I': {
      if (auto* s = std::get_if<std::string>(&v); s && blankText(*s)) return;
      auto d = decimalOf(v);
      if (!d) mismatch(f, v);
      auto r = d->rounded();
      if (!r || *r < -2147483647LL || *r > 2147483647LL)
        throw Error(err::NumericOverflow,
                    "Numeric overflow. Data was lost. Field " + f.name + " (I) cannot hold " + textForm(v) + ".");
      bin::putLe32(p, std::uint32_t(std::int32_t(*r)));
      return;
    }
    case 'B': {
      double x;
      if (auto* dv = std::get_if<double>(&v)) {
        x = *dv;
      } else if (auto* iv = std::get_if<std::int32_t>(&v)) {
        x = *iv;
      } else {
        if (auto* s = std::get_if<std::string>(&v); s && blankText(*s)) return;
        auto d = decimalOf(v);
        if (!d) mismatch(f, v);
        // Digits and exponent have no decimal point, so the C locale's separator cannot interfere.
        std::string t = (d->negative ? "-" : "") + (d->digits.empty() ? std::string("0") : d->digits) + "e" +
                        std::to_string(d->exponent);
        x = std::strtod(t.c_str(), nullptr);
      }
      if (!std::isfinite(x)) mismatch(f, v);
      std::uint64_t bits;
      std::memcpy(&bits, &x, sizeof bits);
      bin::putLe64(p, bits);
      return;
    }
    case 'Y': {
      std::optional<std::int64_t> scaled;
      if (auto* c = std::get_if<Currency>(&v)) {
        scaled = c->scaled;
      } else {
        if (auto* s = std::get_if<std::string>(&v); s && blankText(*s)) return;
        auto d = decimalOf(v);
        if (!d) mismatch(f, v);
        scaled = d->scaled(4);
        if (!scaled)
          throw Error(err::NumericOverflow,
                      "Numeric overflow. Data was lost. Field " + f.name + " (Y) cannot hold " + textForm(v) + ".");
      }
      bin::putLe64(p, std::uint64_t(*scaled));
      return;
    }
    case 'D':
    case 'T': {
      DateTime t;
      if (auto* d = std::get_if<Date>(&v)) {
        t.date = *d;
      } else if (auto* dt = std::get_if<DateTime>(&v)) {
        t = *dt;
      } else if (auto* s = std::get_if<std::string>(&v)) {
        auto parsed = parseDateTime(*s);
        if (!parsed) mismatch(f, v);
        t = *parsed;
      } else {
        mismatch(f, v);
      }
      if (!t.empty() &&
          (!validDate(t.date.year, t.date.month, t.date.day) || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
           t.minute > 59 || t.second < 0 || t.second > 59 || t.millisecond < 0 || t.millisecond > 999))
        mismatch(f, v);
      if (f.type == 'D') {
        if (t.empty()) {
          std::memset(p, ' ', 8);
        } else {
          char buf[16];
          std::snprintf(buf, sizeof buf, "%04d%02d%02d", t.date.year, t.date.month, t.date.day);
          std::memcpy(p, buf, 8);
        }
      } else if (!t.empty()) {
        bin::putLe32(p, std::uint32_t(julianDay(t.date.year, t.date.month, t.date.day)));
        bin::putLe32(p + 4, std::uint32_t((t.hour * 3600 + t.minute * 60 + t.second) * 1000 + t.millisecond));
      }
      return;
    }
    case 'L': {
      if (auto* s = std::get_if<std::string>(&v); s && blankText(*s)) {
        p[0] = ' ';
        return;
      }
      auto b = logicalOf(v);
      if (!b) mismatch(f, v);
      p[0] = *b ? 'T' : 'F';
      return;
    }
    default:
      mismatch(f, v);
  }
}

}  // namespace fox
