// Every MySQL column type copied into a free table and read back by readers nobody here wrote:
// each value arrives in its canonical text form, binary data byte for byte, NULL as the empty
// text; text the code page cannot hold stops the copy, naming the table, the row and the column.
#include <random>

#include "CopyTest.h"
#include "shell/Command.h"

namespace {

std::string hex(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) out += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
  return out;
}

std::string allBytes(bool reversed) {
  std::string s;
  for (int i = 0; i < 256; ++i) s += static_cast<char>(reversed ? 255 - i : i);
  return s;
}

const std::string kMegabyte = [] {
  std::mt19937 random(7);
  std::string s(1 << 20, '\0');
  for (char& c : s) c = static_cast<char>(random());
  return s;
}();

// Text of n characters with a quote, a two-byte character and a CR LF among them.
std::string longText(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; s.size() < n; ++i) s += i % 97 == 5 ? '\'' : static_cast<char>('a' + i % 26);
  s.replace(10, 2, "\r\n");
  return s + "\xC3\xA9";  // é: n + 1 characters
}

struct Column {
  const char* name;
  const char* definition;
  std::string first, third;          // SQL values of rows 1 and 3 (row 2 is NULL throughout)
  std::string firstText, thirdText;  // what arrives: text, or "0x" + hex
};

// A MySQL string literal of the text.
std::string sqlText(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? "''" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
  return quoted + "'";
}

std::string bin(const std::string& bytes) { return "0x" + hex(bytes); }
std::string sqlBin(const std::string& bytes) { return bytes.empty() ? "''" : "x'" + hex(bytes) + "'"; }

const std::string kLong = longText(100000);

const std::vector<Column> kColumns = {
    {"ti", "TINYINT", "-128", "127", "-128", "127"},
    {"tu", "TINYINT UNSIGNED", "255", "0", "255", "0"},
    {"si", "SMALLINT", "-32768", "32767", "-32768", "32767"},
    {"su", "SMALLINT UNSIGNED", "65535", "0", "65535", "0"},
    {"mi", "MEDIUMINT", "-8388608", "8388607", "-8388608", "8388607"},
    {"mu", "MEDIUMINT UNSIGNED", "16777215", "0", "16777215", "0"},
    {"i", "INT", "-2147483648", "2147483647", "-2147483648", "2147483647"},
    {"iu", "INT UNSIGNED", "4294967295", "0", "4294967295", "0"},
    {"bi", "BIGINT", "-9223372036854775808", "9223372036854775807", "-9223372036854775808", "9223372036854775807"},
    {"bu", "BIGINT UNSIGNED", "18446744073709551615", "0", "18446744073709551615", "0"},
    {"f", "FLOAT", "1.1", "-3.40282e38", "1.1", "-3.40282e+38"},
    {"d", "DOUBLE", "0.1", "1.7976931348623157e308", "0.1", "1.7976931348623157e+308"},
    {"de", "DECIMAL(65,30)", "'-12345678901234567890123456789012345.123456789012345678901234567891'", "0",
     "-12345678901234567890123456789012345.123456789012345678901234567891", "0.000000000000000000000000000000"},
    {"b1", "BIT(1)", "1", "0", "1", "0"},
    {"b64", "BIT(64)", "b'1000000000000000000000000000000000000000000000000000000011111111'", "0",
     bin(std::string("\x80\0\0\0\0\0\0\xFF", 8)), bin(std::string(8, '\0'))},
    {"da", "DATE", "'1000-01-01'", "'9999-12-31'", "1000-01-01", "9999-12-31"},
    {"dt", "DATETIME(6)", "'9999-12-31 23:59:59.999999'", "'2026-12-06 13:45:00'", "9999-12-31 23:59:59.999999",
     "2026-12-06 13:45:00"},
    {"ts", "TIMESTAMP NULL", "'2026-12-06 13:45:00'", "'1999-01-02 03:04:05'", "2026-12-06 13:45:00",
     "1999-01-02 03:04:05"},
    {"tm", "TIME", "'-838:59:59'", "'13:45:00'", "-838:59:59", "13:45:00"},
    {"y", "YEAR", "2155", "1901", "2155", "1901"},
    {"ch", "CHAR(20)", "'Ünïcödé €'", "''", "Ünïcödé €", ""},
    {"vc", "VARCHAR(300)", "'O''Brien said ''hi'' ''+ x'", "'a\\r\\nb\\rc\\nd'", "O'Brien said 'hi' '+ x",
     "a\r\nb\rc\nd"},
    {"tx", "MEDIUMTEXT", sqlText(kLong), "'Œuvre š…‰'", kLong, "Œuvre š…‰"},
    {"en", "ENUM('x','y z')", "'y z'", "'x'", "y z", "x"},
    {"st", "SET('a','b','c')", "'a,c'", "''", "a,c", ""},
    {"js", "JSON", "'{\"k\": [1, 2]}'", "'[]'", "{\"k\": [1, 2]}", "[]"},
    {"bn", "BINARY(4)", "x'00FF270D'", "''", bin(std::string("\0\xFF'\r", 4)), bin(std::string(4, '\0'))},
    {"vb", "VARBINARY(256)", sqlBin(allBytes(false)), "''", bin(allBytes(false)), ""},
    {"bl", "BLOB", sqlBin(allBytes(true)), "x'27'", bin(allBytes(true)), bin("'")},
    {"lb", "LONGBLOB", sqlBin(kMegabyte), "''", bin(kMegabyte), ""},
    {"g", "GEOMETRY", "ST_GeomFromText('POINT(1 2)')", "ST_GeomFromText('POINT(0 0)')", "", ""},  // see below
};

