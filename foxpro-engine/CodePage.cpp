#include "CodePage.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iconv.h>
#include <map>
#include <mutex>
#include <vector>

#include "Error.h"
#include "Errors.h"
#include "Utf8.h"

namespace fox {

namespace {

struct MarkEntry {
  std::uint8_t mark;
  int codePage;
};

// Marks Visual FoxPro writes, in the order of preference when a code page has several.
constexpr MarkEntry kVfpMarks[] = {
    {0x01, 437},   {0x02, 850},  {0x03, 1252}, {0x04, 10000}, {0x64, 852},  {0x65, 866},   {0x66, 865},
    {0x67, 861},   {0x68, 895},  {0x69, 620},  {0x6A, 737},   {0x6B, 857},  {0x78, 950},   {0x79, 949},
    {0x7A, 936},   {0x7B, 932},  {0x7C, 874},  {0x7D, 1255},  {0x7E, 1256}, {0x96, 10007}, {0x97, 10029},
    {0x98, 10006}, {0xC8, 1250}, {0xC9, 1251}, {0xCA, 1254},  {0xCB, 1253}, {0xCC, 1257},
};

// Older dBASE / FoxPro language driver ids, accepted when reading.
constexpr MarkEntry kOlderMarks[] = {
    {0x08, 865}, {0x09, 437},  {0x0A, 850},  {0x0B, 437},  {0x0D, 437}, {0x0E, 850}, {0x0F, 437}, {0x10, 850},
    {0x11, 437}, {0x12, 850},  {0x13, 932},  {0x14, 850},  {0x15, 437}, {0x16, 850}, {0x17, 865}, {0x18, 437},
    {0x19, 437}, {0x1A, 850},  {0x1B, 437},  {0x1C, 863},  {0x1D, 850}, {0x1F, 852}, {0x22, 852}, {0x23, 852},
    {0x24, 860}, {0x25, 850},  {0x26, 866},  {0x37, 850},  {0x40, 852}, {0x4D, 936}, {0x4E, 949}, {0x4F, 950},
    {0x50, 874}, {0x57, 1252}, {0x58, 1252}, {0x59, 1252}, {0x86, 737}, {0x87, 852}, {0x88, 857},
};

// The upper halves (0x80–0xAF) where Mazovia and Kamenický differ from code page 437.
constexpr char32_t kMazovia80[48] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x0105, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x0107, 0x00C4, 0x0104, 0x0118, 0x0119, 0x0142, 0x00F4, 0x00F6, 0x0106, 0x00FB, 0x00F9,
    0x015A, 0x00D6, 0x00DC, 0x00A2, 0x0141, 0x00A5, 0x015B, 0x0192, 0x0179, 0x017B, 0x00F3, 0x00D3,
    0x0144, 0x0143, 0x017A, 0x017C, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
};
constexpr char32_t kKamenicky80[48] = {
    0x010C, 0x00FC, 0x00E9, 0x010F, 0x00E4, 0x010E, 0x0164, 0x010D, 0x011B, 0x011A, 0x0139, 0x00CD,
    0x013E, 0x013A, 0x00C4, 0x00C1, 0x00C9, 0x017E, 0x017D, 0x00F4, 0x00F6, 0x00D3, 0x016F, 0x00DA,
    0x00FD, 0x00D6, 0x00DC, 0x0160, 0x013D, 0x00DD, 0x0158, 0x0165, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x0148, 0x0147, 0x016E, 0x00D4, 0x0161, 0x0159, 0x0155, 0x0154, 0x00BC, 0x00A7, 0x00AB, 0x00BB,
};

std::string iconvName(int number) {
  switch (number) {
    case 10000:
      return "MACINTOSH";
    case 10007:
      return "MAC-CYRILLIC";
    case 10029:
      return "MAC-CENTRALEUROPE";
    case 20866:
      return "KOI8-R";
    case 21866:
      return "KOI8-U";
    default:
      if (number > 28590 && number <= 28606) return "ISO-8859-" + std::to_string(number - 28590);
      return "CP" + std::to_string(number);
  }
}

bool isDoubleByte(int number) { return number == 932 || number == 936 || number == 949 || number == 950; }

// Decodes one byte of a single-byte code page through iconv; false when it is undefined.
bool iconvByte(iconv_t cd, std::uint8_t byte, char32_t& out) {
  char in[1] = {char(byte)};
  char buf[8];
  char* ip = in;
  size_t il = 1;
  char* op = buf;
  size_t ol = sizeof buf;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1) || il != 0) return false;
  std::string_view s(buf, size_t(op - buf));
  size_t pos = 0;
  return utf8::decode(s, pos, out) && pos == s.size();
}

