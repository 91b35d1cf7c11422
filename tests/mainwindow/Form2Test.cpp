#include <QScreen>

#include "../connections/SetupWindowTest.h"
#include "mainwindow/Form2.h"
#include "shell/FormLook.h"
#include "shell/Pointer.h"

using Form2Test = SetupWindowTest;

TEST_F(Form2Test, ACentredWindowWhoseSetupButtonGoesBackToTheSetupWindow) {
  Form2 window(*create());
  window.Form_Load();
  window.show();
  EXPECT_EQ(window.windowTitle(), "Tavrel");
  EXPECT_EQ(window.frameGeometry().center(), window.screen()->geometry().center());
  auto* button = window.findChild<ButtonCheckBox*>("Check2");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->geometry(), TwipsRect(120, 4920, 7095, 375));
  EXPECT_TRUE(button->shortcut().isEmpty());  // "&&" shows one ampersand and is no access key

  QTest::mouseMove(button);
  EXPECT_EQ(shell::MousePointer(&window), shell::kPointerCustom);
  QTest::mouseMove(&window, QPoint(10, 10));
  EXPECT_EQ(shell::MousePointer(&window), shell::kPointerDefault);

  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(form->isVisible() && !window.isVisible());
  window.show();
  window.close();
  EXPECT_EQ(programEnds, 1);
}
