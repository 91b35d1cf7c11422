#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QRegularExpression>

#include "tests/support/SetupWindowTest.h"
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

TEST_F(Form1Test, AFixedWhiteWindowOfBoldArialControlsInsideTheirFramesTabbedThroughWithThePortLast) {
  EXPECT_EQ(setup->windowTitle(), "Setup Connections");
  EXPECT_TRUE(setup->minimumSize() == QSize(425, 399) && setup->maximumSize() == QSize(425, 399));
  EXPECT_EQ(setup->palette().color(QPalette::Window), QColor(Qt::white));
  const auto controls = setup->findChildren<QWidget*>(QRegularExpression("^(Frame|Option|Text|Check|Label)\\d$"));
  EXPECT_EQ(controls.size(), 23);
  for (QWidget* w : controls) {
    EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << w->objectName().toStdString();
    EXPECT_EQ(QFontInfo(w->font()).family() + QString::number(w->font().pointSize()) + (w->font().bold() ? "bold" : ""),
              "Liberation Sans9bold");
  }

  setup->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(setup.get()));
  control("Text1")->setFocus(Qt::TabFocusReason);
  QStringList order{"Text1"};
  for (int i = 0; i < 11; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order << QApplication::focusWidget()->objectName();
  }
  // Text2 and Check4 are disabled with "DBC File:"; the unselected Option2 is no tab stop.
  EXPECT_EQ(order, QStringList({"Text1", "Option1", "Check5", "Check3", "Text3", "Text5", "Text6", "Text7", "Check6",
                                "Check1", "Check2", "Text4"}));
  paste("Text5", "abc");  // a field selects its whole text whenever it gets the focus
  control("Text5")->setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(control("Text5")->selectedText(), "abc");
}

TEST_F(Form1Test, OnePointerForTheWholeWindowSetByTheHoverTableWhichLeavesTheHourglassExceptOverThePort) {
  auto over = [&](const char* name) {
    QWidget* w = setup->objectName() == name ? setup.get() : control<QWidget>(name);
    const bool area = w == setup.get() || w->inherits("QGroupBox");  // at a corner where no control lies
    QTest::mouseMove(w, area ? QPoint(3, w->height() - 3) : w->rect().center());
    return MousePointer(setup.get());
  };
  // Buttons: the hand. Frames, the window and the fields but the server: the default. The rest: no rule.
  const std::pair<const char*, int> moves[] = {{"Check5", 99}, {"Option1", 99}, {"Text1", 0},   {"Check3", 99},
                                               {"Frame1", 0},  {"Check6", 99},  {"Label3", 99}, {"Text3", 99},
                                               {"Text5", 0},   {"Check1", 99},  {"Form1", 0},   {"Check2", 99}};
  for (const auto& [name, pointer] : moves) EXPECT_EQ(over(name), pointer) << name;
  EXPECT_EQ(control("Text6")->cursor().shape(), Qt::ArrowCursor);  // 99 without HAND-M.CUR: the arrow
  SetMousePointer(setup.get(), kPointerHourglass);
  EXPECT_EQ(control("Text6")->cursor().shape(), Qt::WaitCursor);
  for (const char* name : {"Check2", "Text6", "Frame2", "Form1"}) EXPECT_EQ(over(name), kPointerHourglass) << name;
  EXPECT_EQ(over("Text4"), kPointerDefault);
  EXPECT_EQ(control("Text6")->cursor().shape(), Qt::IBeamCursor);  // the usual pointers are back
}

// Every keystroke is stored; the options switch their fields; the choosers fill theirs, and
// cancelled change nothing; the dialogs show their exact texts.
TEST_F(Form1Test, EveryChangeIsStoredAtOnceAndTheOptionsAndChoosersFillTheirFields) {
  QString typed;
  for (QChar c : QString("db 1")) {
    QTest::keyClick(control("Text3"), c.toLatin1());
    EXPECT_EQ(GetSetting(keys::MySQLServer), typed += c);
  }
  control("Text3")->selectAll();
  QTest::keyClick(control("Text3"), Qt::Key_Backspace);
  EXPECT_EQ(GetSetting(keys::MySQLServer), "");
  QTest::keyClicks(control("Text6"), "pw;1");
  EXPECT_EQ(control("Text6")->displayText(), "****");
  EXPECT_EQ(GetSetting(keys::MySQLPassword), "pw;1");

  dialogs().replies = {QString("/data/sales.dbc")};
  press("Check5");
  EXPECT_EQ(GetSetting(keys::DBCFile), "/data/sales.dbc");
  paste("Text1", "/typed.dbc");
  press("Check5");  // cancelled
  EXPECT_EQ(control("Text1")->text(), "/typed.dbc");
  ASSERT_EQ(dialogs().shown.size(), 2u);
  EXPECT_EQ(dialogs().shown[0].title + "|" + dialogs().shown[0].text,
            "Select Foxpro Database|Microsoft Database (*.dbc)");
  EXPECT_EQ(dialogs().shown[0].initial, "");
  EXPECT_EQ(dialogs().shown[1].initial, "/data/sales.dbc");  // the last choice, not the field

  press("Option2");
  EXPECT_EQ(GetSetting(keys::FoxproOption), "2");
  EXPECT_FALSE(control("Text1")->isEnabled() || control<QWidget>("Check5")->isEnabled());
  EXPECT_TRUE(control("Text2")->isEnabled() && control<QWidget>("Check4")->isEnabled());
  dialogs().replies = {programFolder() + "/", QString(), configFolder() + "/gone"};
  for (int i = 0; i < 3; ++i) press("Check4");
  EXPECT_EQ(GetSetting(keys::FreeTableFolder), programFolder());
  EXPECT_EQ(control("Text2")->text(), programFolder());
  EXPECT_EQ(dialogs().shown.back().title, "Please select folder to add:");
  press("Option1");
  EXPECT_EQ(GetSetting(keys::FoxproOption), "1");
  EXPECT_TRUE(control("Text1")->isEnabled() && !control("Text2")->isEnabled());
  EXPECT_EQ(setup->connectionSettings().DBCFile, "/typed.dbc");

  dialogs().shown.clear();
  press("Check1");
  ASSERT_EQ(dialogs().messages().size(), 1u);
  EXPECT_TRUE(
      dialogs().messages()[0].startsWith("If you cannot establish connection to your database with this "
                                         "program, please go to: \r\rhttps://downloads.mysql.com/archives/gui/"));
}

