#include "TableNames.h"

bool TableNameLess(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; }

bool SameNameIgnoringCase(const QString& a, const QString& b) { return a.toLower() == b.toLower(); }

bool ListContains(const TableNames& list, const QString& text) {
  for (int i = 0; i < list.ListCount(); ++i)
    if (SameNameIgnoringCase(list.List(i), text)) return true;
  return false;
}

std::vector<QString> SelectedEntries(const TableNames& list) {
  std::vector<QString> names;
  for (int i = 0; i < list.ListCount(); ++i)
    if (list.Selected(i)) names.push_back(list.List(i));
  return names;
}

void RemoveListItem(TableNames& list, const QString& text) {
  for (int i = list.ListCount() - 1; i >= 0; --i)
    if (list.List(i) == text) list.RemoveItem(i);
}

NamedEntry FindNamedEntry(const TableNames& list, const QString& name) {
  NamedEntry found;
  int caseMatch = -1;
  for (int i = 0; i < list.ListCount(); ++i) {
    if (list.List(i) == name) return {i, 1};
    if (SameNameIgnoringCase(list.List(i), name)) {
      ++found.matches;
      caseMatch = i;
    }
  }
  if (found.matches == 1) found.index = caseMatch;
  return found;
}
