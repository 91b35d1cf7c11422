#include "QueryShape.h"

#include <algorithm>
#include <cctype>

namespace mysql {

namespace {

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  void blanks() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool word(std::string_view w) {
    blanks();
    if (text_.size() - pos_ < w.size()) return false;
    for (std::size_t i = 0; i < w.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(text_[pos_ + i])) != w[i]) return false;
    std::size_t after = pos_ + w.size();
    if (after < text_.size() && isNameChar(text_[after]) && isNameChar(w.back())) return false;
    pos_ = after;
    return true;
  }
  bool name() {
    blanks();
    if (pos_ < text_.size() && text_[pos_] == '`') {
      for (std::size_t i = pos_ + 1; i < text_.size(); ++i) {
        if (text_[i] != '`') continue;
        if (i + 1 < text_.size() && text_[i + 1] == '`') {
          ++i;
          continue;
        }
        pos_ = i + 1;
        return true;
      }
      return false;
    }
    std::size_t start = pos_;
    while (pos_ < text_.size() && isNameChar(text_[pos_])) ++pos_;
    return pos_ > start;
  }
  // An optionally signed whole number; its position in the text.
  bool number(std::size_t& begin, std::size_t& end) {
    blanks();
    begin = pos_;
    if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
    std::size_t digits = pos_;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    end = pos_;
    return pos_ > digits && (pos_ == text_.size() || !isNameChar(text_[pos_]));
  }
  bool atEnd() {
    blanks();
    if (pos_ < text_.size() && text_[pos_] == ';') ++pos_;
    blanks();
    return pos_ == text_.size();
  }

 private:
  static bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || static_cast<unsigned char>(c) >= 0x80;
  }
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

namespace {

// Where the number of a shaped query stands.
bool numberOf(std::string_view sql, std::size_t& begin, std::size_t& end) {
  Scanner s(sql);
  return s.word("select") && s.word("*") && s.word("from") && s.name() && s.word("where") && s.name() && s.word("=") &&
         s.number(begin, end) && s.atEnd();
}

}  // namespace

std::optional<std::string> queryShape(std::string_view sql) {
  std::size_t begin = 0, end = 0;
  if (!numberOf(sql, begin, end)) return std::nullopt;
  return std::string(sql.substr(0, begin)) + "?" + std::string(sql.substr(end));
}

std::optional<std::string> QueryShapes::of(std::string_view sql) {
  if (known_ && sql.size() > prefix_.size() + suffix_.size() && sql.starts_with(prefix_) && sql.ends_with(suffix_)) {
    std::string_view number = sql.substr(prefix_.size(), sql.size() - prefix_.size() - suffix_.size());
    if (number.front() == '-') number.remove_prefix(1);
    if (!number.empty() && std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return prefix_ + "?" + suffix_;
  }
  std::size_t begin = 0, end = 0;
  known_ = numberOf(sql, begin, end);
  if (!known_) return std::nullopt;
  prefix_ = sql.substr(0, begin);
  suffix_ = sql.substr(end);
  return prefix_ + "?" + suffix_;
}

}  // namespace mysql