class SingleByte final : public CodePage {
 public:
  // `undefined` marks the bytes the code page leaves undefined; they read as the character of
  // their own number, and only that character converts back to them.
  SingleByte(int number, const std::array<char32_t, 256>& table, const std::array<bool, 256>& undefined)
      : number_(number), reverse_(0x10000, -1) {
    asciiIdentity_ = true;
    for (int b = 0; b < 256; ++b) {
      char32_t c = table[b];
      if (b < 0x80 && c != char32_t(b)) asciiIdentity_ = false;
      encoded_[b].clear();
      utf8::append(encoded_[b], c);
      if (c < 0x10000 && reverse_[c] < 0 && !undefined[b]) reverse_[c] = std::int16_t(b);
    }
    for (int b = 0; b < 256; ++b)
      if (undefined[b] && reverse_[b] < 0) reverse_[b] = std::int16_t(b);
  }
  int number() const override { return number_; }
  bool doubleByte() const override { return false; }

  void toUtf8(std::string_view bytes, std::string& out) const override {
    // A run of ASCII bytes goes over whole when the code page keeps them as they are.
    std::size_t from = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const auto b = static_cast<unsigned char>(bytes[i]);
      if (b < 0x80 && asciiIdentity_) continue;
      out.append(bytes, from, i - from);
      out += encoded_[b];
      from = i + 1;
    }
    out.append(bytes, from);
  }

  bool fromUtf8(std::string_view utf8, std::string& out, char32_t* bad) const override {
    size_t pos = 0;
    while (pos < utf8.size()) {
      unsigned char b = utf8[pos];
      if (b < 0x80 && asciiIdentity_) {
        out.push_back(char(b));
        ++pos;
        continue;
      }
      char32_t c;
      if (!utf8::decode(utf8, pos, c)) {
        if (bad) *bad = 0xFFFD;
        return false;
      }
      if (c >= 0x10000 || reverse_[c] < 0) {
        if (bad) *bad = c;
        return false;
      }
      out.push_back(char(reverse_[c]));
    }
    return true;
  }

 private:
  int number_;
  bool asciiIdentity_ = true;
  std::array<std::string, 256> encoded_;
  std::vector<std::int16_t> reverse_;
};

class DoubleByte final : public CodePage {
 public:
  DoubleByte(int number, iconv_t toUtf8, iconv_t fromUtf8) : number_(number), to_(toUtf8), from_(fromUtf8) {}
  ~DoubleByte() override {
    iconv_close(to_);
    iconv_close(from_);
  }
  int number() const override { return number_; }
  bool doubleByte() const override { return true; }

  void toUtf8(std::string_view bytes, std::string& out) const override {
    std::lock_guard lock(mutex_);
    iconv(to_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
      if ((unsigned char)*in < 0x80) {  // ASCII is ASCII in every double-byte code page here
        out.push_back(*in++);
        --inLeft;
        continue;
      }
      char buf[256];
      char* op = buf;
      size_t outLeft = sizeof buf;
      size_t r = iconv(to_, &in, &inLeft, &op, &outLeft);
      out.append(buf, size_t(op - buf));
      if (r == size_t(-1) && errno != E2BIG) {
        utf8::append(out, 0xFFFD);
        ++in;
        --inLeft;
        iconv(to_, nullptr, nullptr, nullptr, nullptr);
      }
    }
  }

