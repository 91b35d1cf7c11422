#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QRegularExpression>

#include "SetupWindowTest.h"
#include "connections/ConnectionStrings.h"
#include "shell/Pointer.h"

using namespace shell;

class Form1Test : public SetupWindowTest {
 protected:
  void SetUp() override {
    SetupWindowTest::SetUp();
    load();
  }
};

TEST_F(Form1Test, AFixedWhiteWindowOfBoldArialControlsInsideTheirFrames) {
  EXPECT_EQ(form->windowTitle(), "Setup Connections");
  EXPECT_TRUE(form->minimumSize() == QSize(425, 399) && form->maximumSize() == QSize(425, 399));
  EXPECT_EQ(form->palette().color(QPalette::Window), QColor(Qt::white));
  const auto controls = form->findChildren<QWidget*>(QRegularExpression("^(Frame|Option|Text|Check|Label)\\d$"));
  EXPECT_EQ(controls.size(), 23);
  for (QWidget* w : controls) {
    EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << w->objectName().toStdString();
    EXPECT_EQ(QFontInfo(w->font()).family() + QString::number(w->font().pointSize()) + (w->font().bold() ? "bold" : ""),
              "Liberation Sans9bold");
  }
}

TEST_F(Form1Test, TabGoesThroughTheFieldsPortLastSelectingTheirWholeText) {
  for (const char* field : {"Text1", "Text3", "Text4", "Text5", "Text6", "Text7"}) paste(field, "abc");
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  control("Text1")->setFocus(Qt::TabFocusReason);
  QStringList order{"Text1"};
  for (int i = 0; i < 11; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order << QApplication::focusWidget()->objectName();
    if (auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
      EXPECT_EQ(field->selectedText(), "abc");
    }
  }
  // Text2 and Check4 are disabled with "DBC File:"; the unselected Option2 is no tab stop.
  EXPECT_EQ(order, QStringList({"Text1", "Option1", "Check5", "Check3", "Text3", "Text5", "Text6", "Text7", "Check6",
                                "Check1", "Check2", "Text4"}));
}

TEST_F(Form1Test, EveryChangeIsStoredAtOnceAndTheOptionsSwitchTheirFields) {
  QString typed;
  for (QChar c : QString("db 1")) {
    QTest::keyClick(control("Text3"), c.toLatin1());
    EXPECT_EQ(GetSetting(keys::MySQLServer), typed += c);
  }
  control("Text3")->selectAll();
  QTest::keyClick(control("Text3"), Qt::Key_Backspace);
  EXPECT_EQ(GetSetting(keys::MySQLServer), "");
  type("Text6", "pw;1");
  EXPECT_EQ(control("Text6")->displayText(), "****");
  EXPECT_EQ(GetSetting(keys::MySQLPassword), "pw;1");

  paste("Text1", "/data/sales.dbc");
  press("Option2");
  EXPECT_EQ(GetSetting(keys::FoxproOption), "2");
  EXPECT_FALSE(control("Text1")->isEnabled() || control<QWidget>("Check5")->isEnabled());
  EXPECT_TRUE(control("Text2")->isEnabled() && control<QWidget>("Check4")->isEnabled());
  press("Option1");
  EXPECT_EQ(GetSetting(keys::FoxproOption), "1");
  EXPECT_TRUE(control("Text1")->isEnabled() && !control("Text2")->isEnabled());
  EXPECT_EQ(form->connectionSettings().DBCFile, "/data/sales.dbc");
}

TEST_F(Form1Test, TheFileAndFolderChoosersFillTheirFieldsAndCancelChangesNothing) {
  dialogs().replies = {QString("/data/sales.dbc")};
  press("Check5");
  EXPECT_EQ(GetSetting(keys::DBCFile), "/data/sales.dbc");
  paste("Text1", "/typed.dbc");
  press("Check5");  // cancelled
  EXPECT_EQ(control("Text1")->text(), "/typed.dbc");
  ASSERT_EQ(dialogs().shown.size(), 2u);
  EXPECT_EQ(dialogs().shown[0].title + "|" + dialogs().shown[0].text, "Select Foxpro Database|Microsoft Database (*.dbc)");
  EXPECT_EQ(dialogs().shown[0].initial, "");
  EXPECT_EQ(dialogs().shown[1].initial, "/data/sales.dbc");  // the last choice, not the field

  press("Option2");
  dialogs().replies = {programFolder() + "/", QString(), configFolder() + "/gone"};
  for (int i = 0; i < 3; ++i) press("Check4");
  EXPECT_EQ(GetSetting(keys::FreeTableFolder), programFolder());
  EXPECT_EQ(control("Text2")->text(), programFolder());
  EXPECT_EQ(dialogs().shown.back().title, "Please select folder to add:");
}

