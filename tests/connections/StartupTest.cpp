#include <QFile>
#include <QScreen>

#include "tests/support/SetupWindowTest.h"
#include "shell/Pointer.h"
#include "shell/Startup.h"

using namespace shell;
using StartupTest = SetupWindowTest;

TEST_F(StartupTest, FirstRunShowsTheEmptySetupWindowCentredWithoutConnectingAndOneDrawInAHundredOpensTheHomePage) {
  load();
  EXPECT_TRUE(setup->isVisible());
  EXPECT_EQ(setup->frameGeometry().center(), setup->screen()->geometry().center());
  for (const char* field : {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7"})
    EXPECT_EQ(control(field)->text(), "") << field;
  EXPECT_TRUE(control<QRadioButton>("Option1")->isChecked());
  EXPECT_EQ(foxpro->attempts + mysql->attempts, 0);
  EXPECT_TRUE(dialogs().shown.empty() && openedUrls.empty() && !main);
  EXPECT_FALSE(QFile::exists(configFolder() + "/Ombrix.ini"));  // loading writes nothing back
  EXPECT_FALSE(MouseIcon(setup.get()));                         // no HAND-M.CUR beside the program

  for (double r : {0.0599, 0.07}) EXPECT_FALSE(ShouldOpenHomePage(r)) << r;
  environment().random = [] { return 0.065; };  // n = 7
  ASSERT_TRUE(QFile::copy(TAVREL_BUILD_DIR "/HAND-M.CUR", programFolder() + "/HAND-M.CUR"));
  load();
  EXPECT_EQ(openedUrls, std::vector<QUrl>{QUrl(kHomePage)});
  EXPECT_TRUE(MouseIcon(setup.get()));
}

TEST_F(StartupTest, OnlyAStoredTwoSelectsTheFreeTableFolder) {
  SaveSetting(keys::DBCFile, "/a.dbc");
  SaveSetting(keys::FreeTableFolder, "/free");
  for (const char* stored : {"1", "", "3", "x", " 2", "2"}) {
    SaveSetting(keys::FoxproOption, stored);
    load();
    const bool folder = QString(stored) == "2";
    EXPECT_EQ(control<QRadioButton>("Option2")->isChecked(), folder) << stored;
    EXPECT_TRUE(control("Text2")->isEnabled() == folder && control("Text1")->isEnabled() != folder) << stored;
    EXPECT_EQ(control("Text1")->text() + control("Text2")->text(), "/a.dbc/free");
    EXPECT_EQ(GetSetting(keys::FoxproOption), stored);  // not rewritten
  }
}

// A wrong FoxPro source stops before MySQL (a blank server is not empty); a wrong MySQL login
// shows the setup window, silently; the right one only the main window.
TEST_F(StartupTest, TheMainWindowOpensOnlyWhenBothSidesAnswerAndTheSetupWindowSilentlyOtherwise) {
  SaveSetting(keys::DBCFile, fixture("northwind/missing.dbc"));
  for (const char* server : {"db1", " "}) {
    SaveSetting(keys::MySQLServer, server);
    load();
    EXPECT_TRUE(setup->isVisible());
  }
  EXPECT_EQ(foxpro->attempts, 2);
  EXPECT_TRUE(mysql->attempts == 0 && dialogs().shown.empty());  // checked before the part needing a server

  testdb::Server server;
  TAVREL_REQUIRE_SERVER(server);
  enterWorkingSettings(server);
  SaveSetting(keys::MySQLPassword, "wrong");
  load();
  EXPECT_EQ(foxpro->attempts + mysql->attempts, 4);
  EXPECT_TRUE(setup->isVisible() && !main && dialogs().shown.empty());

  SaveSetting(keys::MySQLPassword, QString::fromStdString(server.password));
  load();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->loads, 1);
  EXPECT_TRUE(main->isVisible());
  EXPECT_EQ(setup->windowHandle(), nullptr);  // never shown: no window was ever made for it
  EXPECT_EQ(*foxpro->open + *mysql->open, 0);
}
