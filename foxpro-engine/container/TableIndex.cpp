#include "TableIndex.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "ContainerIndex.h"
#include "foxpro-engine/Calendar.h"
#include "foxpro-engine/CodePage.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/File.h"
#include "foxpro-engine/Files.h"
#include "foxpro-engine/Names.h"
#include "foxpro-engine/NumberText.h"
#include "foxpro-engine/Table.h"
#include "foxpro-engine/TableLayout.h"

namespace fox::cdx {

namespace fs = std::filesystem;

namespace {

Error badExpression(std::string_view why) {
  return Error(err::InvalidKeyExpression, "Invalid key expression: " + std::string(why) + ".");
}

// 8 bytes that compare as the number does (cdx.md §6.2): the big-endian double with its sign bit
// flipped, all bits inverted for a negative value.
std::string doubleKey(double v) {
  if (v == 0) v = 0;  // -0 sorts as +0
  auto bits = std::bit_cast<std::uint64_t>(v);
  bits = v < 0 ? ~bits : bits ^ 0x8000000000000000ull;
  std::string out(8, '\0');
  for (int i = 7; i >= 0; --i, bits >>= 8) out[i] = static_cast<char>(bits & 0xFF);
  return out;
}

// 4 bytes: the integer with its sign bit flipped, big-endian (cdx.md §6.3; BINTOC() gives the same).
std::string intKey(std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v) ^ 0x80000000u;
  std::string out(4, '\0');
  for (int i = 3; i >= 0; --i, u >>= 8) out[i] = static_cast<char>(u & 0xFF);
  return out;
}

std::string digits2(int v) { return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)}; }
std::string dtos(const Date& d) {
  if (d.empty()) return std::string(8, ' ');
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d", d.year);
  return buf + digits2(d.month) + digits2(d.day);
}