TEST_F(Form1Test, HelpShowsTheWholeMessage) {
  press("Check1");
  EXPECT_EQ(dialogs().messages(),
            std::vector<QString>{
                "If you cannot establish connection to your database with this program, please go to: \r\r"
                "https://downloads.mysql.com/archives/gui/\r\r"
                "Download and install the MySQL GUI Tools. Use the MySQL Query Browser. Try to connect to the same "
                "database (with the same login information you are using here). This will determine if the login "
                "you are using is correct.\r\r Finally, make sure your host allows a direct connection to your MySQL "
                "database -- not a web based connection, for example."});
}

TEST_F(Form1Test, FoxProProbeAndTestConnectionOpenOnlyWhatExists) {
  int pointerWhileShown = -1, openWhileShown = -1;
  dialogs().whileShown = [&](const auto&) {
    pointerWhileShown = MousePointer(form.get());
    openWhileShown = *foxpro->open;
  };
  QDir(configFolder()).mkdir("folder.dbc");
  const std::tuple<const char*, QString, bool> cases[] = {
      {"Option1", fixture("northwind/northwind.dbc"), true}, {"Option1", fixture("go-dbase/database/EXPENSES.DBC"), true},
      {"Option1", fixture("northwind/missing.dbc"), false},  {"Option1", configFolder() + "/folder.dbc", false},
      {"Option2", fixture("northwind"), true},               {"Option2", configFolder() + "/no-such-folder", false}};
  for (const auto& [option, path, opens] : cases) {
    press(option);
    paste(option == QString("Option1") ? "Text1" : "Text2", path);
    EXPECT_EQ(TestFoxProConnection(form->connectionSettings()), opens) << path.toStdString();
    press("Check3");
    EXPECT_EQ(dialogs().messages().back(), opens ? "Connection successful." : "Could not connect.");
    EXPECT_TRUE(!opens || (pointerWhileShown == kPointerHourglass && openWhileShown == 1));  // open while shown
  }
  EXPECT_EQ(MousePointer(form.get()), kPointerDefault);
  EXPECT_EQ(*foxpro->open, 0);
}

TEST_F(Form1Test, MySqlTestConnectionSucceedsOnlyWithTheRightLoginAndNeverHangs) {
  testdb::Server server;
  TAVREL_REQUIRE_SERVER(server);
  typeLogin(server);
  EXPECT_TRUE(TestMySqlConnection(form->connectionSettings()));
  press("Check6");
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{"Connection successful."});
  const std::pair<const char*, QString> wrong[] = {{"Text3", "nonexistent.invalid"}, {"Text4", "1"},
                                                   {"Text4", "abc"},                 {"Text6", "wrong-password"},
                                                   {"Text7", "no_such_db"}};
  for (const auto& [field, value] : wrong) {
    const QString right = control(field)->text();
    type(field, value);
    dialogs().shown.clear();
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(TestMySqlConnection(form->connectionSettings())) << field;
    press("Check6");
    EXPECT_LT(clock.elapsed(), 2 * 20000) << field;  // two attempts, each within the connect timeout
    EXPECT_EQ(dialogs().messages(),
              std::vector<QString>{"Could not connect. Please check with your administrator. Make sure you allowed to "
                                   "connect to your database remotely and not just through web-based control panels."})
        << field << "=" << value.toStdString();
    paste(field, right);
  }
  EXPECT_EQ(*mysql->open, 0);
}

TEST_F(Form1Test, OkOpensTheMainWindowOnlyWhenBothSidesAnswer) {
  int pointerAtOpen = -1;
  foxpro->onOpen = [&] { pointerAtOpen = MousePointer(form.get()); };
  paste("Text1", fixture("northwind/missing.dbc"));
  press("Check2");
  EXPECT_EQ(pointerAtOpen, kPointerHourglass);
  EXPECT_EQ(foxpro->attempts, 1);
  EXPECT_EQ(mysql->attempts, 0);
  EXPECT_TRUE(form->isVisible() && !main);

  testdb::Server server;
  TAVREL_REQUIRE_SERVER(server);
  paste("Text1", fixture("northwind/northwind.dbc"));
  typeLogin(server);
  press("Check2");
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(main->isVisible() && !form->isVisible());
  main->hide();  // back through the main window's setup button, then OK again: loaded afresh
  form->show();
  press("Check2");
  EXPECT_EQ(main->loads, 2);
  EXPECT_EQ(MousePointer(form.get()), kPointerDefault);
  EXPECT_TRUE(dialogs().shown.empty());
  form->close();
  EXPECT_EQ(programEnds, 1);
}
