#pragma once
// How the copy to FoxPro writes a MySQL table as FoxPro statements: the literal of each value in
// the INSERT of a row, and the name and type of each column in the CREATE TABLE. Plain functions
// (no Qt), shared by the command, its tests and the benchmarks.
//
// Every value travels as a literal the FoxPro dialect reads back to exactly that value:
// - text in pieces of 200 characters (FoxPro's literals are short) joined by '+', each quote
//   doubled, each carriage return and line feed joined in as CHR(13) and CHR(10);
// - binary values (ado::Bytes) as 0h… literals, byte for byte, in pieces as well;
// - everything else as the text of its canonical, locale-independent form (ado::Variant::toText:
//   2026-12-06, 13:45:00, decimals as MySQL holds them, shortest round-trip doubles);
// - NULL as the empty text.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/ado/Variant.h"

// Characters of text, and hexadecimal digits of binary data, in one literal piece.
inline constexpr std::size_t kLiteralPieceLength = 200;

// The body of a text literal, without its outer quotes: the text cut into consecutive pieces of
// 200 characters (an empty piece follows a last full one; the empty text is one empty piece),
// quotes doubled inside each piece, the pieces joined by quote, plus, quote. A carriage return or
// line feed closes the literal and joins in as +CHR(13)+ or +CHR(10)+; pieces are counted on
// the text as it is, line breaks included. Characters are UTF-8 sequences, never cut.
std::string SplitLongLiteral(std::string_view text);

// Appends "'" + SplitLongLiteral(text) + "'".
void AppendTextLiteral(std::string& out, std::string_view text);
// Appends 0h followed by the bytes in hexadecimal, in pieces of 200 digits joined by "+";
// no bytes give 0h.
void AppendBinaryLiteral(std::string& out, const ado::Bytes& bytes);
// Appends the literal of a field value (see above).
void AppendValueLiteral(std::string& out, const ado::Variant& value);

// The FoxPro column name of a MySQL field: every blank and every "/" becomes "_" (FoxProName
// quotes it).
std::string FoxProColumnName(std::string_view fieldName);

// Whether a text reads as a number, the same in every locale: blanks around it, an optional
// sign, digits with "," as thousands separators, one "." and an exponent (2019, -3, 1.5, 1e5,
// 1,000.25). Currency symbols, hexadecimal forms and the empty text do not count.
bool ReadsAsNumber(std::string_view text);

// The type text that follows a column name for a field of this ADO type code: " BLOB" for long
// binary data (205), " M NOCPTRANS" for the other binary codes (128, 204: a memo whose bytes no
// program translates by code page), " M" for everything else.
std::string_view FoxProColumnType(int adoTypeCode);
