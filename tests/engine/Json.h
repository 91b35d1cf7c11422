#pragma once
// A small JSON reader for the tests (MANIFEST.json, the cross-check script's output).
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace json {

struct Value {
  enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
  bool boolean = false;
  std::string text;  // String: the text; Number: the number as written
  std::vector<Value> items;
  std::vector<std::pair<std::string, Value>> members;

  bool isNull() const { return type == Type::Null; }
  bool isString() const { return type == Type::String; }
  bool isNumber() const { return type == Type::Number; }
  bool isObject() const { return type == Type::Object; }
  bool isArray() const { return type == Type::Array; }
  double number() const { return std::strtod(text.c_str(), nullptr); }
  const Value* find(std::string_view key) const {
    for (auto& [k, v] : members)
      if (k == key) return &v;
    return nullptr;
  }
  const Value& operator[](std::string_view key) const {
    if (auto* v = find(key)) return *v;
    throw std::runtime_error("JSON: no member " + std::string(key));
  }
};

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}
  Value parse() {
    Value v = value();
    blanks();
    if (pos_ != s_.size()) fail("trailing text");
    return v;
  }

 private:
  [[noreturn]] void fail(const char* what) { throw std::runtime_error(std::string("JSON: ") + what + " at " + std::to_string(pos_)); }
  void blanks() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' || s_[pos_] == '\t')) ++pos_;
  }
  bool literal(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }
  static void utf8(std::string& out, unsigned c) {
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6)), out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12)), out += char(0x80 | ((c >> 6) & 0x3F)), out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18)), out += char(0x80 | ((c >> 12) & 0x3F)), out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  unsigned hex4() {
    if (pos_ + 4 > s_.size()) fail("short \\u escape");
    unsigned v = unsigned(std::stoul(std::string(s_.substr(pos_, 4)), nullptr, 16));
    pos_ += 4;
    return v;
  }
  std::string string() {
    ++pos_;  // opening quote
    std::string out;
    while (pos_ < s_.size() && s_[pos_] != '"') {
      char c = s_[pos_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      char e = s_[pos_++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          unsigned c1 = hex4();
          if (c1 >= 0xD800 && c1 < 0xDC00 && literal("\\u")) c1 = 0x10000 + ((c1 - 0xD800) << 10) + (hex4() - 0xDC00);
          utf8(out, c1);
          break;
        }
        default: out += e;
      }
    }
    if (pos_ >= s_.size()) fail("unterminated string");
    ++pos_;
    return out;
  }
  Value value() {
    blanks();
    if (pos_ >= s_.size()) fail("unexpected end");
    Value v;
    char c = s_[pos_];
    if (c == '{') {
      v.type = Value::Type::Object;
      ++pos_;
      blanks();
      if (s_[pos_] == '}') return ++pos_, v;
      for (;;) {
        blanks();
        std::string key = string();
        blanks();
        if (s_[pos_++] != ':') fail("expected ':'");
        v.members.emplace_back(std::move(key), value());
        blanks();
        if (s_[pos_] == ',') { ++pos_; continue; }
        if (s_[pos_++] != '}') fail("expected '}'");
        return v;
      }
    }
    if (c == '[') {
      v.type = Value::Type::Array;
      ++pos_;
      blanks();
      if (s_[pos_] == ']') return ++pos_, v;
      for (;;) {
        v.items.push_back(value());
        blanks();
        if (s_[pos_] == ',') { ++pos_; continue; }
        if (s_[pos_++] != ']') fail("expected ']'");
        return v;
      }
    }
    if (c == '"') {
      v.type = Value::Type::String;
      v.text = string();
      return v;
    }
    if (literal("true")) return v.type = Value::Type::Bool, v.boolean = true, v;
    if (literal("false")) return v.type = Value::Type::Bool, v;
    if (literal("null")) return v;
    std::size_t start = pos_;
    while (pos_ < s_.size() && std::string_view("+-0123456789.eE").find(s_[pos_]) != std::string_view::npos) ++pos_;
    if (start == pos_) fail("unexpected character");
    v.type = Value::Type::Number;
    v.text = std::string(s_.substr(start, pos_ - start));
    return v;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

inline Value parse(std::string_view text) { return Parser(text).parse(); }

}  // namespace json