double julian(const DateTime& exact) {
  if (exact.empty()) return 0;
  const DateTime t = roundedToSecond(exact);
  return static_cast<double>(julianDay(t.date.year, t.date.month, t.date.day)) +
         (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
}

// A decimal text ("-12.345", "7") rounded half away from zero to `decimals` places.
std::string roundDecimal(std::string text, int decimals) {
  bool negative = !text.empty() && text[0] == '-';
  if (negative || (!text.empty() && text[0] == '+')) text.erase(0, 1);
  std::size_t point = text.find('.');
  std::string whole = point == std::string::npos ? text : text.substr(0, point);
  std::string frac = point == std::string::npos ? "" : text.substr(point + 1);
  if (whole.empty()) whole = "0";
  bool up = static_cast<int>(frac.size()) > decimals && frac[decimals] >= '5';
  frac.resize(decimals, '0');
  std::string all = whole + frac;
  for (std::size_t i = all.size(); up && i-- > 0;) {
    if (all[i] == '9') {
      all[i] = '0';
    } else {
      ++all[i];
      up = false;
    }
  }
  if (up) all.insert(all.begin(), '1');
  whole = all.substr(0, all.size() - decimals);
  frac = all.substr(all.size() - decimals);
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
  bool zero = all.find_first_not_of('0') == std::string::npos;
  return (negative && !zero ? "-" : "") + whole + (decimals > 0 ? "." + frac : "");
}

// FoxPro's STR(n, width, decimals): right-aligned; fewer decimals when the number does not fit
// with them, asterisks when its whole part does not fit.
std::string str(const std::string& decimalText, int width, int decimals) {
  // A text with `width` decimals or more is longer than `width`: start below that.
  for (int d = std::min(decimals, width - 1); d >= 0; --d) {
    std::string s = roundDecimal(decimalText, d);
    if (static_cast<int>(s.size()) <= width) return std::string(width - s.size(), ' ') + s;
  }
  return std::string(width, '*');
}

enum class Op { Field, Upper, Str, Dtos, Ttoc, Bintoc };

struct Term {
  Op op = Op::Field;
  std::size_t field = 0;
  int width = 0, decimals = 0;  // STR
};

// The key expression's tokens: names, integers and the punctuation ( ) , +.
class Tokens {
 public:
  explicit Tokens(std::string_view text) : text_(text) {}
  std::string next() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    if (at_ >= text_.size()) return {};
    std::size_t start = at_;
    auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    if (word(text_[at_])) {
      while (at_ < text_.size() && word(text_[at_])) ++at_;
    } else {
      ++at_;
    }
    return std::string(text_.substr(start, at_ - start));
  }
  std::string peek() {
    std::size_t keep = at_;
    std::string t = next();
    at_ = keep;
    return t;
  }
  void expect(const std::string& token) {
    if (next() != token) throw badExpression("'" + token + "' expected");
  }
  int integer() {
    std::string t = next();
    if (t.empty() || t.size() > 3 || !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
      throw badExpression("a whole number expected");
    return std::stoi(t);
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

struct KeyExpression::Impl {
  std::vector<Field> fields;
  std::shared_ptr<const CodePage> codePage;
  std::vector<Term> terms;
  bool character = true, nullable = false;
  std::uint16_t valueLength = 0;  // without the NULL byte

  std::size_t fieldNamed(const std::string& name, const std::vector<std::string>& longNames) const {
    for (std::size_t i = 0; i < fields.size(); ++i)
      if (sameName(fields[i].name, name) || (i < longNames.size() && sameName(longNames[i], name))) return i;
    throw Error(12, "Variable '" + upperName(name) + "' is not found.");
  }

  Term term(Tokens& tokens, const std::vector<std::string>& longNames) {
    std::string word = tokens.next();
    if (word.empty() || !(std::isalpha(static_cast<unsigned char>(word[0])) || word[0] == '_'))
      throw badExpression("a field or function expected");
    Term t;
    if (tokens.peek() != "(") {
      t.field = fieldNamed(word, longNames);
      return t;
    }
    tokens.next();
    std::string fn = upperName(word);
    t.field = fieldNamed(tokens.next(), longNames);
    if (fn == "UPPER") {
      t.op = Op::Upper;
    } else if (fn == "STR") {
      t.op = Op::Str;
      t.width = 10;
      if (tokens.peek() == ",") {
        tokens.next();
        t.width = tokens.integer();
        if (tokens.peek() == ",") {
          tokens.next();
          t.decimals = tokens.integer();
        }
      }
      if (t.width < 1 || t.width > 255) throw badExpression("STR() width out of range");
    } else if (fn == "DTOS") {
      t.op = Op::Dtos;
    } else if (fn == "TTOC") {
      t.op = Op::Ttoc;
      tokens.expect(",");
      if (tokens.integer() != 1) throw badExpression("only TTOC(t,1) is supported");
    } else if (fn == "BINTOC") {
      t.op = Op::Bintoc;
    } else {
      throw badExpression("function " + fn + "() is not supported");
    }
    tokens.expect(")");
    return t;
  }

  // The bytes a term gives and how many: checks the field's type against the term.
  int termLength(const Term& t) const {
    const Field& f = fields[t.field];
    auto need = [&](std::string_view types) {
      if (types.find(f.type) == std::string_view::npos)
        throw Error(err::TypeMismatch, "Operator/operand type mismatch (" + f.name + ").");
    };
    if (f.type == 'M' || f.type == 'G' || f.type == 'W' || f.type == 'P')
      throw Error(err::NotIndexable, "Operation is invalid for a Memo, General or Picture field.");
    switch (t.op) {
      case Op::Upper:
        need("CV");
        return f.length;
      case Op::Str:
        need("NFIBY");
        return t.width;
      case Op::Dtos:
        need("DT");
        return 8;
      case Op::Ttoc:
        need("T");
        return 14;
      case Op::Bintoc:
        need("I");
        return 4;
      case Op::Field:
        break;
    }
    switch (f.type) {
      case 'C':
      case 'V':
      case 'Q':
        return f.length;
      case 'I':
        return 4;
      case 'L':
        return 1;
      case 'N':
      case 'F':
      case 'B':
      case 'Y':
      case 'D':
      case 'T':
        return 8;
      default:
        throw Error(err::NotIndexable,
                    "Field " + f.name + " of type " + std::string(1, f.type) + " cannot be indexed.");
    }
  }

  bool characterTerm(const Term& t) const {
    return t.op != Op::Field || std::string_view("CVQ").find(fields[t.field].type) != std::string_view::npos;
  }

  std::string bytesOf(const Value& v, std::size_t width, char padWith) const {
    std::string out;
    if (const auto* text = std::get_if<std::string>(&v)) {
      if (!codePage->fromUtf8(*text, out)) out = *text;
    } else if (const auto* b = std::get_if<Bytes>(&v)) {
      out.assign(b->begin(), b->end());
    }
    out.resize(width, padWith);
    return out;
  }

  std::string decimalText(const Value& v) const {
    if (const auto* n = std::get_if<Number>(&v)) return n->text;
    if (const auto* i = std::get_if<std::int32_t>(&v)) return std::to_string(*i);
    if (const auto* c = std::get_if<Currency>(&v)) return currencyText(c->scaled);
    if (const auto* d = std::get_if<double>(&v)) {
      // The shortest text that reads back as the same double, as FoxPro shows it: 2.675 rounds
      // to 2.68, where its exact binary value (2.67499…) would round to 2.67.
      char buf[400];
      auto [end, ec] = std::to_chars(buf, buf + sizeof buf, *d, std::chars_format::fixed);
      return ec == std::errc() ? std::string(buf, end) : "0";
    }
    return "0";  // a blank number counts as 0
  }

  std::string termKey(const Term& t, const Value& v) const {
    const Field& f = fields[t.field];
    switch (t.op) {
      case Op::Upper:
        return dbc::upperBytes(bytesOf(v, f.length, ' '), codePage->number());
      case Op::Str:
        return str(decimalText(v), t.width, t.decimals);
      case Op::Dtos: {
        if (const auto* d = std::get_if<Date>(&v)) return dtos(*d);
        if (const auto* dt = std::get_if<DateTime>(&v)) return dtos(roundedToSecond(*dt).date);
        return dtos(Date{});
      }
      case Op::Ttoc: {
        const auto* exact = std::get_if<DateTime>(&v);
        if (!exact || exact->empty()) return std::string(14, ' ');
        const DateTime dt = roundedToSecond(*exact);
        return dtos(dt.date) + digits2(dt.hour) + digits2(dt.minute) + digits2(dt.second);
      }
      case Op::Bintoc:
        return intKey(std::holds_alternative<std::int32_t>(v) ? std::get<std::int32_t>(v) : 0);
      case Op::Field:
        break;
    }
    switch (f.type) {
      case 'C':
      case 'V':
        return bytesOf(v, f.length, ' ');
      case 'Q':
        return bytesOf(v, f.length, '\0');
      case 'I':
        return intKey(std::holds_alternative<std::int32_t>(v) ? std::get<std::int32_t>(v) : 0);
      case 'L':
        return std::holds_alternative<bool>(v) && std::get<bool>(v) ? "T" : "F";
      case 'D': {
        const auto* d = std::get_if<Date>(&v);
        return doubleKey(d && !d->empty() ? static_cast<double>(julianDay(d->year, d->month, d->day)) : 0);
      }
      case 'T': {
        const auto* dt = std::get_if<DateTime>(&v);
        return doubleKey(dt ? julian(*dt) : 0);
      }
      case 'B':
        return doubleKey(std::holds_alternative<double>(v) ? std::get<double>(v) : 0);
      case 'Y':
        return doubleKey(std::holds_alternative<Currency>(v) ? std::get<Currency>(v).scaled / 10000.0 : 0);
      default:  // N, F
        return doubleKey(std::strtod(decimalText(v).c_str(), nullptr));
    }
  }
};

KeyExpression::KeyExpression(std::string_view text, const std::vector<Field>& fields,
                             const std::vector<std::string>& longNames, int codePage)
    : impl_(std::make_unique<Impl>()) {
  impl_->fields = fields;
  impl_->codePage = fox::codePage(codePage);
  Tokens tokens(text);
  for (;;) {
    impl_->terms.push_back(impl_->term(tokens, longNames));
    std::string next = tokens.next();
    if (next.empty()) break;
    if (next != "+") throw badExpression("unexpected '" + next + "'");
  }
  std::size_t length = 0;
  for (const Term& t : impl_->terms) {
    length += impl_->termLength(t);
    impl_->nullable = impl_->nullable || fields[t.field].nullable();
    if (!impl_->characterTerm(t)) impl_->character = false;
  }
  if (impl_->terms.size() > 1 && !impl_->character)
    throw Error(err::TypeMismatch, "Operator/operand type mismatch: '+' joins character terms only here.");
  if (length + (impl_->nullable ? 1 : 0) > kMaxKeyLength) throw Error(err::InvalidKeyExpression, "Invalid key length.");
  impl_->valueLength = static_cast<std::uint16_t>(length);
}

KeyExpression::~KeyExpression() = default;
KeyExpression::KeyExpression(KeyExpression&&) noexcept = default;

std::uint16_t KeyExpression::keyLength() const { return impl_->valueLength + (impl_->nullable ? 1 : 0); }
bool KeyExpression::nullable() const { return impl_->nullable; }
bool KeyExpression::character() const { return impl_->character; }

std::string KeyExpression::key(const std::vector<Value>& values, const std::vector<bool>& nulls) const {
  std::string out;
  out.reserve(keyLength());
  if (impl_->nullable) {
    // NULL anywhere makes the whole expression NULL, as in FoxPro: a zero byte and zeros.
    for (const Term& t : impl_->terms)
      if (nulls[t.field]) return std::string(keyLength(), '\0');
    out += '\x80';
  }
  for (const Term& t : impl_->terms) out += impl_->termKey(t, values[t.field]);
  return out;
}

namespace {

std::uint8_t padOf(const KeyExpression& e) { return e.pad(); }

// The keys of every record (deleted ones too), sorted into index order.
std::vector<Key> keysOf(Table& table, const KeyExpression& expression) {
  std::vector<Key> keys;
  std::vector<Value> values;
  std::vector<bool> nulls(table.fields().size());
  for (std::uint32_t i = 0; i < table.recordCount(); ++i) {
    if (!table.readIncludingDeleted(i, values)) continue;
    for (std::size_t f = 0; f < nulls.size(); ++f) nulls[f] = isNull(values[f]) && table.nullFlag(i, f);
    keys.push_back({expression.key(values, nulls), i + 1});
  }
  sortKeys(keys);
  return keys;
}

// An existing tag as the writer takes it back; only tags whose keys were decoded can be.
TagPlan keep(const Tag& tag) {
  if (!tag.decoded)
    throw Error(1001, "Feature is not available: the index holds tag " + tag.info.name +
                          ", which this program cannot rebuild.");
  return {tag.info, tag.keys};
}

}  // namespace

void addTag(const fs::path& dbf, const NewTag& tag, const std::vector<std::string>& longNames, int codePage,
            const BeforeCommit& beforeCommit) {
  ReadOptions options;
  options.codePageWhenUnmarked = codePage;
  auto table = Table::open(dbf, options);
  KeyExpression expression(tag.expression, table->fields(), longNames, table->codePage());

  TagPlan plan;
  plan.info.name = upperName(tag.name);
  plan.info.keyLength = expression.keyLength();
  plan.info.options =
      static_cast<std::uint8_t>((tag.candidate ? kOptionCandidate : 0) | (tag.unique ? kOptionUnique : 0) |
                                (expression.nullable() ? kOptionNullableKey : 0));
  plan.info.descending = tag.descending;
  plan.info.keyExpression = tag.expression;
  plan.info.pad = padOf(expression);
  plan.keys = keysOf(*table, expression);
  if (tag.unique)
    plan.keys.erase(
        std::unique(plan.keys.begin(), plan.keys.end(), [](const Key& a, const Key& b) { return a.bytes == b.bytes; }),
        plan.keys.end());
  if (tag.candidate)
    for (std::size_t i = 1; i < plan.keys.size(); ++i)
      if (plan.keys[i].bytes == plan.keys[i - 1].bytes)
        throw Error(err::UniquenessViolated, "Uniqueness of index " + plan.info.name + " is violated.");

  std::vector<TagPlan> tags;
  std::uint32_t counter = 0;
  auto existing = findIndexFile(dbf);
  if (existing) {
    CompoundIndex old = readFile(*existing);
    counter = old.updateCounter;
    for (const Tag& t : old.tags)
      if (!sameName(t.info.name, plan.info.name)) tags.push_back(keep(t));
  }
  tags.push_back(std::move(plan));
  std::string bytes = build(tags, counter);
  std::vector<TagInfo> written;
  for (const TagPlan& t : tags) written.push_back(t.info);
  std::sort(written.begin(), written.end(), [](const TagInfo& a, const TagInfo& b) { return a.name < b.name; });

  // The index first, then the flag that makes FoxPro open it: a crash between the two leaves an
  // index no program opens, never a flag without its index. The table is opened for writing
  // before anything changes, so one that cannot be written fails with everything as it was.
  std::optional<File> header;
  if ((table->tableFlags() & 0x01) == 0) header.emplace(dbf, File::Mode::ReadWrite);
  table.reset();
  fs::path target = existing ? *existing : indexFileName(dbf);
  ReplacementFile file(target, permissionsOf(dbf, 0644));
  file.file().writeAt(0, bytes.data(), bytes.size());
  file.file().sync();
  if (beforeCommit) beforeCommit(written);
  file.commit();
  if (header) {
    std::uint8_t flags = 0;
    header->readAt(fox::layout::kTableFlags, &flags, 1);
    flags |= 0x01;
    header->writeAt(fox::layout::kTableFlags, &flags, 1);
    header->sync();
  }
}

std::vector<TagInfo> structuralTags(const fs::path& dbf) {
  auto existing = findIndexFile(dbf);
  if (!existing) return {};
  std::vector<TagInfo> tags;
  for (Tag& t : readFile(*existing).tags) tags.push_back(std::move(t.info));
  return tags;
}

}  // namespace fox::cdx
