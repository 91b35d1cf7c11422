#include "Lexer.h"

#include <cstring>

#include "platform/foxpro/Errors.h"

namespace foxpro::sql {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool keyword(const Token& token, std::string_view word) {
  if (token.kind != TokenKind::Identifier || token.text.size() != word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (lower(token.text[i]) != lower(word[i])) return false;
  return true;
}

void Lexer::skipBlanks() {
  while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
}

Token Lexer::peek() {
  if (!peeked_) {
    peekedToken_ = scan();
    peeked_ = true;
  }
  return peekedToken_;
}

Token Lexer::next() {
  if (peeked_) {
    peeked_ = false;
    return peekedToken_;
  }
  return scan();
}

std::string_view Lexer::rawName() {
  if (peeked_) {
    // Only called right after a keyword, so nothing is peeked; step back to be safe.
    pos_ = peekedToken_.offset;
    peeked_ = false;
  }
  skipBlanks();
  std::size_t start = pos_;
  while (pos_ < text_.size() && !isBlank(text_[pos_]) && text_[pos_] != '(') ++pos_;
  return text_.substr(start, pos_ - start);
}

Token Lexer::scan() {
  skipBlanks();
  Token token;
  token.offset = pos_;
  if (pos_ >= text_.size()) return token;
  const char c = text_[pos_];
  const std::size_t start = pos_;

  auto single = [&](TokenKind kind) {
    ++pos_;
    token.kind = kind;
    token.text = text_.substr(start, 1);
    return token;
  };

  // A quoted body: a doubled closing quote stands for one and does not end the body.
  auto quoted = [&](char quote, TokenKind kind) {
    std::size_t p = pos_ + 1;
    for (;;) {
      const void* hit = std::memchr(text_.data() + p, quote, text_.size() - p);
      if (!hit) throw errors::syntaxError();
      p = static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data());
      if (p + 1 < text_.size() && text_[p + 1] == quote) {
        p += 2;
        continue;
      }
      break;
    }
    token.kind = kind;
    token.text = text_.substr(pos_ + 1, p - pos_ - 1);
    pos_ = p + 1;
    return token;
  };

  // Text up to a closing character, without escapes.
  auto enclosed = [&](char close, TokenKind kind) {
    std::size_t end = text_.find(close, pos_ + 1);
    if (end == std::string_view::npos) throw errors::syntaxError();
    token.kind = kind;
    token.text = text_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end + 1;
    return token;
  };

  switch (c) {
    case '(':
      return single(TokenKind::LeftParen);
    case ')':
      return single(TokenKind::RightParen);
    case ',':
      return single(TokenKind::Comma);
    case '+':
      return single(TokenKind::Plus);
    case '-':
      return single(TokenKind::Minus);
    case '*':
      return single(TokenKind::Star);
    case '\'':
      return quoted('\'', TokenKind::SingleQuoted);
    case '"':
      return quoted('"', TokenKind::DoubleQuoted);
    case '[':
      return quoted(']', TokenKind::Bracketed);
    case '{':
      return enclosed('}', TokenKind::Braced);
    default:
      break;
  }

  if (c == '0' && pos_ + 1 < text_.size() && (text_[pos_ + 1] == 'h' || text_[pos_ + 1] == 'H')) {
    pos_ += 2;
    std::size_t digits = pos_;
    while (pos_ < text_.size() && isHexDigit(text_[pos_])) ++pos_;
    if (pos_ < text_.size() && isLetter(text_[pos_])) throw errors::syntaxError();
    token.kind = TokenKind::Binary;
    token.text = text_.substr(digits, pos_ - digits);
    return token;
  }

  if (isDigit(c) || (c == '.' && pos_ + 1 < text_.size() && isDigit(text_[pos_ + 1]))) {
    while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '.') {
      ++pos_;
      while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      std::size_t p = pos_ + 1;
      if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
      if (p >= text_.size() || !isDigit(text_[p])) throw errors::syntaxError();
      while (p < text_.size() && isDigit(text_[p])) ++p;
      pos_ = p;
    }
    if (pos_ < text_.size() && (isLetter(text_[pos_]) || text_[pos_] == '.')) throw errors::syntaxError();
    token.kind = TokenKind::Number;
    token.text = text_.substr(start, pos_ - start);
    return token;
  }

  if (c == '.') {
    std::size_t p = pos_ + 1;
    while (p < text_.size() && isLetter(text_[p])) ++p;
    if (p == pos_ + 1 || p >= text_.size() || text_[p] != '.') return single(TokenKind::Other);
    token.kind = TokenKind::Dotted;
    token.text = text_.substr(pos_ + 1, p - pos_ - 1);
    pos_ = p + 1;
    return token;
  }

  if (isLetter(c)) {
    while (pos_ < text_.size() && (isLetter(text_[pos_]) || isDigit(text_[pos_]))) ++pos_;
    token.kind = TokenKind::Identifier;
    token.text = text_.substr(start, pos_ - start);
    return token;
  }

  return single(TokenKind::Other);
}

}  // namespace foxpro::sql
