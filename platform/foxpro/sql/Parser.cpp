#include <algorithm>
#include <array>

#include "Lexer.h"
#include "Statement.h"
#include "foxpro-engine/Calendar.h"
#include "foxpro-engine/Field.h"
#include "foxpro-engine/Names.h"
#include "platform/foxpro/Errors.h"

namespace foxpro::sql {

namespace {

// A quoted body with its doubled quotes made single, into `out` (its buffer reused).
void unquote(std::string_view body, char quote, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < body.size(); ++i) {
    out += body[i];
    if (body[i] == quote) ++i;  // the second of a doubled pair
  }
}
std::string unquote(std::string_view body, char quote) {
  std::string out;
  unquote(body, quote, out);
  return out;
}

// A small non-negative integer literal (widths, CHR codes); -1 when the token is not one.
long smallInteger(const Token& t) {
  if (t.kind != TokenKind::Number || t.text.empty() || t.text.size() > 6) return -1;
  long value = 0;
  for (char c : t.text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

struct TypeName {
  std::string_view name;
  char type;
};

constexpr std::array kTypeNames{
    TypeName{"C", 'C'},       TypeName{"CHAR", 'C'},     TypeName{"CHARACTER", 'C'}, TypeName{"V", 'V'},
    TypeName{"VARCHAR", 'V'}, TypeName{"Q", 'Q'},        TypeName{"VARBINARY", 'Q'}, TypeName{"N", 'N'},
    TypeName{"NUMERIC", 'N'}, TypeName{"F", 'F'},        TypeName{"FLOAT", 'F'},     TypeName{"I", 'I'},
    TypeName{"INT", 'I'},     TypeName{"INTEGER", 'I'},  TypeName{"B", 'B'},         TypeName{"DOUBLE", 'B'},
    TypeName{"Y", 'Y'},       TypeName{"CURRENCY", 'Y'}, TypeName{"D", 'D'},         TypeName{"DATE", 'D'},
    TypeName{"T", 'T'},       TypeName{"DATETIME", 'T'}, TypeName{"L", 'L'},         TypeName{"LOGICAL", 'L'},
    TypeName{"M", 'M'},       TypeName{"MEMO", 'M'},     TypeName{"G", 'G'},         TypeName{"GENERAL", 'G'},
    TypeName{"W", 'W'},       TypeName{"BLOB", 'W'},
};

bool needsWidth(char type) { return type == 'C' || type == 'V' || type == 'Q' || type == 'N' || type == 'F'; }

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text), lexer_(text) {}

  void statement(Statement& out) {
    Token verb = lexer_.next();
    if (keyword(verb, "INSERT")) {
      // Runs of INSERTs parse into the same buffers, so a row costs no allocations here.
      if (!std::holds_alternative<Insert>(out)) out.emplace<Insert>();
      insert(std::get<Insert>(out));
    } else if (keyword(verb, "CREATE")) {
      out = create();
    } else if (keyword(verb, "DROP")) {
      out = drop();
    } else if (keyword(verb, "SELECT")) {
      out = select();
    } else if (keyword(verb, "USE")) {
      out = use();
    } else if (keyword(verb, "INDEX")) {
      out = indexOn();
    } else if (keyword(verb, "ALTER")) {
      out = addPrimaryKey();
    } else {
      throw errors::unrecognizedVerb();
    }
  }

 private:
  void expect(TokenKind kind) {
    if (lexer_.next().kind != kind) throw errors::syntaxError();
  }
  void expectKeyword(std::string_view word) {
    Token t = lexer_.next();
    if (!keyword(t, word)) throw t.kind == TokenKind::End ? errors::syntaxError() : errors::unrecognizedPhrase();
  }
  void expectEnd() {
    if (lexer_.next().kind != TokenKind::End) throw errors::unrecognizedPhrase();
  }

  // 'path', "path", [path] or a bare name.
  std::string tableName() {
    std::string name;
    tableName(name);
    return name;
  }
  void tableName(std::string& out) {
    Token t = lexer_.peek();
    switch (t.kind) {
      case TokenKind::SingleQuoted:
      case TokenKind::DoubleQuoted:
        lexer_.next();
        unquote(t.text, t.kind == TokenKind::SingleQuoted ? '\'' : '"', out);
        return;
      case TokenKind::Bracketed:
        lexer_.next();
        unquote(t.text, ']', out);
        return;
      case TokenKind::End:
        throw errors::syntaxError();
      default: {
        std::string_view raw = lexer_.rawName();
        if (raw.empty()) throw errors::syntaxError();
        out.assign(raw);
        return;
      }
    }
  }

  Statement create() {
    Token what = lexer_.next();
    if (!keyword(what, "TABLE") && !keyword(what, "DBF")) throw errors::unrecognizedPhrase();
    CreateTable create;
    create.table = tableName();
    if (keyword(lexer_.peek(), "FREE")) {
      lexer_.next();
      create.free = true;
    }
    expect(TokenKind::LeftParen);
    for (;;) {
      create.columns.push_back(column());
      Token t = lexer_.next();
      if (t.kind == TokenKind::RightParen) break;
      if (t.kind != TokenKind::Comma) throw errors::syntaxError();
    }
    expectEnd();
    for (std::size_t i = 0; i < create.columns.size(); ++i)
      for (std::size_t j = 0; j < i; ++j)
        if (fox::sameName(create.columns[i].name, create.columns[j].name))
          throw errors::invalidFieldName(create.columns[i].name, "another field has that name");
    return create;
  }

  fox::ColumnSpec column() {
    fox::ColumnSpec declared;
    Token name = lexer_.next();
    if (name.kind != TokenKind::Identifier && name.kind != TokenKind::Bracketed) throw errors::syntaxError();
    declared.name = name.kind == TokenKind::Bracketed ? unquote(name.text, ']') : std::string(name.text);
    // A long name is fine here: the catalogue decides what the table file stores.
    fox::validateName(declared.name, fox::NameKind::LongField);

    Token type = lexer_.next();
    if (type.kind != TokenKind::Identifier) throw errors::syntaxError();
    auto found = std::find_if(kTypeNames.begin(), kTypeNames.end(),
                              [&](const TypeName& n) { return fox::sameName(n.name, type.text); });
    if (found == kTypeNames.end()) throw errors::unrecognizedPhrase();
    declared.type = found->type;

    long width = -1, decimals = 0;
    if (lexer_.peek().kind == TokenKind::LeftParen) {
      lexer_.next();
      width = smallInteger(lexer_.next());
      if (width < 0) throw errors::syntaxError();
      Token t = lexer_.next();
      if (t.kind == TokenKind::Comma) {
        decimals = smallInteger(lexer_.next());
        if (decimals < 0) throw errors::syntaxError();
        t = lexer_.next();
      }
      if (t.kind != TokenKind::RightParen) throw errors::syntaxError();
    }
    checkWidth(declared, width, decimals);

    for (;;) {
      Token t = lexer_.peek();
      if (keyword(t, "NULL")) {
        declared.nullable = true;
      } else if (keyword(t, "NOT")) {
        lexer_.next();
        if (!keyword(lexer_.peek(), "NULL")) throw errors::syntaxError();
        declared.nullable = false;
      } else if (keyword(t, "NOCPTRANS")) {
        if (declared.type != 'C' && declared.type != 'V' && declared.type != 'M') throw errors::unrecognizedPhrase();
        declared.binary = true;
      } else {
        break;
      }
      lexer_.next();
    }
    return declared;
  }

  // The widths each type allows; fixed-size types ignore a width given (as FoxPro does) but
  // B keeps its decimals.
  static void checkWidth(fox::ColumnSpec& declared, long width, long decimals) {
    if (needsWidth(declared.type) && width < 0) throw errors::syntaxError();
    bool text = declared.type == 'C' || declared.type == 'V' || declared.type == 'Q';
    if ((text && decimals != 0) || fox::widthProblem(declared.type, width, decimals))
      throw errors::invalidFieldWidth(declared.name);
    if (needsWidth(declared.type)) declared.length = static_cast<int>(width);
    if (declared.type == 'N' || declared.type == 'F' || declared.type == 'B')
      declared.decimals = static_cast<int>(decimals);
  }

  Statement drop() {
    expectKeyword("TABLE");
    DropTable drop{tableName()};
    expectEnd();
    return drop;
  }

  Statement use() {
    Use use{tableName()};
    expectEnd();
    return use;
  }

  Statement indexOn() {
    expectKeyword("ON");
    IndexOn index;
    keyAndTag(index);
    for (Token t = lexer_.next(); t.kind != TokenKind::End; t = lexer_.next()) {
      if (keyword(t, "CANDIDATE")) {
        index.candidate = true;
      } else if (keyword(t, "UNIQUE")) {
        index.unique = true;
      } else if (keyword(t, "DESCENDING")) {
        index.descending = true;
      } else if (!keyword(t, "ASCENDING")) {
        throw errors::unrecognizedPhrase();
      }
    }
    if (index.candidate && index.unique) throw errors::unrecognizedPhrase();
    return index;
  }

  Statement addPrimaryKey() {
    expectKeyword("TABLE");
    IndexOn index;
    index.table = tableName();
    for (const char* word : {"ADD", "PRIMARY", "KEY"}) expectKeyword(word);
    keyAndTag(index);
    expectEnd();
    index.candidate = index.primaryKey = true;
    return index;
  }

  // "expression TAG name": the expression is the text up to TAG, outside parentheses.
  void keyAndTag(IndexOn& index) {
    std::size_t start = lexer_.peek().offset, depth = 0;
    for (;;) {
      Token t = lexer_.next();
      if (t.kind == TokenKind::End) throw errors::syntaxError();
      if (t.kind == TokenKind::LeftParen) ++depth;
      if (t.kind == TokenKind::RightParen && depth > 0) --depth;
      if (depth == 0 && keyword(t, "TAG")) {
        std::string_view text = text_.substr(start, t.offset - start);
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
        if (text.empty()) throw errors::syntaxError();
        index.expression.assign(text);
        break;
      }
    }
    Token tag = lexer_.next();
    if (tag.kind != TokenKind::Identifier) throw errors::syntaxError();
    index.tag.assign(tag.text);
  }

  Statement select() {
    Token what = lexer_.next();
    if (what.kind != TokenKind::Star) throw errors::featureNotAvailable("SELECT of anything but * (all fields)");
    expectKeyword("FROM");
    Select select{tableName()};
    expectEnd();
    return select;
  }

  void insert(Insert& insert) {
    insert.terms.clear();
    insert.valueEnds.clear();
    expectKeyword("INTO");
    tableName(insert.table);
    Token t = lexer_.next();
    if (t.kind == TokenKind::LeftParen) throw errors::featureNotAvailable("INSERT with a list of fields");
    if (!keyword(t, "VALUES")) throw t.kind == TokenKind::End ? errors::syntaxError() : errors::unrecognizedPhrase();
    expect(TokenKind::LeftParen);
    for (;;) {
      std::size_t first = insert.terms.size();
      sum(insert.terms);
      checkOperands(insert.terms, first);
      insert.valueEnds.push_back(static_cast<std::uint32_t>(insert.terms.size()));
      Token sep = lexer_.next();
      if (sep.kind == TokenKind::RightParen) break;
      if (sep.kind != TokenKind::Comma) throw errors::syntaxError();
    }
    expectEnd();
  }

  // term { "+" term }
  void sum(std::vector<Term>& terms) {
    term(terms);
    while (lexer_.peek().kind == TokenKind::Plus) {
      lexer_.next();
      term(terms);
    }
  }

  void term(std::vector<Term>& terms) {
    Token t = lexer_.next();
    Term term;
    switch (t.kind) {
      case TokenKind::LeftParen:
        if (++depth_ > kMaxDepth) throw errors::syntaxError();
        sum(terms);
        --depth_;
        expect(TokenKind::RightParen);
        return;
      case TokenKind::SingleQuoted:
      case TokenKind::DoubleQuoted:
        term.kind = Term::Kind::Text;
        term.quote = t.kind == TokenKind::SingleQuoted ? '\'' : '"';
        term.text = t.text;
        break;
      case TokenKind::Binary:
        if (t.text.size() % 2 != 0) throw errors::syntaxError();
        term.kind = Term::Kind::Binary;
        term.text = t.text;
        break;
      case TokenKind::Minus:
      case TokenKind::Plus: {
        Token n = lexer_.next();
        if (n.kind != TokenKind::Number)
          throw n.kind == TokenKind::End ? errors::missingOperand() : errors::syntaxError();
        term.kind = Term::Kind::Number;
        term.negative = t.kind == TokenKind::Minus;
        term.text = n.text;
        break;
      }
      case TokenKind::Number:
        term.kind = Term::Kind::Number;
        term.text = t.text;
        break;
      case TokenKind::Dotted:
        if (fox::sameName(t.text, "NULL")) {
          term.kind = Term::Kind::Null;
        } else if (fox::sameName(t.text, "T") || fox::sameName(t.text, "Y")) {
          term.kind = Term::Kind::Logical;
          term.code = 1;
        } else if (fox::sameName(t.text, "F") || fox::sameName(t.text, "N")) {
          term.kind = Term::Kind::Logical;
          term.code = 0;
        } else {
          throw errors::syntaxError();
        }
        break;
      case TokenKind::Braced:
        date(t.text, term);
        break;
      case TokenKind::Identifier:
        if (keyword(t, "CHR")) {
          expect(TokenKind::LeftParen);
          long code = smallInteger(lexer_.next());
          if (code < 0 || code > 255) throw errors::invalidArgument();
          expect(TokenKind::RightParen);
          term.kind = Term::Kind::Chr;
          term.code = static_cast<std::uint32_t>(code);
          break;
        }
        if (lexer_.peek().kind == TokenKind::LeftParen)
          throw errors::featureNotAvailable("the function " + std::string(t.text) + "()");
        throw errors::variableNotFound(t.text);
      case TokenKind::End:
      case TokenKind::Comma:
      case TokenKind::RightParen:
        throw errors::missingOperand();
      default:
        throw errors::syntaxError();
    }
    if (!terms.empty() && joinsPrevious(terms.back(), term)) {
      Term& previous = terms.back();
      previous.text =
          std::string_view(previous.text.data(), term.text.data() + term.text.size() - previous.text.data());
      return;
    }
    terms.push_back(term);
  }

  // A long value arrives in pieces: 'abc'+'def' or 0hAB+0hCD. A piece written right after the one
  // before, joined by nothing but "+", extends that one's term over both (the joint stays in its
  // text, and the values skip it), so that a value of millions of pieces takes one term.
  static bool joinsPrevious(const Term& previous, const Term& next) {
    if (previous.kind != next.kind || previous.text.data() + previous.text.size() + 3 != next.text.data()) return false;
    const std::string_view joint(previous.text.data() + previous.text.size(), 3);
    if (next.kind == Term::Kind::Binary) return joint == "+0h" || joint == "+0H";
    return next.kind == Term::Kind::Text && previous.quote == next.quote && joint[0] == next.quote && joint[1] == '+' &&
           joint[2] == next.quote;
  }

  // Terms joined by "+" must agree: text with text, binary with binary. .NULL. makes the whole
  // value .NULL., as in FoxPro. Arithmetic on numbers and dates is not offered.
  static void checkOperands(const std::vector<Term>& terms, std::size_t first) {
    if (terms.size() - first < 2) return;
    auto category = [](Term::Kind k) {
      switch (k) {
        case Term::Kind::Text:
        case Term::Kind::Chr:
          return 0;
        case Term::Kind::Binary:
          return 1;
        case Term::Kind::Number:
          return 2;
        case Term::Kind::Logical:
          return 3;
        case Term::Kind::Date:
        case Term::Kind::DateTime:
          return 4;
        case Term::Kind::Null:
          return -1;
      }
      return -1;
    };
    int seen = -1;
    for (std::size_t i = first; i < terms.size(); ++i) {
      int c = category(terms[i].kind);
      if (c < 0) continue;
      if (seen >= 0 && c != seen) throw errors::operandTypeMismatch();
      seen = c;
    }
    if (seen == 2) throw errors::featureNotAvailable("arithmetic on numbers");
    if (seen == 4) throw errors::featureNotAvailable("date arithmetic");
    if (seen == 3) throw errors::operandTypeMismatch();
  }

  // {^yyyy-mm-dd [hh[:mm[:ss]] [AM|PM]]}, {} and {//} (empty date), {:} and {// :} (empty date-time).
  static void date(std::string_view text, Term& term) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (std::all_of(text.begin(), text.end(),
                    [&](char c) { return blank(c) || c == '/' || c == '-' || c == '.' || c == ':'; })) {
      term.kind = text.find(':') == std::string_view::npos ? Term::Kind::Date : Term::Kind::DateTime;
      term.when = fox::DateTime{};
      return;
    }
    if (text.front() != '^') throw errors::ambiguousDate();
    std::size_t pos = 1;
    auto number = [&](int maxDigits) {
      std::size_t start = pos;
      int value = 0;
      while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' &&
             pos - start < static_cast<std::size_t>(maxDigits))
        value = value * 10 + (text[pos++] - '0');
      if (pos == start) throw errors::syntaxError();
      return value;
    };
    auto separator = [&](std::string_view allowed) {
      if (pos >= text.size() || allowed.find(text[pos]) == std::string_view::npos) throw errors::syntaxError();
      ++pos;
    };
    fox::DateTime when;
    when.date.year = number(4);
    separator("-/.");
    when.date.month = number(2);
    separator("-/.");
    when.date.day = number(2);
    if (!fox::validDate(when.date.year, when.date.month, when.date.day)) throw errors::invalidDate();
    term.kind = Term::Kind::Date;
    if (pos < text.size()) {
      if (!blank(text[pos]) && text[pos] != 'T' && text[pos] != 't' && text[pos] != ',') throw errors::syntaxError();
      ++pos;
      while (pos < text.size() && blank(text[pos])) ++pos;
      term.kind = Term::Kind::DateTime;
      when.hour = number(2);
      if (pos < text.size() && text[pos] == ':') {
        ++pos;
        when.minute = number(2);
        if (pos < text.size() && text[pos] == ':') {
          ++pos;
          when.second = number(2);
        }
      }
      while (pos < text.size() && blank(text[pos])) ++pos;
      std::string_view rest = text.substr(pos);
      bool am = fox::sameName(rest, "AM") || fox::sameName(rest, "A");
      bool pm = fox::sameName(rest, "PM") || fox::sameName(rest, "P");
      if (!rest.empty() && !am && !pm) throw errors::syntaxError();
      if (am || pm) {
        if (when.hour < 1 || when.hour > 12) throw errors::invalidDate();
        when.hour = when.hour % 12 + (pm ? 12 : 0);
      }
      if (when.hour > 23 || when.minute > 59 || when.second > 59) throw errors::invalidDate();
    }
    term.when = when;
  }

  static constexpr int kMaxDepth = 64;
  std::string_view text_;
  Lexer lexer_;
  int depth_ = 0;
};

}  // namespace

