#include "SelectAll.h"

#include "TableNames.h"

void SelectAll(TableNames& list) {
  list.SetAllSelected(true);
  if (list.ListIndex() == -1 && list.ListCount() > 0) list.SetListIndex(0);
}

void DeselectAll(TableNames& list) { list.SetAllSelected(false); }
