#pragma once
// Code pages of FoxPro tables: the header's code page mark, and text conversion between a
// table's code page and UTF-8 (through glibc's iconv, with tables of the engine's own for the
// code pages iconv lacks: Mazovia 620 and Kamenický 895).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace fox {

// The code page a header mark (byte 29) names; 0 for no mark or an unknown one.
int codePageFromMark(std::uint8_t mark);
// The mark Visual FoxPro writes for a code page; 0 when it has none.
std::uint8_t markFromCodePage(int codePage);

// The Windows code page that suits the user's locale (LC_ALL, LC_CTYPE, LANG): 1250 for Central
// European languages, 1251 Cyrillic, 1253 Greek, 1254 Turkish, 1255 Hebrew, 1256 Arabic,
// 1257 Baltic, 874 Thai, 932/936/949/950 East Asian; 1252 for everything else. New tables get
// it, and tables without a code page mark are read in it.
int localeCodePage();
// The same for a locale name such as "pl_PL.UTF-8".
int windowsCodePageForLocale(std::string_view locale);
// The DOS ("OEM") code page Windows pairs with that locale's: 852, 866, 737, 857, 862, 720, 775,
// 874, the East Asian ones; 437 for US English and the C locale, 850 for the other languages.
int oemCodePageForLocale(std::string_view locale);

// The code page a .cpg file names, the convention of GIS tools: "UTF-8", "1251", "CP866",
// "ANSI 1252", "OEM" (the locale's DOS code page), "ANSI" (the locale's Windows code page),
// "ISO-8859-5", "88591", "KOI8-R", "BIG5" …, without regard to case or surrounding blanks.
// 0 when the text names none of them.
int codePageNamed(std::string_view text);
inline constexpr int kUtf8 = 65001;

// Converts text of one code page. Thread-safe; obtain shared instances with codePage().
class CodePage {
 public:
  virtual ~CodePage() = default;
  virtual int number() const = 0;
  // Appends the UTF-8 form of `bytes` to `out`. Never fails: a byte the code page leaves
  // undefined becomes the Unicode character of the same number (as Windows does for 0x81 in
  // 1252), so it converts back to itself; a broken double-byte sequence becomes U+FFFD.
  virtual void toUtf8(std::string_view bytes, std::string& out) const = 0;
  // Appends the code page form of `utf8` to `out`. Returns false when the text holds a
  // character the code page has none for, or is not valid UTF-8; `bad` then gets that character
  // (U+FFFD for invalid UTF-8). `out` is unspecified after a failure.
  virtual bool fromUtf8(std::string_view utf8, std::string& out, char32_t* bad = nullptr) const = 0;
  // True for code pages with double-byte characters (932, 936, 949, 950); false for UTF-8,
  // which tables are only read in.
  virtual bool doubleByte() const = 0;
};

// The converter for a code page number; throws fox::Error 3004 when neither iconv nor the
// engine knows it.
std::shared_ptr<const CodePage> codePage(int number);
bool codePageSupported(int number);

// "U+00E9 'é'" for messages.
std::string describeCharacter(char32_t c);

}  // namespace fox
