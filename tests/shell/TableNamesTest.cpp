// The window's list and the command line's list order, select and match names alike: the
// commands walk their list from the last entry to the first, so the order decides what happens.
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
  for (const char* name : {"orders", "Orders", "zebra", "ALPHA", "none", "äpfel"}) {
    const NamedEntry entry = FindNamedEntry(list, name);
    seen.found.push_back(entry.index >= 0 ? entry.index : -entry.matches);
  }
  return seen;
}

}  // namespace

TEST_F(TableNamesTest, WindowListAndSortedListAgree) {
  TableList window;
  SortedTableNames plain;
  const Seen shown = exercise(window);
  EXPECT_EQ(exercise(plain), shown);
  // Case-insensitive order; "Orders" matches two entries, "none" nothing.
  EXPECT_EQ(shown.names.first(), "alpha");
  EXPECT_EQ(shown.found[1], -2);
  EXPECT_EQ(shown.found[4], 0);
}

TEST_F(TableNamesTest, ListContainsIgnoresCaseRemoveListItemMatchesExactly) {
  SortedTableNames list;
  EXPECT_FALSE(ListContains(list, "orders"));
  for (const char* name : {"a", "Orders", "A", "b", "a"}) list.AddItem(name);
  EXPECT_TRUE(ListContains(list, "ORDERS"));
  EXPECT_FALSE(ListContains(list, "order"));
  RemoveListItem(list, "a");
  RemoveListItem(list, "B");
  QStringList left;
  for (int i = 0; i < list.ListCount(); ++i) left << list.List(i);
  EXPECT_EQ(left, QStringList({"A", "b", "Orders"}));
}
