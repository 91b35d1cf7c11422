#include "SelectAll.h"

#include "shell/TableList.h"

void SelectAll(TableList& list) { list.selectAll(); }

void DeselectAll(TableList& list) { list.SetAllSelected(false); }
