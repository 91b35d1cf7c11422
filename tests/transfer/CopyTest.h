#pragma once
// The copy to FoxPro driven as a user drives it (the main window's fixture), its tables read back
// with python3-dbfread and python3-dbf (read_dbf.py).
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "platform/ui/ScriptedDialogs.h"
#include "tests/support/MainWindowTest.h"
#include "transfer/QuotedNames.h"

class CopyTest : public MainWindowTest {
 protected:
  // A table read by python3-dbfread and python3-dbf: {"version", "dbfread": rows, "dbf": rows or null}.
  static QJsonObject readBack(const std::string& dbf, int codePage = 1252) {
    std::string command = "/usr/bin/python3 '" TAVREL_SOURCE_DIR "/tests/transfer/read_dbf.py' '" + dbf + "' " +
                          std::to_string(codePage) + " 2>&1";
    std::string out;
    EXPECT_EQ(testfiles::run(command, out), 0) << out.substr(0, 2000);
    return QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
  }
  // The rows of one reader, each value as its text, bytes as "0x" + hex, null as "NULL".
  static std::vector<Names> rows(const QJsonObject& reading, const char* reader) {
    std::vector<Names> out;
    for (const QJsonValue& row : reading[reader].toArray()) {
      out.emplace_back();
      for (const QJsonValue& v : row.toArray())
        out.back().push_back(v.isNull()     ? "NULL"
                             : v.isObject() ? "0x" + v.toObject()["hex"].toString().toStdString()
                                            : v.toString().toStdString());
    }
    return out;
  }
  // The record count in a .dbf header, 0 while the file is not there yet.
  static std::uint32_t recordCount(const std::string& dbf) { return testfiles::headerNumber(dbf, 4, 4); }
  // The texts of the questions asked so far.
  std::vector<QString> questions() {
    std::vector<QString> texts;
    for (const auto& shown : dialogs().shown)
      if (shown.kind == ui::ScriptedDialogs::Kind::Question) texts.push_back(shown.text);
    return texts;
  }
  // The first value of a FoxPro table of the chosen source.
  std::string foxproValue(const std::string& table) {
    return chosenFoxPro()->Execute("SELECT * FROM " + FoxProName(table)).Fields()[0].Value().toText();
  }
  // FoxPro statements on `source` (a folder or a .dbc).
  static void foxpro(const std::filesystem::path& source, const std::vector<std::string>& statements) {
    auto cn = provider_test::open(source);
    for (const std::string& statement : statements) cn->Execute(statement);
  }
};
