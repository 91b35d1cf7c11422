#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "SetupWindowTest.h"
#include "connections/ConnectionStrings.h"
#include "shell/FormLook.h"
#include "shell/Pointer.h"
#include "shell/Settings.h"

class Form1Test : public SetupWindowTest {
 protected:
  void SetUp() override {
    SetupWindowTest::SetUp();
    load();
  }
  QString stored(const QString& key) { return shell::GetSetting(key); }
};

namespace {
const QString kMySqlFailure =
    "Could not connect. Please check with your administrator. Make sure you allowed to connect to your database "
    "remotely and not just through web-based control panels.";

// A port on this machine that nothing listens on.
QString closedPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return QString::number(ntohs(address.sin_port));
}
}  // namespace

TEST_F(Form1Test, LaidOutAsDesignedInBoldArialOnWhite) {
  struct Row {
    const char* name;
    const char* parent;
    QString caption;
    int left, top, width, height;
  };
  const Row rows[] = {
      {"Frame1", "Form1", "FoxPro Login", 120, 120, 6135, 1965},
      {"Option1", "Frame1", "DBC File:", 240, 390, 1215, 255},
      {"Text1", "Frame1", "", 1440, 360, 3975, 330},
      {"Check5", "Frame1", "...", 5520, 360, 325, 330},
      {"Option2", "Frame1", "Free Table Folder:", 240, 870, 1815, 255},
      {"Text2", "Frame1", "", 2160, 840, 3255, 330},
      {"Check4", "Frame1", "...", 5520, 840, 325, 330},
      {"Check3", "Form1", "Test Connection", 360, 1440, 5655, 375},
      {"Frame2", "Form1", "MySQL Login", 120, 2160, 6135, 2895},
      {"Label3", "Frame2", "Server:", 240, 405, 1095, 255},
      {"Text3", "Frame2", "", 1320, 360, 2895, 330},
      {"Label6", "Frame2", "Port:", 4440, 405, 495, 255},
      {"Text4", "Frame2", "", 5040, 360, 855, 330},
      {"Label2", "Frame2", "Username:", 240, 885, 1095, 255},
      {"Text5", "Frame2", "", 1320, 840, 4575, 330},
      {"Label5", "Frame2", "Password:", 240, 1365, 1095, 255},
      {"Text6", "Frame2", "", 1320, 1320, 4575, 330},
      {"Label4", "Frame2", "Database:", 240, 1845, 975, 255},
      {"Text7", "Frame2", "", 1320, 1800, 4575, 330},
      {"Check6", "Frame2", "Test Connection", 120, 2280, 4335, 375},
      {"Check1", "Frame2", "Help", 4560, 2280, 1335, 375},
      {"Check2", "Form1", "OK", 120, 5160, 6135, 375},
      {"Label1", "Form1", " Note: Make sure FoxPro is closed while using this application.", 120, 5640, 5415, 255},
  };
  EXPECT_EQ(form->windowTitle(), "Setup Connections");
  EXPECT_EQ(form->minimumSize(), QSize(425, 399));
  EXPECT_EQ(form->maximumSize(), QSize(425, 399));
  EXPECT_EQ(form->palette().color(QPalette::Window), QColor(Qt::white));
  for (const Row& row : rows) {
    auto* w = control<QWidget>(row.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget()->objectName(), row.parent) << row.name;
    EXPECT_EQ(w->geometry(), TwipsRect(row.left, row.top, row.width, row.height)) << row.name;
    EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << row.name;
    QString caption = w->property("text").toString();
    if (auto* frame = qobject_cast<QGroupBox*>(w)) caption = frame->title();
    EXPECT_EQ(caption, row.caption) << row.name;
    const QFontInfo font(w->font());
    EXPECT_EQ(font.family(), "Liberation Sans") << row.name;
    EXPECT_TRUE(font.bold()) << row.name;
    EXPECT_EQ(w->font().pointSize(), 9) << row.name;
  }
  EXPECT_TRUE(control<QRadioButton>("Option1")->isChecked());
}

