// FoxPro names and code pages.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "foxpro-engine/CodePage.h"
#include "foxpro-engine/Names.h"

using namespace enginetest;

TEST(Names, ValidatesWhatFoxProAcceptsAndShortensAsVisualFoxPro) {
  using fox::NameKind;
  const std::tuple<std::string, NameKind, const char*> cases[] = {
      {"CUSTOMERID", NameKind::FreeField, ""},
      {"_x1", NameKind::FreeField, ""},
      {"1abc", NameKind::FreeField, "it begins with a digit"},
      {"abcdefghijk", NameKind::FreeField, "it is longer than 10 characters"},
      {"abcdefghijk", NameKind::LongField, ""},
      {std::string(129, 'a'), NameKind::LongTableName, "it is longer than 128 characters"},
      {"Order Date", NameKind::LongField, "it holds a blank"},
      {"in/out", NameKind::FreeField, "it holds the character '/'"},
      {"Größe", NameKind::FreeField, "it holds a character other than an ASCII letter, digit or underscore"},
      {"", NameKind::FreeField, "it is empty"},
      {"expense categories", NameKind::TableFile, ""},
      {"a:b", NameKind::TableFile, "it holds the character ':'"},
      {"..", NameKind::TableFile, "it names a folder"},
  };
  for (const auto& [name, kind, problem] : cases) {
    auto found = fox::nameProblem(name, kind);
    EXPECT_EQ(found.value_or(""), problem) << name;
  }
  EXPECT_EQ(errorText([] { fox::validateName("2019", NameKind::FreeField); }),
            "3001 Invalid field name '2019': it begins with a digit.");

  EXPECT_EQ(fox::shortFieldNames({"contact_type_id", "contact_type", "id", "ID"}),
            (std::vector<std::string>{"CONTACT_TY", "CONTACT_T2", "ID", "ID2"}));
  std::vector<std::string> longNames(11, "expensecategory");
  auto shorts = fox::shortFieldNames(longNames);
  EXPECT_EQ(shorts[0] + " " + shorts[1] + " " + shorts[8] + " " + shorts[9],
            "EXPENSECAT EXPENSECA2 EXPENSECA9 EXPENSEC10");
}

TEST(CodePages, MarksConversionAndLocale) {
  const std::pair<std::uint8_t, int> marks[] = {{0x03, 1252}, {0xC8, 1250}, {0x69, 620}, {0x26, 866}, {0x00, 0}};
  for (auto [mark, cp] : marks) EXPECT_EQ(fox::codePageFromMark(mark), cp) << int(mark);  // 0x26: an older dBASE id
  EXPECT_EQ(fox::markFromCodePage(1251), 0xC9);
  EXPECT_EQ(fox::markFromCodePage(65001), 0);

  auto utf8 = [](int cp, const std::string& bytes) {
    std::string out;
    fox::codePage(cp)->toUtf8(bytes, out);
    return out;
  };
  EXPECT_EQ(utf8(1250, "\x8A\xB9"), "Šą");
  EXPECT_EQ(utf8(620, "\x86\x92\x9E"), "ąłś");  // Mazovia
  EXPECT_EQ(utf8(864, "5%"), "5٪");
  std::string out;
  EXPECT_TRUE(fox::codePage(932)->fromUtf8("日本", out));
  EXPECT_EQ(out, "\x93\xFA\x96\x7B");
  char32_t bad = 0;
  EXPECT_FALSE(fox::codePage(1252)->fromUtf8("Ж", out, &bad));
  EXPECT_EQ(fox::describeCharacter(bad), "U+0416 'Ж'");
  EXPECT_THROW(fox::codePage(12345), fox::Error);

  const std::pair<const char*, int> locales[] = {
      {"en_US.UTF-8", 1252}, {"pl_PL.UTF-8", 1250}, {"ru_RU.UTF-8", 1251}, {"sr_RS.UTF-8@latin", 1250},
      {"zh_TW.UTF-8", 950},  {"C", 1252},           {"POSIX", 1252}};
  for (auto [locale, cp] : locales) EXPECT_EQ(fox::windowsCodePageForLocale(locale), cp) << locale;
}

// Every code page with a mark converts, and a single-byte one (those .cpg files name too) converts
// text as each of its bytes alone would, whatever byte stands next to whatever other (ASCII runs go
// over whole, and 864 keeps no ASCII identity: 0x25 is ٪). A marked one's text goes back to the
// same text (iconv's 857 and 1255 decode a few bytes to characters other bytes have, so bytes may
// differ).
TEST(CodePages, TextConvertsAsItsBytesOneByOneAndBack) {
  std::string all, pairs;  // every byte before and after every byte, starting and ending the text
  for (int b = 0x20; b < 256; ++b) all += char(b);
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) pairs += {char(a), char(b)};
  const std::string reversed(pairs.rbegin(), pairs.rend());
  std::vector<std::pair<int, bool>> pages = {{864, false}, {20866, false}, {21866, false}};
  for (int iso = 28591; iso <= 28606; ++iso) pages.push_back({iso, false});
  for (int mark = 1; mark < 256; ++mark)
    if (int cp = fox::codePageFromMark(std::uint8_t(mark))) pages.push_back({cp, true});
  for (const auto& [cp, marked] : pages) {
    // Greek Macintosh: iconv has no table, and neither do we.
    if (cp == 10006 || !(marked || fox::codePageSupported(cp))) continue;
    const auto page = fox::codePage(cp);
    std::string utf8, back, again;
    page->toUtf8(all, utf8);
    if (page->doubleByte()) continue;
    if (marked) {
      ASSERT_TRUE(page->fromUtf8(utf8, back)) << cp;
      page->toUtf8(back, again);
      EXPECT_EQ(again, utf8) << cp;
      if (cp == 1252 || cp == 1250 || cp == 1251 || cp == 620 || cp == 437) {
        EXPECT_EQ(back, all) << cp;
      }
    }
    std::string alone[256];
    for (int b = 0; b < 256; ++b) page->toUtf8(std::string(1, char(b)), alone[b]);
    for (const std::string& text : {pairs, reversed}) {
      std::string expected, converted = "kept";
      for (unsigned char b : text) expected += alone[b];
      page->toUtf8(text, converted);
      EXPECT_TRUE(converted == "kept" + expected) << cp;
    }
  }
}
