#include <QFile>
#include <QSettings>
#include <sys/stat.h>

#include "../support/GuiTest.h"
#include "shell/Settings.h"

using SettingsTest = GuiTest;
using namespace shell;

TEST_F(SettingsTest, MissingValuesReadEmptyAndReadingCreatesNothing) {
  EXPECT_EQ(ReadSavedSettings(), ConnectionSettings{});
  EXPECT_EQ(GetSetting("NoSuchApp", "NoSection", "NoKey"), "");
  EXPECT_FALSE(QFile::exists(SettingsFilePath("Ombrix")));
}

TEST_F(SettingsTest, ValuesRoundTripExactlyInAPrivateOmbrixIniUnderTavrel) {
  const QString path = configFolder() + "/Ombrix.ini";
  auto mode = [&] {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
  };
  for (const char* raw : {"a,b", " 2 ", "@x", "C:\\data\\x.dbc", "a;b=c", "\"q\"", "ünï €", "line\nbreak", ""}) {
    const QString v = QString::fromUtf8(raw);
    SaveSetting(keys::MySQLPassword, v);
    EXPECT_EQ(GetSetting(keys::MySQLPassword), v);
    EXPECT_EQ(mode(), 0600u);
  }
  ::chmod(QFile::encodeName(path).constData(), 0644);  // widened by someone else
  SaveSetting(keys::MySQLServer, "db1");
  EXPECT_EQ(mode(), 0600u);
  QSettings file(path, QSettings::IniFormat);
  EXPECT_EQ(file.value("Tavrel/MySQLServer").toString(), "db1");
  EXPECT_TRUE(file.contains("Tavrel/MySQLPassword"));  // cleared: the key stays, empty
}