TEST_F(Form1Test, FoxProProbeAndTestConnectionOpenOnlyWhatExists) {
  int pointerWhileShown = -1, openWhileShown = -1;
  dialogs().whileShown = [&](const auto&) {
    pointerWhileShown = MousePointer(setup.get());
    openWhileShown = *foxpro->open;
  };
  QDir(configFolder()).mkdir("folder.dbc");
  const std::tuple<const char*, QString, bool> cases[] = {{"Option1", fixture("northwind/northwind.dbc"), true},
                                                          {"Option1", fixture("northwind/missing.dbc"), false},
                                                          {"Option1", configFolder() + "/folder.dbc", false},
                                                          {"Option2", fixture("northwind"), true},
                                                          {"Option2", configFolder() + "/no-such-folder", false}};
  for (const auto& [option, path, opens] : cases) {
    press(option);
    paste(option == QString("Option1") ? "Text1" : "Text2", path);
    EXPECT_EQ(TestFoxProConnection(setup->connectionSettings()), opens) << path.toStdString();
    press("Check3");
    EXPECT_EQ(dialogs().messages().back(), opens ? "Connection successful." : "Could not connect.");
    EXPECT_TRUE(!opens || (pointerWhileShown == kPointerHourglass && openWhileShown == 1));  // open while shown
  }
  EXPECT_EQ(MousePointer(setup.get()), kPointerDefault);
  EXPECT_EQ(*foxpro->open, 0);
}

TEST_F(Form1Test, MySqlTestConnectionTellsTheRightLoginFromWrongOnesAndOkGoesOnOnlyWhenBothSidesAnswer) {
  int pointerAtOpen = -1;
  foxpro->onOpen = [&] { pointerAtOpen = MousePointer(setup.get()); };
  paste("Text1", fixture("northwind/missing.dbc"));
  press("Check2");
  EXPECT_EQ(pointerAtOpen, kPointerHourglass);
  EXPECT_EQ(foxpro->attempts, 1);
  EXPECT_EQ(mysql->attempts, 0);
  EXPECT_TRUE(setup->isVisible() && !main && dialogs().shown.empty());

  testdb::Server server;
  TAVREL_REQUIRE_SERVER(server);
  enterWorkingSettings(server);
  EXPECT_TRUE(TestMySqlConnection(setup->connectionSettings()));
  press("Check6");
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{"Connection successful."});
  const std::pair<const char*, QString> wrong[] = {{"Text3", "nonexistent.invalid"},
                                                   {"Text4", "1"},
                                                   {"Text4", "abc"},
                                                   {"Text6", "wrong-password"},
                                                   {"Text7", "no_such_db"}};
  for (const auto& [field, value] : wrong) {
    const QString right = control(field)->text();
    paste(field, value);
    dialogs().shown.clear();
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(TestMySqlConnection(setup->connectionSettings())) << field;
    press("Check6");
    EXPECT_LT(clock.elapsed(), 2 * 20000) << field;  // two attempts, each within the connect timeout
    EXPECT_EQ(dialogs().messages(),
              std::vector<QString>{"Could not connect. Please check with your administrator. Make sure you allowed to "
                                   "connect to your database remotely and not just through web-based control panels."})
        << field << "=" << value.toStdString();
    paste(field, right);
  }
  EXPECT_EQ(*mysql->open, 0);

  dialogs().shown.clear();
  press("Check2");
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(main->isVisible() && !setup->isVisible());
  main->hide();  // back through the main window's setup button, then OK again: loaded afresh
  setup->show();
  press("Check2");
  EXPECT_EQ(main->loads, 2);
  EXPECT_EQ(MousePointer(setup.get()), kPointerDefault);
  EXPECT_TRUE(dialogs().shown.empty());
  setup->close();
  EXPECT_EQ(programEnds, 1);
}
