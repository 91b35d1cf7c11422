// The window's list and the command line's list order, select and match names alike: the
// commands walk their list from the last entry to the first, so the order decides what happens.
#include <QTest>

#include "../support/GuiTest.h"
#include "shell/SelectAll.h"
#include "shell/SortedTableNames.h"
#include "shell/TableList.h"

using TableNamesTest = GuiTest;

namespace {

struct Seen {
  QStringList names;
  QList<bool> selected;
  int current;
  std::vector<int> found;  // FindNamedEntry's index (or -matches) for each looked-up name
  QList<bool> contained;   // ListContains for each looked-up name
  QStringList left;        // after RemoveListItem of "alpha" and "BETA"
  bool operator==(const Seen&) const = default;
};

Seen exercise(TableNames& list) {
  for (const char* name : {"orders", "ORDERS", "Customers", "_x", "Zebra", "alpha", "Äpfel", "b"}) list.AddItem(name);
  list.SetSelected(2, true);
  list.SetListIndex(2);
  list.RemoveItem(0);
  list.AddItem("Beta");
  SelectAll(list);
  list.SetSelected(1, false);
  Seen seen;
  for (int i = 0; i < list.ListCount(); ++i) {
    seen.names << list.List(i);
    seen.selected << list.Selected(i);
  }
  seen.current = list.ListIndex();
  for (const char* name : {"orders", "Orders", "zebra", "ALPHA", "none", "äpfel", "order"}) {
    const NamedEntry entry = FindNamedEntry(list, name);
    seen.found.push_back(entry.index >= 0 ? entry.index : -entry.matches);
    seen.contained << ListContains(list, name);
  }
  list.AddItem("alpha");
  RemoveListItem(list, "alpha");
  RemoveListItem(list, "BETA");
  for (int i = 0; i < list.ListCount(); ++i) seen.left << list.List(i);
  return seen;
}

}  // namespace

TEST_F(TableNamesTest, WindowListAndSortedListAgree) {
  TableList window;
  SortedTableNames plain;
  const Seen shown = exercise(window);
  EXPECT_EQ(exercise(plain), shown);
  // Case-insensitive order; "Orders" matches two entries, "none" nothing; ListContains ignores
  // case, RemoveListItem takes every exact match and nothing else.
  EXPECT_EQ(shown.names.first(), "alpha");
  EXPECT_EQ(shown.found[1], -2);
  EXPECT_EQ(shown.found[4], 0);
  EXPECT_EQ(shown.contained, QList<bool>({true, true, true, true, false, true, false}));
  EXPECT_EQ(shown.left, QStringList({"b", "Beta", "Customers", "ORDERS", "orders", "Zebra", "Äpfel"}));
}

TEST_F(TableNamesTest, TheWindowListTogglesOneEntryPerClickAndGetsNoCurrentEntryFromTheFocus) {
  QWidget window;
  TableList list(&window);
  list.resize(200, 200);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  for (const char* name : {"orders", "Customers", "expense details", "Zebra", "alpha"}) list.AddItem(name);
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
