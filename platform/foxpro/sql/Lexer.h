#pragma once
// Splits a statement of the FoxPro dialect into tokens, on demand. Tokens point into the
// statement text; nothing is copied, so statements with thousands of literal pieces stay cheap.
#include <cstddef>
#include <string_view>

namespace foxpro::sql {

enum class TokenKind {
  End,
  Identifier,    // letters, digits, "_"; starts with a letter or "_"
  Bracketed,     // [text]: text is the body, ]] still doubled
  SingleQuoted,  // 'text': text is the body, '' still doubled
  DoubleQuoted,  // "text": text is the body, "" still doubled
  Number,        // 12, 1.5, .5, 1e5 (no sign)
  Binary,        // 0h…: text is the hexadecimal digits
  Dotted,        // .T. .F. .Y. .N. .NULL.: text is the word between the dots
  Braced,        // {…}: text is what stands between the braces
  LeftParen,
  RightParen,
  Comma,
  Plus,
  Minus,
  Star,
  Other,  // any other character
};

struct Token {
  TokenKind kind = TokenKind::End;
  std::string_view text;
  std::size_t offset = 0;  // where the token starts in the statement
};

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  // The next token; throws fox::Error "Syntax error." on an unterminated quote, bracket or brace.
  Token next();
  // The next token without consuming it.
  Token peek();
  // A bare table or file name: everything up to the next blank, "(" or the end (for
  // CREATE TABLE c:\data\orders.dbf (…) and SELECT * FROM orders).
  std::string_view rawName();

 private:
  void skipBlanks();
  Token scan();

  std::string_view text_;
  std::size_t pos_ = 0;
  bool peeked_ = false;
  Token peekedToken_;
};

// Keyword comparison: ASCII letters without regard to case.
bool keyword(const Token& token, std::string_view word);

}  // namespace foxpro::sql
