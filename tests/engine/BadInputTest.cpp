// Damaged and unreadable files, and names FoxPro rejects: each a clear fox::Error with
// FoxPro's number, nothing changed, no crash.
#include <gtest/gtest.h>

#include <unistd.h>

#include "EngineTestSupport.h"
#include "foxpro-engine/Error.h"
#include "foxpro-engine/Table.h"
#include "foxpro-engine/TableWriter.h"

using namespace enginetest;

namespace {

// Opens and reads every record; returns the error number (0 when all went well).
int readError(const fs::path& p) {
  try {
    auto t = fox::Table::open(p);
    std::vector<fox::Value> v;
    for (std::uint32_t i = 0; i < t->recordCount(); ++i) t->read(i, v);
  } catch (const fox::Error& e) {
    EXPECT_NE(std::string(e.what()), "") << e.number();
    return e.number();
  }
  return 0;
}

void patch(const fs::path& p, std::size_t offset, std::string_view bytes) {
  std::string s = readFile(p);
  s.replace(offset, bytes.size(), bytes);
  writeFile(p, s);
}

}  // namespace

TEST(BadInput, DamagedTablesGiveFoxProErrors) {
  TempDir dir;
  auto fresh = [&](const std::string& name) {
    fs::copy_file(fixtures() / "dbffile/vfp9_30_memo.dbf", dir / (name + ".dbf"));
    fs::copy_file(fixtures() / "dbffile/vfp9_30_memo.fpt", dir / (name + ".fpt"));
    return dir / (name + ".dbf");
  };
  std::string good = readFile(fixtures() / "dbffile/vfp9_30_memo.dbf");
  std::uint16_t headerLength = std::uint8_t(good[8]) | (std::uint8_t(good[9]) << 8);

  auto truncated = fresh("truncated");
  fs::resize_file(truncated, 20);
  EXPECT_EQ(readError(truncated), fox::err::NotATable);

  auto shortHeader = fresh("shortheader");
  fs::resize_file(shortHeader, headerLength - 10);
  EXPECT_EQ(readError(shortHeader), fox::err::NotATable);

  auto fieldsPast = fresh("fieldspast");  // the field list runs past the header
  patch(fieldsPast, 8, std::string("\x40\x00", 2));
  EXPECT_EQ(readError(fieldsPast), fox::err::NotATable);

  auto countPast = fresh("countpast");
  patch(countPast, 4, std::string("\xFF\x00\x00\x00", 4));
  EXPECT_EQ(readError(countPast), fox::err::TableCorrupted);

  auto garbageType = fresh("garbagetype");
  patch(garbageType, 32 + 11, "#");
  EXPECT_EQ(readError(garbageType), fox::err::NotATable);

  auto badLength = fresh("badlength");  // an I field 7 bytes long
  std::size_t iField = good.find(std::string("\0I", 2), 32) + 1;
  ASSERT_NE(iField, std::string::npos);
  patch(badLength, 32 + 16, "\x07");
  EXPECT_NE(readError(badLength), 0);

  auto badVersion = fresh("badversion");
  patch(badVersion, 0, "\x99");
  EXPECT_EQ(readError(badVersion), fox::err::NotATable);

  auto memoPast = fresh("memopast");  // first record's memo pointer far past the .fpt
  std::size_t memoOffset = headerLength + 1 + 4;  // ID N(4)? read the offset from the engine instead
  {
    auto t = fox::Table::open(fixtures() / "dbffile/vfp9_30_memo.dbf");
    memoOffset = headerLength + t->fields()[1].offset;
    ASSERT_EQ(t->fields()[1].type, 'M');
  }
  patch(memoPast, memoOffset, std::string("\x00\x00\x10\x00", 4));
  EXPECT_EQ(readError(memoPast), fox::err::MemoFileInvalid);

  auto memoLength = fresh("memolength");  // the memo's length runs past the end of the .fpt
  std::string fpt = readFile(dir / "memolength.fpt");
  std::uint32_t block = std::uint8_t(good[memoOffset]) | (std::uint8_t(good[memoOffset + 1]) << 8);
  patch(dir / "memolength.fpt", block * 64 + 4, std::string("\x7F\xFF\xFF\xFF", 4));
  EXPECT_EQ(readError(memoLength), fox::err::MemoFileInvalid);

  auto noMemo = fresh("nomemo");
  fs::remove(dir / "nomemo.fpt");
  EXPECT_EQ(readError(noMemo), fox::err::MemoFileInvalid);

  auto badDate = fresh("baddate");
  {
    auto t = fox::Table::open(fixtures() / "dbffile/vfp9_30_memo.dbf");
    for (auto& f : t->fields())
      if (f.type == 'D') patch(badDate, headerLength + f.offset, "2023x230");
  }
  EXPECT_EQ(readError(badDate), fox::err::TableCorrupted);

  EXPECT_EQ(readError(dir / "missing.dbf"), fox::err::FileNotFound);
  fs::create_directory(dir / "folder.dbf");
  EXPECT_EQ(readError(dir / "folder.dbf"), fox::err::NotATable);
  writeFile(dir / "empty.dbf", "");
  EXPECT_EQ(readError(dir / "empty.dbf"), fox::err::NotATable);
  EXPECT_EQ(readError(fixtures() / "MANIFEST.md"), fox::err::NotATable);

  // Opening for append refuses the same files, and leaves them as they were; also a Visual
  // FoxPro table with FoxPro 2.x memo pointers (10 digits), which its appends could not write.
  auto before = readFile(countPast);
  EXPECT_THROW(fox::TableWriter::openForAppend(countPast), fox::Error);
  EXPECT_EQ(readFile(countPast), before);
  fox::TableWriter::create(dir / "tendigits.dbf", {{"C", 'C', 7}, {"M", 'M'}})->close();
  patch(dir / "tendigits.dbf", 32 + 16, "\x01");
  patch(dir / "tendigits.dbf", 64 + 16, "\x0A");
  EXPECT_EQ(readError(dir / "tendigits.dbf"), 0);
  before = readFile(dir / "tendigits.dbf");
  EXPECT_EQ(errorOf([&] { fox::TableWriter::openForAppend(dir / "tendigits.dbf"); }), fox::err::NotATable);
  EXPECT_EQ(readFile(dir / "tendigits.dbf"), before);
}

