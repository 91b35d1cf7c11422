// FoxPro names and code pages.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "foxpro-engine/CodePage.h"
#include "foxpro-engine/Error.h"
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
  try {
    fox::validateName("2019", NameKind::FreeField);
    ADD_FAILURE();
  } catch (const fox::Error& e) {
    EXPECT_EQ(e.number(), fox::err::InvalidName);
    EXPECT_STREQ(e.what(), "Invalid field name '2019': it begins with a digit.");
  }

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

  // Every code page with a mark converts, and its text goes back to the same text (iconv's
  // 857 and 1255 decode a few bytes to characters other bytes have, so bytes may differ).
  for (int mark = 1; mark < 256; ++mark) {
    int cp = fox::codePageFromMark(std::uint8_t(mark));
    if (cp == 0 || cp == 10006) continue;  // Greek Macintosh: iconv has no table, and neither do we
    auto c = fox::codePage(cp);
    std::string all;
    for (int b = 0x20; b < 256; ++b) all += char(b);
    std::string utf8, back, again;
    c->toUtf8(all, utf8);
    if (c->doubleByte()) continue;
    ASSERT_TRUE(c->fromUtf8(utf8, back)) << cp;
    c->toUtf8(back, again);
    EXPECT_EQ(again, utf8) << cp;
    if (cp == 1252 || cp == 1250 || cp == 1251 || cp == 620 || cp == 437) {
      EXPECT_EQ(back, all) << cp;
    }
  }
  auto utf8 = [](int cp, const std::string& bytes) {
    std::string out;
    fox::codePage(cp)->toUtf8(bytes, out);
    return out;
  };
  EXPECT_EQ(utf8(1250, "\x8A\xB9"), "Šą");
  EXPECT_EQ(utf8(620, "\x86\x92\x9E"), "ąłś");  // Mazovia
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

// Text of a single-byte code page converts as each of its bytes alone would, whatever byte stands
// next to whatever other (ASCII runs go over whole, and 864 keeps no ASCII identity: 0x25 is ٪).
TEST(CodePages, TextConvertsAsItsBytesOneByOne) {
  std::string pairs;  // every byte before and after every byte, starting and ending the text
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) pairs += {char(a), char(b)};
  const std::string reversed(pairs.rbegin(), pairs.rend());
  std::vector<int> pages = {864, 20866, 21866};
  for (int iso = 28591; iso <= 28606; ++iso) pages.push_back(iso);
  for (int mark = 1; mark < 256; ++mark)
    if (int cp = fox::codePageFromMark(std::uint8_t(mark))) pages.push_back(cp);
  for (int cp : pages) {
    if (!fox::codePageSupported(cp) || fox::codePage(cp)->doubleByte()) continue;
    const auto page = fox::codePage(cp);
    std::string alone[256];
    for (int b = 0; b < 256; ++b) page->toUtf8(std::string(1, char(b)), alone[b]);
    for (const std::string& text : {pairs, reversed}) {
      std::string expected, utf8 = "kept";
      for (unsigned char b : text) expected += alone[b];
      page->toUtf8(text, utf8);
      EXPECT_TRUE(utf8 == "kept" + expected) << cp;
    }
  }
  std::string percent;
  fox::codePage(864)->toUtf8("5%", percent);
  EXPECT_EQ(percent, "5٪");
}
