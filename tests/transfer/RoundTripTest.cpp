// A MySQL table of many column types sent to a free FoxPro table with "Send Table(s) to FoxPro",
// then back into another database (a latin1 one) with "Send Table(s) to MySQL": every cell
// arrives as the canonical text of the value it started as, binary values byte for byte.
#include "tests/support/MainWindowTest.h"

namespace {

using RoundTrip = MainWindowTest;

// Every row of `table`, each cell as its canonical text, bytes as hex, NULL as the empty text
// (what the copy to FoxPro stores for it).
std::vector<std::vector<std::string>> cells(const std::string& connectionString, const std::string& table) {
  ado::Connection cn;
  cn.Open(connectionString);
  std::vector<std::vector<std::string>> rows;
  for (ado::Recordset rs = cn.Execute("SELECT * FROM " + table); !rs.Eof(); rs.MoveNext()) {
    rows.emplace_back();
    for (int i = 0; i < rs.Fields().Count(); ++i) {
      const ado::Variant& v = rs.Fields()[i].Value();
      std::string text;
      if (v.kind() == ado::Variant::Kind::Bytes)
        for (std::uint8_t b : v.asBytes()) text += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
      else if (!v.isNull())
        text = v.toText();
      rows.back().push_back(text);
    }
  }
  return rows;
}

TEST_F(RoundTrip, EveryCellComesBackAsItsCanonicalText) {
  sql("CREATE TABLE many (id INT PRIMARY KEY, big BIGINT UNSIGNED, small SMALLINT, amount DECIMAL(20,6),"
      " ratio DOUBLE, single FLOAT, flag BIT(1), day DATE, moment DATETIME(6), span TIME, code CHAR(6),"
      " name VARCHAR(40), note TEXT, data BLOB, raw VARBINARY(16), kind ENUM('a','b'))");
  sql("INSERT INTO many VALUES"
      " (1, 18446744073709551615, -32768, -12345678901234.123456, 0.1, 1.5, 1, '1000-01-01',"
      "  '9999-12-31 23:59:59.999999', '-838:59:59', 'ab  ', 'Grüße, naïve café', 'it''s\r\nline two',"
      "  x'00FF0D0A27', x'DEADBEEF', 'b'),"
      " (2, 0, 32767, 0, 1.7976931348623157e308, -3.5e10, 0, '2026-12-06', '2026-12-06 13:45:00', '13:45:00',"
      "  '', '', '', '', '', 'a'),"
      " (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
  fillLists();
  pick({"many"});
  send();
  ASSERT_EQ(entries(List2), Names{"many"});

  const std::string back = otherDatabase("_latin1", "latin1");
  paste("Text7", QString::fromStdString(back));
  fillLists();
  sendToMySql({"many"});
  EXPECT_TRUE(dialogs().messages().empty()) << dialogs().messages().front().toStdString();
  EXPECT_EQ(cells(testdb::connectionString(server_, back), "many"),
            cells(testdb::connectionString(server_, database_), "many"));
}

}  // namespace
