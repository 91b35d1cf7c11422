#include <QFile>
#include <QListWidget>
#include <QScreen>
#include <QWidget>
#include <sys/stat.h>

#include "../support/GuiTest.h"
#include "shell/Helpers.h"

using HelpersTest = GuiTest;

namespace {
QStringList entries(const QListWidget& list) {
  QStringList texts;
  for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
  return texts;
}
}  // namespace

TEST_F(HelpersTest, CenterFormCentresTheOuterFrameOnTheWholeScreen) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QWidget half;
  half.resize(screen.width() / 2, screen.height() / 2);
  CenterForm(&half);
  EXPECT_EQ(half.frameGeometry().topLeft(), screen.topLeft() + QPoint(screen.width() / 4, screen.height() / 4));

  QWidget huge;  // larger than the screen: a negative position, not clamped
  huge.resize(screen.width() + 101, screen.height() + 40);
  CenterForm(&huge);
  EXPECT_EQ(huge.frameGeometry().topLeft(), screen.topLeft() + QPoint(-51, -20));
}

TEST_F(HelpersTest, ListContainsIgnoresCaseAndRemoveListItemMatchesExactly) {
  QListWidget list;
  EXPECT_FALSE(ListContains(&list, "orders"));
  list.addItems({"Orders", "customers"});
  EXPECT_TRUE(ListContains(&list, "ORDERS"));
  EXPECT_FALSE(ListContains(&list, "order"));
  EXPECT_TRUE(ListContains(&list, "CUSTOMERS"));

  list.clear();
  list.addItems({"a", "a", "b", "A", "a"});
  RemoveListItem(&list, "a");
  EXPECT_EQ(entries(list), QStringList({"b", "A"}));
  RemoveListItem(&list, "B");
  EXPECT_EQ(entries(list), QStringList({"b", "A"}));
}

TEST_F(HelpersTest, NullToDefaultReplacesOnlyTheNull) {
  EXPECT_EQ(NullToDefault(ado::Variant(), ado::Variant("")), ado::Variant(""));
  EXPECT_EQ(NullToDefault(ado::Variant("x"), ado::Variant("")), ado::Variant("x"));
  EXPECT_EQ(NullToDefault(ado::Variant(0), ado::Variant("")), ado::Variant(0));
  EXPECT_EQ(NullToDefault(ado::Variant(""), ado::Variant("d")), ado::Variant(""));
}

TEST_F(HelpersTest, FileExistsAndDeleteFileQuietly) {
  const QString file = configFolder() + "/t.dbf";
  const QString star = configFolder() + "/*.dbf";
  QFile(file).open(QIODevice::WriteOnly);
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(configFolder() + "/missing.dbf"));
  EXPECT_FALSE(FileExists(configFolder() + "/no/such/folder/t.dbf"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists(star));  // no wildcards

  DeleteFileQuietly(star);  // deletes nothing else
  EXPECT_TRUE(FileExists(file));
  DeleteFileQuietly(configFolder());  // never a folder
  EXPECT_TRUE(FileExists(file));
  DeleteFileQuietly(file);
  EXPECT_FALSE(FileExists(file));
  DeleteFileQuietly(file);  // missing: nothing happens
  DeleteFileQuietly("");
}

TEST_F(HelpersTest, DirectoryOfKeepsTheFolderPartWithItsLastSeparator) {
  EXPECT_EQ(DirectoryOf("C:\\data\\sales.dbc"), "C:\\data\\");
  EXPECT_EQ(DirectoryOf("C:\\sales.dbc"), "C:\\");
  EXPECT_EQ(DirectoryOf("C:\\data\\"), "C:\\data\\");
  EXPECT_EQ(DirectoryOf("sales.dbc"), "");
  EXPECT_EQ(DirectoryOf(""), "");
  EXPECT_EQ(DirectoryOf("/home/ann/data/sales.dbc"), "/home/ann/data/");
  EXPECT_EQ(DirectoryOf("/sales.dbc"), "/");
  EXPECT_EQ(DirectoryOf("C:/data\\sub/sales.dbc"), "C:/data\\sub/");
}
