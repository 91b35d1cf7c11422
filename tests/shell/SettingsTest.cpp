#include <QFile>
#include <QSettings>
#include <sys/stat.h>

#include "../support/GuiTest.h"
#include "shell/Settings.h"

using SettingsTest = GuiTest;

namespace {
mode_t modeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 0777) : 0;
}
}  // namespace

TEST_F(SettingsTest, MissingValuesReadEmptyAndNothingIsCreatedByReading) {
  EXPECT_EQ(shell::ReadSavedSettings(), ConnectionSettings{});
  EXPECT_EQ(shell::GetSetting("NoSuchApp", "NoSection", "NoKey"), "");
  EXPECT_FALSE(QFile::exists(shell::SettingsFilePath("Ombrix")));
}

TEST_F(SettingsTest, ValuesRoundTripExactlyInTheOmbrixFileUnderTavrel) {
  const QString values[] = {"a,b", " 2 ", "@x", "C:\\data\\x.dbc", "a;b=c", "\"q\"", "ünï €", "", "  ", "line\nbreak"};
  for (const QString& v : values) {
    shell::SaveSetting(shell::keys::MySQLPassword, v);
    EXPECT_EQ(shell::GetSetting(shell::keys::MySQLPassword), v);
  }
  EXPECT_EQ(shell::SettingsFilePath("Ombrix"), configFolder() + "/Ombrix.ini");
  shell::SaveSetting(shell::keys::MySQLServer, "db1");
  QSettings file(configFolder() + "/Ombrix.ini", QSettings::IniFormat);
  EXPECT_EQ(file.value("Tavrel/MySQLServer").toString(), "db1");
  EXPECT_TRUE(file.contains("Tavrel/MySQLPassword"));  // cleared: the key stays, empty
}

TEST_F(SettingsTest, TheFileIsPrivateAndStaysPrivateAfterRewrites) {
  const QString path = configFolder() + "/Ombrix.ini";
  shell::SaveSetting(shell::keys::MySQLPassword, "secret");
  EXPECT_EQ(modeOf(path), 0600u);
  for (int i = 0; i < 3; ++i) shell::SaveSetting(shell::keys::MySQLUser, QString(i, 'u'));
  EXPECT_EQ(modeOf(path), 0600u);
  ::chmod(QFile::encodeName(path).constData(), 0644);  // widened by someone else
  shell::SaveSetting(shell::keys::MySQLUser, "u");
  EXPECT_EQ(modeOf(path), 0600u);
  EXPECT_EQ(shell::GetSetting(shell::keys::MySQLPassword), "secret");
}

TEST_F(SettingsTest, OnlyExactlyTwoSelectsTheFreeTableFolder) {
  EXPECT_TRUE(shell::SelectsFreeTableFolder("2"));
  for (const char* other : {"1", "", "3", "x", " 2", "2 ", "02"}) EXPECT_FALSE(shell::SelectsFreeTableFolder(other)) << other;
}