  bool fromUtf8(std::string_view utf8, std::string& out, char32_t* bad) const override {
    if (!utf8::valid(utf8)) {
      if (bad) *bad = 0xFFFD;
      return false;
    }
    std::lock_guard lock(mutex_);
    iconv(from_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    while (inLeft > 0) {
      char buf[256];
      char* op = buf;
      size_t outLeft = sizeof buf;
      size_t r = iconv(from_, &in, &inLeft, &op, &outLeft);
      out.append(buf, size_t(op - buf));
      if (r == size_t(-1) && errno != E2BIG) {
        if (bad) {
          size_t pos = size_t(in - utf8.data());
          char32_t c = 0xFFFD;
          utf8::decode(utf8, pos, c);
          *bad = c;
        }
        return false;
      }
    }
    return true;
  }

 private:
  int number_;
  iconv_t to_, from_;
  mutable std::mutex mutex_;
};

// UTF-8, named by .cpg files beside tables that other programs wrote (no header mark means it).
class Utf8Text final : public CodePage {
 public:
  int number() const override { return kUtf8; }
  bool doubleByte() const override { return false; }

  void toUtf8(std::string_view bytes, std::string& out) const override {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
      std::size_t start = pos;
      char32_t c;
      if (utf8::decode(bytes, pos, c)) {
        out.append(bytes.substr(start, pos - start));
      } else {
        utf8::append(out, 0xFFFD);  // as a broken double-byte sequence
        ++pos;
      }
    }
  }

  bool fromUtf8(std::string_view utf8, std::string& out, char32_t* bad) const override {
    if (!utf8::valid(utf8)) {
      if (bad) *bad = 0xFFFD;
      return false;
    }
    out.append(utf8);
    return true;
  }
};

std::shared_ptr<const CodePage> makeCodePage(int number) {
  if (number == kUtf8) return std::make_shared<Utf8Text>();
  if (isDoubleByte(number)) {
    std::string name = iconvName(number);
    iconv_t to = iconv_open("UTF-8", name.c_str());
    if (to == iconv_t(-1)) return nullptr;
    iconv_t from = iconv_open(name.c_str(), "UTF-8");
    if (from == iconv_t(-1)) {
      iconv_close(to);
      return nullptr;
    }
    return std::make_shared<DoubleByte>(number, to, from);
  }
  const char32_t* upper = nullptr;
  int base = number;
  if (number == 620) upper = kMazovia80, base = 437;
  if (number == 895) upper = kKamenicky80, base = 437;
  std::string name = iconvName(base);
  iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == iconv_t(-1)) return nullptr;
  std::array<char32_t, 256> table{};
  std::array<bool, 256> undefined{};
  for (int b = 0; b < 256; ++b)
    if (!iconvByte(cd, std::uint8_t(b), table[b])) table[b] = char32_t(b), undefined[b] = true;
  iconv_close(cd);
  if (upper)
    for (int i = 0; i < 48; ++i) table[0x80 + i] = upper[i], undefined[0x80 + i] = false;
  return std::make_shared<SingleByte>(number, table, undefined);
}

std::mutex gCacheMutex;
std::map<int, std::shared_ptr<const CodePage>> gCache;

}  // namespace

int codePageFromMark(std::uint8_t mark) {
  for (auto& e : kVfpMarks)
    if (e.mark == mark) return e.codePage;
  for (auto& e : kOlderMarks)
    if (e.mark == mark) return e.codePage;
  return 0;
}

std::uint8_t markFromCodePage(int codePage) {
  for (auto& e : kVfpMarks)
    if (e.codePage == codePage) return e.mark;
  return 0;
}

std::shared_ptr<const CodePage> codePage(int number) {
  std::lock_guard lock(gCacheMutex);
  auto it = gCache.find(number);
  if (it != gCache.end() && it->second) return it->second;
  auto cp = number > 0 ? makeCodePage(number) : nullptr;
  if (!cp) throw errors::codePageUnsupported(std::to_string(number));
  gCache[number] = cp;
  return cp;
}

bool codePageSupported(int number) {
  try {
    codePage(number);
    return true;
  } catch (const Error&) {
    return false;
  }
}