TEST_F(Form1Test, TabGoesThroughTheFieldsPortLastAndSelectsTheWholeText) {
  for (const char* field : {"Text1", "Text3", "Text4", "Text5", "Text6", "Text7"}) type(field, "abc");
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  control("Text1")->setFocus(Qt::TabFocusReason);
  QStringList order{QApplication::focusWidget()->objectName()};
  for (int i = 0; i < 11; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    order << focused->objectName();
    if (auto* field = qobject_cast<QLineEdit*>(focused)) {
      EXPECT_EQ(field->selectedText(), "abc") << field->objectName().toStdString();
    }
  }
  // Text2 and Check4 are disabled with "DBC File:"; Option2 is not a tab stop while unselected.
  EXPECT_EQ(order, QStringList({"Text1", "Option1", "Check5", "Check3", "Text3", "Text5", "Text6", "Text7", "Check6",
                                "Check1", "Check2", "Text4"}));
}

TEST_F(Form1Test, ThePasswordIsShownAsStars) {
  type("Text6", "pw;1");
  EXPECT_EQ(control("Text6")->displayText(), "****");
  EXPECT_EQ(stored(shell::keys::MySQLPassword), "pw;1");
}

TEST_F(Form1Test, EveryChangeIsStoredAtOnceAndTheOptionsSwitchTheirFields) {
  QString typed;
  for (QChar c : QString("db 1")) {
    QTest::keyClick(control("Text3"), c.toLatin1());
    EXPECT_EQ(stored(shell::keys::MySQLServer), typed += c);
  }
  control("Text3")->selectAll();
  QTest::keyClick(control("Text3"), Qt::Key_Backspace);
  EXPECT_EQ(stored(shell::keys::MySQLServer), "");
  EXPECT_TRUE(QFile::exists(configFolder() + "/Ombrix.ini"));

  type("Text1", "/data/sales.dbc");
  QTest::mouseClick(control<QRadioButton>("Option2"), Qt::LeftButton);
  EXPECT_EQ(stored(shell::keys::FoxproOption), "2");
  EXPECT_FALSE(control("Text1")->isEnabled() || control<QWidget>("Check5")->isEnabled());
  EXPECT_TRUE(control("Text2")->isEnabled() && control<QWidget>("Check4")->isEnabled());
  QTest::mouseClick(control<QRadioButton>("Option1"), Qt::LeftButton);
  EXPECT_EQ(stored(shell::keys::FoxproOption), "1");
  EXPECT_TRUE(control("Text1")->isEnabled());
  EXPECT_EQ(control("Text1")->text(), "/data/sales.dbc");
  EXPECT_EQ(form->connectionSettings().DBCFile, "/data/sales.dbc");
}

TEST_F(Form1Test, TheFileDialogRemembersItsLastChoiceAndCancelChangesNothing) {
  dialogs().replies = {QString("/data/sales.dbc")};
  press("Check5");
  EXPECT_EQ(control("Text1")->text(), "/data/sales.dbc");
  EXPECT_EQ(stored(shell::keys::DBCFile), "/data/sales.dbc");
  type("Text1", "/typed.dbc");
  press("Check5");  // cancelled
  EXPECT_EQ(control("Text1")->text(), "/typed.dbc");
  ASSERT_EQ(dialogs().shown.size(), 2u);
  EXPECT_EQ(dialogs().shown[0].title, "Select Foxpro Database");
  EXPECT_EQ(dialogs().shown[0].text, "Microsoft Database (*.dbc)");
  EXPECT_EQ(dialogs().shown[0].initial, "");
  EXPECT_EQ(dialogs().shown[1].initial, "/data/sales.dbc");
}

TEST_F(Form1Test, TheFolderChooserFillsTheFreeTableFolderOnlyWithAFolder) {
  QTest::mouseClick(control<QRadioButton>("Option2"), Qt::LeftButton);
  dialogs().replies = {programFolder() + "/", QString(), configFolder() + "/gone"};
  press("Check4");
  EXPECT_EQ(control("Text2")->text(), programFolder());
  EXPECT_EQ(stored(shell::keys::FreeTableFolder), programFolder());
  press("Check4");
  press("Check4");
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
  EXPECT_EQ(dialogs().shown[0].title, "Tavrel");
}

