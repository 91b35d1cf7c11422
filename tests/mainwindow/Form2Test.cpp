#include <QScreen>
#include <QTest>

#include "../support/GuiTest.h"
#include "../support/TestDatabase.h"
#include "connections/Form1.h"
#include "mainwindow/Form2.h"
#include "platform/Providers.h"
#include "shell/ButtonCheckBox.h"
#include "shell/FormLook.h"
#include "shell/Pointer.h"
#include "shell/Settings.h"

class Form2Test : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    ado::registerStandardProviders();
    setup = std::make_unique<Form1>([](Form1& form1) { return std::make_unique<Form2>(form1); });
  }
  Form2* mainWindow() { return static_cast<Form2*>(setup->mainWindow()); }
  std::unique_ptr<Form1> setup;
};

TEST_F(Form2Test, TheSetupButtonGoesBackToTheSetupWindow) {
  Form2 main(*setup);
  main.Form_Load();
  main.show();
  EXPECT_EQ(main.windowTitle(), "Tavrel");
  EXPECT_EQ(main.minimumSize(), QSize(488, 362));
  EXPECT_EQ(main.frameGeometry().center(), main.screen()->geometry().center());
  auto* button = main.findChild<ButtonCheckBox*>("Check2");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->geometry(), TwipsRect(120, 4920, 7095, 375));
  EXPECT_EQ(button->text(), "Setup MySQL && FoxPro Connections");  // shown with one "&", no access key
  EXPECT_TRUE(button->shortcut().isEmpty());

  QTest::mouseMove(button);
  EXPECT_EQ(shell::MousePointer(&main), shell::kPointerCustom);
  QTest::mouseMove(&main, QPoint(10, 10));
  EXPECT_EQ(shell::MousePointer(&main), shell::kPointerDefault);

  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(setup->isVisible());
  EXPECT_FALSE(main.isVisible());
  main.show();
  main.close();
  EXPECT_EQ(programEnds, 1);
}

TEST_F(Form2Test, StartingWithWorkingSettingsOpensOnlyTheMainWindow) {
  testdb::Server s;
  TAVREL_REQUIRE_SERVER(s);
  shell::SaveSetting(shell::keys::DBCFile, TAVREL_FIXTURES_DIR "/northwind/northwind.dbc");
  shell::SaveSetting(shell::keys::MySQLServer, QString::fromStdString(s.host));
  shell::SaveSetting(shell::keys::MySQLPort, QString::fromStdString(s.port));
  shell::SaveSetting(shell::keys::MySQLUser, QString::fromStdString(s.user));
  shell::SaveSetting(shell::keys::MySQLPassword, QString::fromStdString(s.password));
  shell::SaveSetting(shell::keys::MySQLDatabase, QString::fromStdString(s.database));
  setup->Form_Load();
  ASSERT_NE(mainWindow(), nullptr);
  EXPECT_TRUE(mainWindow()->isVisible());
  EXPECT_FALSE(setup->isVisible());
  EXPECT_EQ(mainWindow()->windowTitle(), "Tavrel");
}
