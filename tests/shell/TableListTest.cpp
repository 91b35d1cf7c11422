#include <QTest>

#include "../support/GuiTest.h"
#include "shell/TableList.h"

using TableListTest = GuiTest;

TEST_F(TableListTest, SortsWithoutRegardToCaseTogglesOneEntryAndGetsNoCurrentEntryFromTheFocus) {
  QWidget window;
  TableList list(&window);
  list.resize(200, 200);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  for (const char* name : {"orders", "Customers", "expense details", "Zebra", "alpha"}) list.AddItem(name);
  QStringList shown;
  for (int i = 0; i < list.ListCount(); ++i) shown << list.List(i);
  EXPECT_EQ(shown, QStringList({"alpha", "Customers", "expense details", "orders", "Zebra"}));

  list.setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(list.hasFocus());
  EXPECT_EQ(list.ListIndex(), -1);

  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(1)).center());
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(3)).center());
  EXPECT_TRUE(list.Selected(1) && list.Selected(3));
  EXPECT_EQ(list.ListIndex(), 3);
  QTest::keyClick(&list, Qt::Key_Space);  // toggles the focused entry only
  EXPECT_TRUE(list.Selected(1) && !list.Selected(3));

  list.AddItem("Beta");  // takes its sorted place, unselected; the others keep theirs
  EXPECT_EQ(list.List(1), "Beta");
  EXPECT_TRUE(!list.Selected(1) && list.Selected(2));

  list.Clear();
  list.clearFocus();
  list.AddItem("one");
  list.setFocus();
  QApplication::processEvents();
  EXPECT_EQ(list.ListIndex(), -1);
  QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);  // selects all, as Select All does
  EXPECT_TRUE(list.Selected(0) && list.ListIndex() == 0);
}