Statement parse(std::string_view text) {
  Statement statement;
  Parser(text).statement(statement);
  return statement;
}

void parse(std::string_view text, Statement& statement) { Parser(text).statement(statement); }

std::string plainNumber(std::string_view literal, bool negative) {
  const std::size_t e = literal.find_first_of("eE");
  const std::string_view mantissa = literal.substr(0, e);
  const std::size_t dot = mantissa.find('.');
  std::string whole(mantissa.substr(0, dot));
  std::string fraction(dot == std::string_view::npos ? std::string_view() : mantissa.substr(dot + 1));
  if (e != std::string_view::npos) {
    std::size_t i = e + 1;
    bool minus = false;
    if (i < literal.size() && (literal[i] == '+' || literal[i] == '-')) minus = literal[i++] == '-';
    long exponent = 0;
    for (; i < literal.size(); ++i) {
      exponent = exponent * 10 + (literal[i] - '0');
      if (exponent > 400) throw errors::syntaxError();  // far beyond any field's range
    }
    // Shift the point by the exponent, padding with zeros where the digits run out.
    if (!minus) {
      std::size_t moved = std::min<std::size_t>(static_cast<std::size_t>(exponent), fraction.size());
      whole += fraction.substr(0, moved);
      fraction.erase(0, moved);
      whole.append(static_cast<std::size_t>(exponent) - moved, '0');
    } else {
      std::size_t moved = std::min<std::size_t>(static_cast<std::size_t>(exponent), whole.size());
      fraction.insert(0, whole.substr(whole.size() - moved));
      whole.erase(whole.size() - moved);
      fraction.insert(0, static_cast<std::size_t>(exponent) - moved, '0');
    }
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  }
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  if (whole.empty()) whole = "0";
  const bool zero = whole == "0" && fraction.find_first_not_of('0') == std::string::npos;
  std::string out = negative && !zero ? "-" : "";
  out += whole;
  if (!fraction.empty()) {
    out += '.';
    out += fraction;
  }
  return out;
}

}  // namespace foxpro::sql
