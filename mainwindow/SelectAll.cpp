#include "SelectAll.h"

#include "shell/TableList.h"

void SelectAll(TableList& list) {
  list.SetAllSelected(true);
  if (list.ListIndex() == -1 && list.ListCount() > 0) list.SetListIndex(0);
}

void DeselectAll(TableList& list) { list.SetAllSelected(false); }
