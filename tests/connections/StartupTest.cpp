#include <QFile>
#include <QScreen>

#include "SetupWindowTest.h"
#include "shell/Pointer.h"
#include "shell/Settings.h"
#include "shell/Startup.h"

namespace {
// Counts how often a window is shown.
struct ShowCounter : QObject {
  int shows = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) ++shows;
    return false;
  }
};

void save(const testdb::Server& s) {
  shell::SaveSetting(shell::keys::MySQLServer, QString::fromStdString(s.host));
  shell::SaveSetting(shell::keys::MySQLPort, QString::fromStdString(s.port));
  shell::SaveSetting(shell::keys::MySQLUser, QString::fromStdString(s.user));
  shell::SaveSetting(shell::keys::MySQLPassword, QString::fromStdString(s.password));
  shell::SaveSetting(shell::keys::MySQLDatabase, QString::fromStdString(s.database));
}
}  // namespace

class StartupTest : public SetupWindowTest {
 protected:
  void saveGoodFoxPro() { shell::SaveSetting(shell::keys::DBCFile, fixture("northwind/northwind.dbc")); }
};

TEST_F(StartupTest, FirstRunShowsTheEmptySetupWindowCentredWithoutTryingToConnect) {
  load();
  EXPECT_TRUE(form->isVisible());
  const QRect screen = form->screen()->geometry();
  EXPECT_EQ(form->frameGeometry().center(), screen.center());
  for (const char* field : {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7"})
    EXPECT_EQ(control(field)->text(), "") << field;
  EXPECT_TRUE(control<QRadioButton>("Option1")->isChecked());
  EXPECT_EQ(foxpro->attempts + mysql->attempts, 0);
  EXPECT_TRUE(dialogs().shown.empty());
  EXPECT_EQ(main, nullptr);
  EXPECT_FALSE(QFile::exists(configFolder() + "/Ombrix.ini"));  // loading writes nothing back
  EXPECT_FALSE(shell::MouseIcon(form.get()));  // no HAND-M.CUR beside the program
}

TEST_F(StartupTest, OnlyAStoredTwoSelectsTheFreeTableFolder) {
  shell::SaveSetting(shell::keys::DBCFile, "/a.dbc");
  shell::SaveSetting(shell::keys::FreeTableFolder, "/free");
  for (const char* stored : {"1", "", "3", "x", " 2", "2"}) {
    shell::SaveSetting(shell::keys::FoxproOption, stored);
    load();
    const bool folder = QString(stored) == "2";
    EXPECT_EQ(control<QRadioButton>("Option2")->isChecked(), folder) << stored;
    EXPECT_EQ(control("Text2")->isEnabled(), folder) << stored;
    EXPECT_EQ(control("Text1")->isEnabled(), !folder) << stored;
    EXPECT_EQ(control("Text1")->text() + control("Text2")->text(), "/a.dbc/free");
    EXPECT_EQ(shell::GetSetting(shell::keys::FoxproOption), stored);  // not rewritten
  }
}

TEST_F(StartupTest, AWrongFoxProSourceStopsBeforeMySql) {
  for (const char* server : {"db1", " "}) {  // a single blank is not empty
    shell::SaveSetting(shell::keys::MySQLServer, server);
    shell::SaveSetting(shell::keys::DBCFile, fixture("northwind/missing.dbc"));
    load();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(control("Text3")->text(), server);
  }
  EXPECT_EQ(foxpro->attempts, 2);
  EXPECT_EQ(mysql->attempts, 0);
  EXPECT_TRUE(dialogs().shown.empty());
}

TEST_F(StartupTest, AWrongMySqlLoginShowsTheSetupWindowSilently) {
  testdb::Server server;
  TAVREL_REQUIRE_SERVER(server);
  save(server);
  shell::SaveSetting(shell::keys::MySQLPassword, "wrong");
  saveGoodFoxPro();
  load();
  EXPECT_EQ(foxpro->attempts, 1);
  EXPECT_EQ(mysql->attempts, 1);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(main, nullptr);
  EXPECT_TRUE(dialogs().shown.empty());
}

TEST_F(StartupTest, WhenBothSidesAnswerOnlyTheMainWindowIsEverShown) {
  testdb::Server server;
  TAVREL_REQUIRE_SERVER(server);
  save(server);
  saveGoodFoxPro();
  ShowCounter setupShows;
  form = std::make_unique<Form1>([this](Form1&) {
    auto window = std::make_unique<CountingMainWindow>();
    main = window.get();
    return window;
  });
  form->installEventFilter(&setupShows);
  form->Form_Load();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->loads, 1);
  EXPECT_TRUE(main->isVisible());
  EXPECT_EQ(setupShows.shows, 0);
  EXPECT_EQ(*foxpro->open + *mysql->open, 0);
}

TEST_F(StartupTest, TheHomePageOpensOnlyWhenTheDrawGivesSeven) {
  EXPECT_TRUE(shell::ShouldOpenHomePage(0.06));
  EXPECT_TRUE(shell::ShouldOpenHomePage(0.0699));
  for (double r : {0.0, 0.0599, 0.07, 0.5, 0.9999}) EXPECT_FALSE(shell::ShouldOpenHomePage(r)) << r;
  shell::environment().random = [] { return 0.065; };
  load();
  EXPECT_EQ(openedUrls, std::vector<QUrl>{QUrl(shell::kHomePage)});
  EXPECT_TRUE(form->isVisible());
}

TEST_F(StartupTest, TheHandCursorIsLoadedWhenItIsBesideTheProgram) {
  ASSERT_TRUE(QFile::copy(TAVREL_BUILD_DIR "/HAND-M.CUR", programFolder() + "/HAND-M.CUR"));
  load();
  EXPECT_TRUE(shell::MouseIcon(form.get()));
  QTest::mouseMove(control<QWidget>("Check2"));
  EXPECT_EQ(shell::MousePointer(form.get()), shell::kPointerCustom);
}
