#include "Values.h"

namespace foxpro::sql {

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;  // the lexer lets only hex digits through
}

void appendText(const Term& term, const CharDecoder& decodeChar, std::string& out) {
  if (term.kind == Term::Kind::Chr) {
    if (term.code < 0x80) {
      out += static_cast<char>(term.code);
    } else {
      decodeChar(static_cast<unsigned char>(term.code), out);
    }
    return;
  }
  // A doubled quote stands for one; a quote followed by "+" and a quote is the joint between two
  // pieces the parser made one term of.
  std::string_view body = term.text;
  for (std::size_t from = 0;;) {
    std::size_t quote = body.find(term.quote, from);
    if (quote == std::string_view::npos) {
      out.append(body.substr(from));
      return;
    }
    const bool joint = body[quote + 1] == '+';
    out.append(body.substr(from, quote + (joint ? 0 : 1) - from));
    from = quote + (joint ? 3 : 2);
  }
}

// Hexadecimal digits, in pairs, with "+0h" between the pieces the parser made one term of.
void appendBytes(std::string_view hex, fox::Bytes& out) {
  for (std::size_t i = 0; i + 1 < hex.size();) {
    if (hex[i] == '+') {
      i += 3;
      continue;
    }
    out.push_back(static_cast<std::uint8_t>(hexDigit(hex[i]) << 4 | hexDigit(hex[i + 1])));
    i += 2;
  }
}

fox::Value evaluateOne(const Term* first, const Term* last, const CharDecoder& decodeChar, fox::Value& out) {
  for (const Term* t = first; t != last; ++t)
    if (t->kind == Term::Kind::Null) return fox::Value{};
  switch (first->kind) {
    case Term::Kind::Text:
    case Term::Kind::Chr: {
      // Text goes into the string the previous row left here, keeping its buffer.
      std::string text =
          std::holds_alternative<std::string>(out) ? std::move(std::get<std::string>(out)) : std::string();
      text.clear();
      std::size_t size = 0;
      for (const Term* t = first; t != last; ++t) size += t->kind == Term::Kind::Chr ? 4 : t->text.size();
      text.reserve(size);
      for (const Term* t = first; t != last; ++t) appendText(*t, decodeChar, text);
      return text;
    }
    case Term::Kind::Binary: {
      std::size_t size = 0;
      for (const Term* t = first; t != last; ++t) size += t->text.size() / 2;
      fox::Bytes bytes;
      bytes.reserve(size);
      for (const Term* t = first; t != last; ++t) appendBytes(t->text, bytes);
      return bytes;
    }
    case Term::Kind::Number:
      return fox::Number{plainNumber(first->text, first->negative)};
    case Term::Kind::Logical:
      return first->code != 0;
    case Term::Kind::Date:
      return first->when.date;
    case Term::Kind::DateTime:
      return first->when;
    case Term::Kind::Null:
      break;
  }
  return fox::Value{};
}

}  // namespace

void evaluate(const Insert& insert, const CharDecoder& decodeChar, std::vector<fox::Value>& values) {
  values.resize(insert.valueCount());
  std::uint32_t begin = 0;
  for (std::size_t i = 0; i < insert.valueCount(); ++i) {
    std::uint32_t end = insert.valueEnds[i];
    values[i] = evaluateOne(insert.terms.data() + begin, insert.terms.data() + end, decodeChar, values[i]);
    begin = end;
  }
}

void releaseLargeValues(std::vector<fox::Value>& values) {
  constexpr std::size_t kLarge = 1 << 20;
  for (fox::Value& v : values) {
    const auto* text = std::get_if<std::string>(&v);
    const auto* bytes = std::get_if<fox::Bytes>(&v);
    if ((text && text->capacity() >= kLarge) || (bytes && bytes->capacity() >= kLarge)) v = fox::Value{};
  }
}

}  // namespace foxpro::sql
