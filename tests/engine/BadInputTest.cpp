// Damaged and unreadable files: each a clear fox::Error with FoxPro's number, nothing changed,
// no crash.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "tests/support/Unprivileged.h"

using namespace enginetest;

namespace {

// Opens and reads every record; returns the error number (0 when all went well).
int readError(const fs::path& p) {
  return errorOf([&] {
    auto t = fox::Table::open(p);
    std::vector<fox::Value> v;
    for (std::uint32_t i = 0; i < t->recordCount(); ++i) t->read(i, v);
  });
}

}  // namespace

TEST(BadInput, DamagedTablesGiveFoxProErrors) {
  TempDir dir;
  const fs::path good = fixtures() / "dbffile/vfp9_30_memo.dbf", goodMemo = fixtures() / "dbffile/vfp9_30_memo.fpt";
  auto table = fox::Table::open(good);  // ID N(10), MEMO M, …
  ASSERT_EQ(table->fields()[1].type, 'M');
  const std::string bytes = readFile(good);
  const auto [headerLength, recordLength] = layoutOf(bytes);
  std::size_t memoAt = headerLength + table->fields()[1].offset, dateAt = 0;
  for (auto& f : table->fields())
    if (f.type == 'D') dateAt = headerLength + f.offset;
  std::size_t block = std::uint8_t(bytes[memoAt]) | (std::uint8_t(bytes[memoAt + 1]) << 8);
  struct Damage {
    const char* name;
    bool inMemo;     // in the .fpt rather than the .dbf
    std::size_t at;  // where the bytes go; with no bytes, the length the file is cut to
    std::string bytes;
    int error;
    bool inHeader;  // openForAppend refuses it too
  } damages[] = {
      {"truncated", false, 20, "", fox::err::NotATable, true},
      {"shortheader", false, headerLength - 10, "", fox::err::NotATable, true},
      {"fieldspast", false, 8, std::string("\x40\x00", 2), fox::err::NotATable, true},  // field list past the header
      {"countpast", false, 4, std::string("\xFF\x00\x00\x00", 4), fox::err::TableCorrupted, true},
      {"garbagetype", false, 32 + 11, "#", fox::err::NotATable, true},
      {"badlength", false, 64 + 16, "\x07", fox::err::NotATable, true},  // a memo field 7 bytes long
      {"badversion", false, 0, "\x99", fox::err::NotATable, true},
      {"memopast", false, memoAt, std::string("\x00\x00\x10\x00", 4), fox::err::MemoFileInvalid, false},
      {"memolength", true, block * 64 + 4, "\x7F\xFF\xFF\xFF", fox::err::MemoFileInvalid, false},
      {"emptymemo", true, 0, "", fox::err::MemoFileInvalid, false},
      {"baddate", false, dateAt, "2023x230", fox::err::TableCorrupted, false},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.name);
    fs::path dbf = dir / (std::string(d.name) + ".dbf"), fpt = dir / (std::string(d.name) + ".fpt");
    fs::copy_file(good, dbf);
    fs::copy_file(goodMemo, fpt);
    if (d.bytes.empty())
      fs::resize_file(d.inMemo ? fpt : dbf, d.at);
    else
      patch(d.inMemo ? fpt : dbf, d.at, d.bytes);
    EXPECT_EQ(readError(dbf), d.error);
    std::string before = readFile(dbf);
    if (d.inHeader) {
      EXPECT_EQ(errorOf([&] { fox::TableWriter::openForAppend(dbf); }), d.error);
    }
    EXPECT_EQ(readFile(dbf), before);
  }

  // A sparse file as long as the 4,294,967,295 records its header counts, which were never
  // written: refused at once, not read as gigabytes of zeros.
  const fs::path sparse = dir / "sparse.dbf";
  fs::copy_file(good, sparse);
  fs::copy_file(goodMemo, dir / "sparse.fpt");
  patch(sparse, 4, "\xFF\xFF\xFF\xFF");
  fs::resize_file(sparse, headerLength + 0xFFFFFFFFull * recordLength);
  EXPECT_EQ(readError(sparse), fox::err::TableCorrupted);

  fs::remove(dir / "emptymemo.fpt");
  EXPECT_EQ(readError(dir / "emptymemo.dbf"), fox::err::MemoFileInvalid);
  EXPECT_EQ(readError(dir / "missing.dbf"), fox::err::FileNotFound);
  fs::create_directory(dir / "folder.dbf");
  EXPECT_EQ(readError(dir / "folder.dbf"), fox::err::NotATable);
  writeFile(dir / "empty.dbf", "");
  EXPECT_EQ(readError(dir / "empty.dbf"), fox::err::NotATable);
  EXPECT_EQ(readError(fixtures() / "MANIFEST.md"), fox::err::NotATable);

  // A Visual FoxPro table with FoxPro 2.x memo pointers (10 digits) reads, but its appends
  // could not be written: openForAppend refuses it and leaves it as it was.
  writeTable(dir / "tendigits.dbf", {{"C", 'C', 7}, {"M", 'M'}}, {});
  patch(dir / "tendigits.dbf", 32 + 16, "\x01");
  patch(dir / "tendigits.dbf", 64 + 16, "\x0A");
  EXPECT_EQ(readError(dir / "tendigits.dbf"), 0);
  std::string before = readFile(dir / "tendigits.dbf");
  EXPECT_EQ(errorOf([&] { fox::TableWriter::openForAppend(dir / "tendigits.dbf"); }), fox::err::NotATable);
  EXPECT_EQ(readFile(dir / "tendigits.dbf"), before);

  // A memo file cut short while a reader has the table open is an error, not a crash.
  auto t = fox::Table::open(writeTable(dir / "cut.dbf", {{"M", 'M'}}, {{std::string("first memo")}}));
  fs::resize_file(dir / "cut.fpt", 512);
  std::vector<fox::Value> v;
  EXPECT_EQ(errorOf([&] { t->read(0, v); }), fox::err::MemoFileInvalid);
}

// A table or memo file the user may not read, as an ordinary user.
TEST(BadInput, UnreadableFilesAreAccessDenied) {
  TempDir dir;
  fs::permissions(dir.path(), fs::perms::all);  // reachable by the unprivileged child
  fs::copy_file(fixtures() / "dbfread/memotest.dbf", dir / "locked.dbf");
  fs::copy_file(fixtures() / "dbfread/memotest.FPT", dir / "locked.FPT");
  auto readable = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  fs::permissions(dir / "locked.dbf", fs::perms::none);
  EXPECT_TRUE(unprivileged::holds([&] { return readError(dir / "locked.dbf") == fox::err::AccessDenied; }));
  fs::permissions(dir / "locked.dbf", readable);
  fs::permissions(dir / "locked.FPT", fs::perms::none);
  EXPECT_TRUE(unprivileged::holds([&] {
    return readError(dir / "locked.dbf") == fox::err::AccessDenied &&
           errorOf([&] { fox::TableWriter::openForAppend(dir / "locked.dbf"); }) == fox::err::AccessDenied;
  }));
}
