// FoxPro names, file names found without regard to case, and code pages.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "foxpro-engine/CodePage.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/Files.h"
#include "foxpro-engine/Names.h"

using namespace enginetest;

TEST(Names, ValidatesWhatFoxProAccepts) {
  using fox::NameKind;
  EXPECT_FALSE(fox::nameProblem("CUSTOMERID", NameKind::FreeField));
  EXPECT_TRUE(fox::nameProblem("CUSTOMER_ID", NameKind::FreeField));
  EXPECT_FALSE(fox::nameProblem("_x1", NameKind::FreeField));
  EXPECT_EQ(*fox::nameProblem("1abc", NameKind::FreeField), "it begins with a digit");
  EXPECT_EQ(*fox::nameProblem("abcdefghijk", NameKind::FreeField), "it is longer than 10 characters");
  EXPECT_FALSE(fox::nameProblem("abcdefghijk", NameKind::LongField));
  EXPECT_TRUE(fox::nameProblem(std::string(129, 'a'), NameKind::LongTableName));
  EXPECT_EQ(*fox::nameProblem("Order Date", NameKind::LongField), "it holds a blank");
  EXPECT_TRUE(fox::nameProblem("in/out", NameKind::FreeField));
  EXPECT_TRUE(fox::nameProblem("Größe", NameKind::FreeField));
  EXPECT_TRUE(fox::nameProblem("", NameKind::FreeField));
  EXPECT_FALSE(fox::nameProblem("expense categories", NameKind::TableFile));
  EXPECT_TRUE(fox::nameProblem("a:b", NameKind::TableFile));
  EXPECT_TRUE(fox::nameProblem("..", NameKind::TableFile));
  try {
    fox::validateName("2019", NameKind::FreeField);
    ADD_FAILURE();
  } catch (const fox::Error& e) {
    EXPECT_EQ(e.number(), fox::err::InvalidName);
    EXPECT_STREQ(e.what(), "Invalid field name '2019': it begins with a digit.");
  }
}

TEST(Names, ShortNamesAsVisualFoxProMakesThem) {
  EXPECT_EQ(fox::shortFieldNames({"contact_type_id", "contact_type"}),
            (std::vector<std::string>{"CONTACT_TY", "CONTACT_T2"}));
  std::vector<std::string> longNames;
  for (int i = 0; i < 11; ++i) longNames.push_back("expensecategory" + std::to_string(i));
  auto shorts = fox::shortFieldNames(longNames);
  EXPECT_EQ(shorts[0], "EXPENSECAT");
  EXPECT_EQ(shorts[1], "EXPENSECA2");
  EXPECT_EQ(shorts[8], "EXPENSECA9");
  EXPECT_EQ(shorts[9], "EXPENSEC10");
  EXPECT_EQ(fox::shortFieldNames({"id", "ID", "name"}), (std::vector<std::string>{"ID", "ID2", "NAME"}));
}

TEST(Files, FindsTablesAndCompanionsWithoutRegardToCase) {
  TempDir dir;
  for (auto name : {"Orders.DBF", "orders.fpt", "ORDERS.CDX", "data.dbc", "DATA.DCT"}) writeFile(dir / name, "x");
  EXPECT_EQ(fox::findFileNoCase(dir.path(), "orders.dbf")->filename(), "Orders.DBF");
  EXPECT_FALSE(fox::findFileNoCase(dir.path(), "order.dbf"));
  EXPECT_EQ(fox::findMemoFile(dir / "Orders.DBF")->filename(), "orders.fpt");
  EXPECT_EQ(fox::findMemoFile(dir / "data.dbc")->filename(), "DATA.DCT");
  EXPECT_EQ(fox::memoFileName(dir / "X.DBF").filename(), "X.FPT");
  EXPECT_EQ(fox::indexFileName(dir / "x.dbc").filename(), "x.dcx");
  fox::removeTableFiles(dir / "ORDERS.dbf");
  EXPECT_FALSE(fs::exists(dir / "Orders.DBF"));
  EXPECT_FALSE(fs::exists(dir / "orders.fpt"));
  EXPECT_FALSE(fs::exists(dir / "ORDERS.CDX"));
  EXPECT_TRUE(fs::exists(dir / "data.dbc"));
}

TEST(CodePages, MarksConversionAndLocale) {
  EXPECT_EQ(fox::codePageFromMark(0x03), 1252);
  EXPECT_EQ(fox::codePageFromMark(0xC8), 1250);
  EXPECT_EQ(fox::codePageFromMark(0x69), 620);
  EXPECT_EQ(fox::codePageFromMark(0x26), 866);  // an older dBASE id
  EXPECT_EQ(fox::codePageFromMark(0x00), 0);
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
  std::string out;
  fox::codePage(1250)->toUtf8("\x8A\xB9", out);
  EXPECT_EQ(out, "Šą");
  out.clear();
  fox::codePage(620)->toUtf8("\x86\x92\x9E", out);  // Mazovia: ą ł ś
  EXPECT_EQ(out, "ąłś");
  out.clear();
  EXPECT_TRUE(fox::codePage(932)->fromUtf8("日本", out));
  EXPECT_EQ(out, "\x93\xFA\x96\x7B");
  char32_t bad = 0;
  out.clear();
  EXPECT_FALSE(fox::codePage(1252)->fromUtf8("Ж", out, &bad));
  EXPECT_EQ(bad, U'Ж');
  EXPECT_EQ(fox::describeCharacter(U'Ж'), "U+0416 'Ж'");
  EXPECT_THROW(fox::codePage(12345), fox::Error);

  EXPECT_EQ(fox::windowsCodePageForLocale("en_US.UTF-8"), 1252);
  EXPECT_EQ(fox::windowsCodePageForLocale("pl_PL.UTF-8"), 1250);
  EXPECT_EQ(fox::windowsCodePageForLocale("ru_RU.UTF-8"), 1251);
  EXPECT_EQ(fox::windowsCodePageForLocale("sr_RS.UTF-8@latin"), 1250);
  EXPECT_EQ(fox::windowsCodePageForLocale("zh_TW.UTF-8"), 950);
  EXPECT_EQ(fox::windowsCodePageForLocale("C"), 1252);
  EXPECT_EQ(fox::windowsCodePageForLocale("POSIX"), 1252);
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
