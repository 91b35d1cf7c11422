#include <QFile>
#include <QScreen>
#include <QWidget>

#include "../support/GuiTest.h"
#include "shell/Helpers.h"

using HelpersTest = GuiTest;

// The setup and main windows' tests see the outer frame centred; larger than the screen, a window
// is not clamped.
TEST_F(HelpersTest, CenterFormPutsAWindowLargerThanTheScreenOverItsEdges) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QWidget huge;
  huge.resize(screen.width() + 101, screen.height() + 40);
  CenterForm(&huge);
  EXPECT_EQ(huge.frameGeometry().topLeft(), screen.topLeft() + QPoint(-51, -20));
}

TEST_F(HelpersTest, FileExistsAndDeleteFileQuietlyTouchExactlyTheNamedFile) {
  const QString file = configFolder() + "/t.dbf", star = configFolder() + "/*.dbf";
  QFile(file).open(QIODevice::WriteOnly);
  EXPECT_TRUE(FileExists(file));
  for (const QString& missing : {configFolder() + "/m.dbf", configFolder() + "/no/t.dbf", QString(), star})
    EXPECT_FALSE(FileExists(missing)) << missing.toStdString();
  DeleteFileQuietly(star);
  DeleteFileQuietly(configFolder());  // never a folder
  EXPECT_TRUE(FileExists(file));
  DeleteFileQuietly(file);
  DeleteFileQuietly(file);  // missing: nothing happens
  EXPECT_FALSE(FileExists(file));
}

TEST_F(HelpersTest, DirectoryOfKeepsTheFolderWithItsLastSeparatorOfEitherKindNullToDefaultReplacesOnlyTheNull) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\data\\sales.dbc", "C:\\data\\"}, {"C:\\sales.dbc", "C:\\"},
      {"C:\\data\\", "C:\\data\\"},          {"sales.dbc", ""},
      {"/home/a/s.dbc", "/home/a/"},         {"C:/data\\sub/s.dbc", "C:/data\\sub/"}};
  for (const auto& [path, folder] : cases) EXPECT_EQ(DirectoryOf(path), folder) << path;
  for (const ado::Variant& v : {ado::Variant(""), ado::Variant("x"), ado::Variant(0)})
    EXPECT_EQ(NullToDefault(v, ado::Variant("d")), v);
  EXPECT_EQ(NullToDefault(ado::Variant(), ado::Variant("d")), ado::Variant("d"));
}