TEST(BadInput, UnreadableFilesAreAccessDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "running as root: file permissions do not stop root, so there is nothing to test";
  TempDir dir;
  fs::copy_file(fixtures() / "dbfread/memotest.dbf", dir / "locked.dbf");
  fs::copy_file(fixtures() / "dbfread/memotest.FPT", dir / "locked.FPT");
  fs::permissions(dir / "locked.dbf", fs::perms::none);
  EXPECT_EQ(readError(dir / "locked.dbf"), fox::err::AccessDenied);
  fs::permissions(dir / "locked.dbf", fs::perms::owner_read);
  fs::permissions(dir / "locked.FPT", fs::perms::none);
  EXPECT_EQ(readError(dir / "locked.dbf"), fox::err::AccessDenied);
  EXPECT_EQ(readError(dir / "locked.dbf"), fox::err::AccessDenied);
  int n = 0;
  try {
    fox::TableWriter::openForAppend(dir / "locked.dbf");
  } catch (const fox::Error& e) {
    n = e.number();
  }
  EXPECT_EQ(n, fox::err::AccessDenied);
}

// A table at the limits of the format still reads: an empty table that ends with its header,
// a table without the end-of-file byte, a memo pointer of four blanks.
TEST(BadInput, ToleratesWhatRealFilesDo) {
  TempDir dir;
  auto w = fox::TableWriter::create(dir / "t.dbf", {{"N", 'N', 3}, {"M", 'M'}});
  w->close();
  auto bytes = readFile(dir / "t.dbf");
  writeFile(dir / "t.dbf", bytes.substr(0, bytes.size() - 1));  // no 0x1A
  EXPECT_EQ(fox::Table::open(dir / "t.dbf")->recordCount(), 0u);
  auto a = fox::TableWriter::openForAppend(dir / "t.dbf");  // the append puts the 0x1A back
  a->append({std::int32_t(5), std::string()});
  a->close();
  std::string s = readFile(dir / "t.dbf");
  EXPECT_EQ(s.back(), '\x1A');
  std::size_t recordAt = s.size() - 1 - 8;
  s.replace(recordAt + 4, 4, "    ");
  writeFile(dir / "t.dbf", s);
  std::vector<fox::Value> v;
  ASSERT_TRUE(fox::Table::open(dir / "t.dbf")->read(0, v));
  EXPECT_EQ(std::get<std::string>(v[1]), "");
}

// A memo file cut short while a reader has the table open is an error, not a crash.
TEST(BadInput, MemoFileCutShortUnderAnOpenReader) {
  TempDir dir;
  auto w = fox::TableWriter::create(dir / "t.dbf", {{"M", 'M'}});
  w->append({std::string("first memo")});
  w->close();
  auto t = fox::Table::open(dir / "t.dbf");
  fs::resize_file(dir / "t.fpt", 512);
  std::vector<fox::Value> v;
  try {
    t->read(0, v);
    ADD_FAILURE() << "no error";
  } catch (const fox::Error& e) {
    EXPECT_EQ(e.number(), fox::err::MemoFileInvalid) << e.what();
  }
}