TEST_F(Form1Test, FoxProTestConnectionReportsEachSource) {
  int pointerWhileShown = -1, openWhileShown = -1;
  dialogs().whileShown = [&](const auto&) {
    pointerWhileShown = shell::MousePointer(form.get());
    openWhileShown = *foxpro->open;
  };
  QDir(configFolder()).mkdir("folder.dbc");
  paste("Text1", fixture("northwind/northwind.dbc"));
  press("Check3");
  EXPECT_EQ(pointerWhileShown, shell::kPointerHourglass);
  EXPECT_EQ(openWhileShown, 1);  // still open while the success is shown
  for (const QString& bad : {fixture("northwind/missing.dbc"), configFolder() + "/folder.dbc"}) {
    paste("Text1", bad);
    press("Check3");
  }
  QTest::mouseClick(control<QRadioButton>("Option2"), Qt::LeftButton);
  paste("Text2", fixture("northwind"));
  press("Check3");
  paste("Text2", configFolder() + "/no-such-folder");
  press("Check3");
  EXPECT_EQ(dialogs().messages(), std::vector<QString>({"Connection successful.", "Could not connect.",
                                                        "Could not connect.", "Connection successful.",
                                                        "Could not connect."}));
  EXPECT_EQ(shell::MousePointer(form.get()), shell::kPointerDefault);
  EXPECT_EQ(*foxpro->open, 0);
}

TEST_F(Form1Test, MySqlTestConnectionSucceedsOnlyWithTheRightLoginAndNeverHangs) {
  testdb::Server server;
  TAVREL_REQUIRE_SERVER(server);
  typeServer(server);
  press("Check6");
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{"Connection successful."});
  EXPECT_EQ(*mysql->open, 0);

  const std::pair<const char*, QString> wrong[] = {
      {"Text3", "nonexistent.invalid"}, {"Text4", closedPort()},   {"Text4", "abc"},
      {"Text6", "wrong-password"},       {"Text7", "no_such_db"}};
  for (const auto& [field, value] : wrong) {
    const QString right = control(field)->text();
    type(field, value);
    dialogs().shown.clear();
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(TestMySqlConnection(form->connectionSettings())) << field << "=" << value.toStdString();
    press("Check6");
    EXPECT_LT(clock.elapsed(), 2 * 20000) << field;  // two attempts, each within the connect timeout
    EXPECT_EQ(dialogs().messages(), std::vector<QString>{kMySqlFailure}) << field << "=" << value.toStdString();
    paste(field, right);
  }
  EXPECT_EQ(shell::MousePointer(form.get()), shell::kPointerDefault);
}

TEST_F(Form1Test, OkOpensTheMainWindowOnlyWhenBothSidesAnswer) {
  int pointerAtOpen = -1;
  foxpro->onOpen = [&] { pointerAtOpen = shell::MousePointer(form.get()); };
  paste("Text1", fixture("northwind/missing.dbc"));
  press("Check2");
  EXPECT_EQ(pointerAtOpen, shell::kPointerHourglass);
  EXPECT_EQ(foxpro->attempts, 1);
  EXPECT_EQ(mysql->attempts, 0);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(main, nullptr);
  EXPECT_TRUE(dialogs().shown.empty());

  testdb::Server server;
  TAVREL_REQUIRE_SERVER(server);
  paste("Text1", fixture("northwind/northwind.dbc"));
  typeServer(server);
  press("Check2");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->loads, 1);
  EXPECT_TRUE(main->isVisible());
  EXPECT_FALSE(form->isVisible());
  main->hide();  // back through the main window's setup button
  form->show();
  press("Check2");
  EXPECT_EQ(main->loads, 2);
  EXPECT_EQ(form->mainWindow(), main);
  EXPECT_EQ(shell::MousePointer(form.get()), shell::kPointerDefault);
  EXPECT_TRUE(dialogs().shown.empty());
}

TEST_F(Form1Test, ClosingTheWindowEndsTheProgram) {
  form->close();
  EXPECT_EQ(programEnds, 1);
}