bool isBlob(const Column& c) {
  const std::string_view name = c.name;
  return name == "bl" || name == "lb" || name == "g";
}

class ValueMatrix : public CopyTest {};

TEST_F(ValueMatrix, EveryTypeArrivesInItsCanonicalFormAndOutsideTheCodePageFails) {
  std::string create = "CREATE TABLE matrix (id INT PRIMARY KEY", first = "1", third = "3", nulls = "2";
  for (const Column& c : kColumns) {
    create += std::string(", `") + c.name + "` " + c.definition;
    first += ", " + c.first;
    third += ", " + c.third;
    nulls += ", NULL";
  }
  sql(create + ")");
  sql("INSERT INTO matrix VALUES (" + first + "), (" + nulls + "), (" + third + ")");
  // Texts of every awkward shape, one per row.
  std::vector<std::string> texts = {"", "O'Brien", "'+", "a'+b", "\r", "\n", "\r\n", "a\r\nb"};
  texts.insert(texts.end(), {std::string(200, 'x'), std::string(400, 'y'), std::string(199, 'z') + "'",
                             std::string(201, 'w'), std::string(199, 'v') + "é"});
  sql("CREATE TABLE texts (id INT PRIMARY KEY, t TEXT)");
  for (std::size_t i = 0; i < texts.size(); ++i)
    sql("INSERT INTO texts VALUES (" + std::to_string(i) + ", " + sqlText(texts[i]) + ")");
  sql("CREATE TABLE outside (id INT PRIMARY KEY, `label` VARCHAR(10), `the name` VARCHAR(10))");
  sql("INSERT INTO outside VALUES (1, 'a', 'Ok'), (2, 'b', 'Ünïcödé'), (3, 'c', 'Жук'), (4, 'd', 'never')");
  fillLists();
  pick({"matrix", "outside", "texts"});
  send();

  // The walk goes from the bottom up: texts, then outside, which stops the command.
  ASSERT_EQ(dialogs().messages().size(), 1u);
  const std::string message = dialogs().messages()[0].toStdString();
  for (const char* part : {"3003", "row 3", "outside", "Field the_name:", "U+0416"})
    EXPECT_NE(message.find(part), std::string::npos) << part << " in " << message;
  EXPECT_EQ(entries(List2), std::vector<std::string>{"texts"});  // matrix, above outside, never begun
  EXPECT_FALSE(std::filesystem::exists(folder() + "/matrix.DBF"));
  EXPECT_TRUE(idle());
  EXPECT_FALSE(shell::IsCommandRunning());
  QJsonObject outside = readBack(folder() + "/outside.DBF");
  EXPECT_EQ(rows(outside, "dbfread"), (std::vector<std::vector<std::string>>{{"1", "a", "Ok"}, {"2", "b", "Ünïcödé"}}));

  QJsonObject read = readBack(folder() + "/texts.DBF");
  for (const char* reader : {"dbfread", "dbf"}) {
    auto got = rows(read, reader);
    ASSERT_EQ(got.size(), texts.size()) << reader;
    for (std::size_t i = 0; i < texts.size(); ++i) {
      EXPECT_EQ(got[i][0], std::to_string(i)) << reader;
      // An empty memo reads as nothing (dbfread) or as the empty text (python3-dbf).
      EXPECT_EQ(got[i][1] == "NULL" ? "" : got[i][1], texts[i]) << reader << " row " << i;
    }
  }

  // Now the matrix, and a view of it without its Blob columns (BLOB, LONGBLOB, GEOMETRY), which
  // python3-dbf reads too.
  std::string memoColumns = "id";
  for (const Column& c : kColumns)
    if (!isBlob(c)) memoColumns += std::string(", `") + c.name + "`";
  sql("CREATE VIEW matrix_memos AS SELECT " + memoColumns + " FROM matrix");
  fillLists();
  pick({"matrix", "matrix_memos"});
  send();
  EXPECT_TRUE(dialogs().messages().size() == 1) << dialogs().messages().back().toStdString();
  const Names points = column("SELECT CONCAT('0x', LOWER(HEX(g))) FROM matrix ORDER BY id");
  auto expectMatrix = [&](const QJsonObject& reading, const char* reader, bool withBlobs) {
    auto got = rows(reading, reader);
    ASSERT_EQ(got.size(), 3u) << reader;
    std::size_t at = 1;
    for (const Column& c : kColumns) {
      if (isBlob(c) && !withBlobs) continue;
      const bool point = std::string(c.name) == "g";
      for (auto& row : got)
        if (row[at] == "NULL") row[at] = "";
      EXPECT_EQ(got[0][at], point ? points[0] : c.firstText) << reader << " " << c.name;
      EXPECT_EQ(got[1][at], "") << reader << " " << c.name;
      EXPECT_EQ(got[2][at], point ? points[2] : c.thirdText) << reader << " " << c.name;
      ++at;
    }
  };
  read = readBack(folder() + "/matrix.DBF");
  EXPECT_EQ(read["version"].toInt(), 0x32);  // a Blob column: python3-dbf cannot read it
  expectMatrix(read, "dbfread", true);
  read = readBack(folder() + "/matrix_memos.DBF");
  expectMatrix(read, "dbfread", false);
  expectMatrix(read, "dbf", false);
}

}  // namespace
