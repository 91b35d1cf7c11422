#include "FoxProLiterals.h"

#include <algorithm>

#include "Datatype.h"
#include "ValueForms.h"

namespace {

constexpr std::string_view kJoint = "'+'";

bool startsCharacter(unsigned char byte) { return (byte & 0xC0) != 0x80; }

bool plain(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) { return c == '\'' || c == '\r' || c == '\n'; });
}

// Makes room in `out` for `more` bytes, and a little beyond for the small literals and the
// closing parenthesis that follow: a statement with a large value is then built in one buffer,
// never copied into one twice its size.
void makeRoom(std::string& out, std::size_t more) {
  constexpr std::size_t kBeyond = 4096;
  if (out.capacity() - out.size() < more) out.reserve(out.size() + more + kBeyond);
}

// The length of appendBody's output for a text (as appendBody writes it: quotes doubled, a line
// break as '+CHR(n)+', a joint of three after every 200 characters).
std::size_t bodyLength(std::string_view text) {
  std::size_t characters = 0, quotes = 0, breaks = 0;
  for (char c : text) {
    characters += startsCharacter(static_cast<unsigned char>(c));
    quotes += c == '\'';
    breaks += c == '\r' || c == '\n';
  }
  return text.size() + quotes + breaks * (std::string_view("'+CHR(13)+'").size() - 1) +
         characters / kLiteralPieceLength * kJoint.size();
}

void appendBody(std::string& out, std::string_view text) {
  // Most values: shorter than a piece in bytes, so in characters too, and nothing to escape.
  if (text.size() < kLiteralPieceLength && plain(text)) {
    out.append(text);
    return;
  }
  constexpr std::size_t kLarge = 64 * 1024;  // below this, growing as it goes costs little
  if (text.size() >= kLarge) makeRoom(out, bodyLength(text) + 2);
  std::size_t characters = 0;
  std::size_t run = 0;  // start of the bytes not yet appended
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (startsCharacter(static_cast<unsigned char>(c))) {
      if (characters > 0 && characters % kLiteralPieceLength == 0) {
        out.append(text.substr(run, i - run));
        out.append(kJoint);
        run = i;
      }
      ++characters;
    }
    if (c != '\'' && c != '\r' && c != '\n') continue;
    out.append(text.substr(run, i - run));
    out.append(c == '\'' ? "''" : c == '\r' ? "'+CHR(13)+'" : "'+CHR(10)+'");
    run = i + 1;
  }
  out.append(text.substr(run));
  if (characters > 0 && characters % kLiteralPieceLength == 0) out.append(kJoint);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string SplitLongLiteral(std::string_view text) {
  std::string body;
  appendBody(body, text);
  return body;
}

void AppendTextLiteral(std::string& out, std::string_view text) {
  out += '\'';
  appendBody(out, text);
  out += '\'';
}

void AppendBinaryLiteral(std::string& out, const ado::Bytes& bytes) {
  constexpr char kHex[] = "0123456789ABCDEF";
  constexpr std::size_t kBytesPerPiece = kLiteralPieceLength / 2;
  makeRoom(out, 2 + bytes.size() * 2 + bytes.size() / kBytesPerPiece * 3);
  out += "0h";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0 && i % kBytesPerPiece == 0) out += "+0h";
    out += kHex[bytes[i] >> 4];
    out += kHex[bytes[i] & 15];
  }
}

void AppendValueLiteral(std::string& out, const ado::Variant& value) {
  if (ArrivesAsBytes(value)) return AppendBinaryLiteral(out, value.asBytes());
  std::string scratch;
  AppendTextLiteral(out, FoxProText(value, scratch));
}

std::string FoxProColumnName(std::string_view fieldName) {
  std::string name(fieldName);
  std::replace(name.begin(), name.end(), ' ', '_');
  std::replace(name.begin(), name.end(), '/', '_');
  return name;
}

bool ReadsAsNumber(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t i = 0, end = text.size();
  while (i < end && blank(text[i])) ++i;
  while (end > i && blank(text[end - 1])) --end;
  if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < end && (isDigit(text[i]) || (text[i] == ',' && digits > 0 && i + 1 < end && isDigit(text[i + 1])))) {
    digits += isDigit(text[i]);
    ++i;
  }
  if (i < end && text[i] == '.')
    for (++i; i < end && isDigit(text[i]); ++i) ++digits;
  if (digits == 0) return false;
  if (i < end && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == end || !isDigit(text[i])) return false;
    while (i < end && isDigit(text[i])) ++i;
  }
  return i == end;
}

std::string_view FoxProColumnType(int adoTypeCode) {
  std::string name(AdoTypeName(static_cast<std::int16_t>(adoTypeCode)));
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (name.find("adlongvarbinary") != std::string::npos) return " BLOB";
  if (adoTypeCode == 128 || adoTypeCode == 204) return " M NOCPTRANS";
  return " M";
}