namespace {

struct LocaleCodePages {
  int windows, oem;
};

// The Windows code pages of a locale's language, as Windows pairs them.
LocaleCodePages codePagesForLocale(std::string_view locale) {
  std::string_view lang = locale.substr(0, locale.find_first_of("_.@"));
  std::string_view territory;
  if (auto us = locale.find('_'); us != std::string_view::npos)
    territory = locale.substr(us + 1, locale.find_first_of(".@", us) - us - 1);
  struct Entry {
    const char* lang;
    LocaleCodePages codePages;
  };
  static constexpr Entry kTable[] = {
      {"cs", {1250, 852}}, {"pl", {1250, 852}}, {"hu", {1250, 852}}, {"sk", {1250, 852}}, {"sl", {1250, 852}},
      {"hr", {1250, 852}}, {"ro", {1250, 852}}, {"sq", {1250, 852}}, {"bs", {1250, 852}}, {"ru", {1251, 866}},
      {"uk", {1251, 866}}, {"be", {1251, 866}}, {"bg", {1251, 866}}, {"mk", {1251, 866}}, {"sr", {1251, 855}},
      {"kk", {1251, 866}}, {"ky", {1251, 866}}, {"tt", {1251, 866}}, {"mn", {1251, 866}}, {"el", {1253, 737}},
      {"tr", {1254, 857}}, {"az", {1254, 857}}, {"he", {1255, 862}}, {"iw", {1255, 862}}, {"yi", {1255, 862}},
      {"ar", {1256, 720}}, {"fa", {1256, 720}}, {"ur", {1256, 720}}, {"lt", {1257, 775}}, {"lv", {1257, 775}},
      {"et", {1257, 775}}, {"th", {874, 874}},  {"ja", {932, 932}},  {"ko", {949, 949}},
  };
  if (lang == "zh")
    return (territory == "TW" || territory == "HK" || territory == "MO") ? LocaleCodePages{950, 950}
                                                                         : LocaleCodePages{936, 936};
  if (lang == "sr" && locale.find("@latin") != std::string_view::npos) return {1250, 852};
  for (auto& e : kTable)
    if (lang == e.lang) return e.codePages;
  bool us = lang == "en" ? territory.empty() || territory == "US" : lang == "C" || lang == "POSIX" || lang.empty();
  return {1252, us ? 437 : 850};
}

std::string_view currentLocale() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* v = std::getenv(name);
    if (v && *v) return v;
  }
  return "C";
}

}  // namespace

int windowsCodePageForLocale(std::string_view locale) { return codePagesForLocale(locale).windows; }
int oemCodePageForLocale(std::string_view locale) { return codePagesForLocale(locale).oem; }
int localeCodePage() { return windowsCodePageForLocale(currentLocale()); }

int codePageNamed(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte order mark
  std::string name;
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') name.push_back(char(std::toupper((unsigned char)c)));
  // "ANSI 1252" and "OEM 866" are the same numbers with a word before them.
  auto number = [](std::string_view digits) {
    int n = 0;
    if (digits.empty() || digits.size() > 5) return 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return 0;
      n = n * 10 + (c - '0');
    }
    return n;
  };
  if (name == "UTF-8" || name == "UTF8") return kUtf8;
  if (name == "OEM") return oemCodePageForLocale(currentLocale());
  if (name == "ANSI") return localeCodePage();
  if (name == "KOI8-R") return 20866;
  if (name == "KOI8-U") return 21866;
  if (name == "BIG5") return 950;
  if (name == "GBK" || name == "GB2312") return 936;
  if (name == "SJIS" || name == "SHIFT_JIS" || name == "SHIFT-JIS") return 932;
  if (name == "EUC-KR") return 949;
  for (std::string_view iso : {"ISO-8859-", "ISO8859-", "ISO_8859-", "8859-", "ISO8859", "8859"}) {
    if (name.rfind(iso, 0) != 0) continue;
    int part = number(std::string_view(name).substr(iso.size()));
    return part >= 1 && part <= 16 ? 28590 + part : 0;
  }
  for (std::string_view prefix : {"ANSI", "OEM", "WINDOWS-", "WINDOWS", "CP", "IBM", "MS", ""}) {
    if (name.rfind(prefix, 0) != 0) continue;
    if (int n = number(std::string_view(name).substr(prefix.size()))) return n;
  }
  return 0;
}

std::string describeCharacter(char32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", unsigned(c));
  std::string s = buf;
  if (c >= 0x20 && c != 0xFFFD) {
    s += " '";
    utf8::append(s, c);
    s += "'";
  }
  return s;
}

}  // namespace fox
