#include <QFile>
#include <QSettings>
#include <dlfcn.h>
#include <sys/stat.h>

#include "../support/GuiTest.h"
#include "shell/Settings.h"

using SettingsTest = GuiTest;
using namespace shell;

static unsigned modeOf(const char* path) {
  struct stat st {};
  return ::stat(path, &st) == 0 ? st.st_mode & 0777 : 0;
}

// QSettings replaces the file by renaming a temporary one over it. This program's rename() stands
// in front of the C library's and notes the mode each file has at the moment it takes the name.
static std::vector<unsigned> modesAtRename;
extern "C" int rename(const char* from, const char* to) {
  static auto real = reinterpret_cast<int (*)(const char*, const char*)>(dlsym(RTLD_NEXT, "rename"));
  modesAtRename.push_back(modeOf(from));
  return real(from, to);
}

TEST_F(SettingsTest, MissingValuesReadEmptyAndWrittenOnesRoundTripExactlyInAPrivateOmbrixIniUnderTavrel) {
  const QByteArray path = QFile::encodeName(configFolder() + "/Ombrix.ini");
  EXPECT_EQ(ReadSavedSettings(), ConnectionSettings{});
  EXPECT_FALSE(QFile::exists(path));  // reading creates nothing
  for (const char* raw : {"a,b", " 2 ", "@x", "C:\\data\\x.dbc", "a;b=c", "\"q\"", "ünï €", "line\nbreak", ""}) {
    const QString v = QString::fromUtf8(raw);
    SaveSetting(keys::MySQLPassword, v);
    EXPECT_EQ(GetSetting(keys::MySQLPassword), v);
    EXPECT_EQ(modeOf(path), 0600u);
  }
  ::chmod(path, 0644);  // widened by someone else: the rewritten file is private from its first moment
  modesAtRename.clear();
  SaveSetting(keys::MySQLServer, "db1");
  EXPECT_EQ(modesAtRename, std::vector<unsigned>{0600u});
  EXPECT_EQ(modeOf(path), 0600u);
  QSettings file(QFile::decodeName(path), QSettings::IniFormat);
  EXPECT_EQ(file.value("Tavrel/MySQLServer").toString(), "db1");
  EXPECT_TRUE(file.contains("Tavrel/MySQLPassword"));  // cleared: the key stays, empty
}

TEST_F(SettingsTest, AWiderFileIsNarrowedWhenReadAndTheFoldersMadeForItAreTheOwnersOnly) {
  const QString folder = configFolder() + "/made/for/tavrel";
  setenv("XDG_CONFIG_HOME", QFile::encodeName(folder).constData(), 1);
  SaveSetting(keys::MySQLServer, "db1");
  for (const char* made : {"/made", "/made/for", "/made/for/tavrel"})
    EXPECT_EQ(modeOf(QFile::encodeName(configFolder() + made)), 0700u) << made;
  const QByteArray path = QFile::encodeName(folder + "/Ombrix.ini");
  ::chmod(path, 0644);
  EXPECT_EQ(ReadSavedSettings().MySQLServer, "db1");
  EXPECT_EQ(modeOf(path), 0600u);
}
