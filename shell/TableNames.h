#pragma once
// A table list as the commands see it (List1, List2): table names kept sorted in ascending order
// without regard to letter case, any number of them selected, and a current entry whose index is
// -1 when there is none. The window's TableList and the command line's SortedTableNames
// implement it, so both order their entries, and so walk them, the same way. The names follow
// the list box the commands were written for.
#include <QString>
#include <vector>

class TableNames {
 public:
  virtual ~TableNames() = default;

  virtual int ListIndex() const = 0;  // the current entry, -1 when none
  virtual void SetListIndex(int index) = 0;
  virtual int ListCount() const = 0;
  virtual QString List(int index) const = 0;
  virtual bool Selected(int index) const = 0;
  virtual void SetSelected(int index, bool selected) = 0;
  // Sets the selection of every entry at once; the current entry stays as it is.
  virtual void SetAllSelected(bool selected) = 0;
  // Adds an unselected entry at its sorted place (before the entries it equals without regard to
  // case); the other entries keep their selection.
  virtual void AddItem(const QString& name) = 0;
  virtual void RemoveItem(int index) = 0;
  // Removes every entry: no selection and no current entry remain.
  virtual void Clear() = 0;
};

// The order of the entries: ascending, without regard to letter case.
bool TableNameLess(const QString& a, const QString& b);

// Whether two names are equal once both are lower-cased: how a list is searched for a name.
bool SameNameIgnoringCase(const QString& a, const QString& b);

// Whether any entry equals the text without regard to case.
bool ListContains(const TableNames& list, const QString& text);

// The selected entries, first to last.
std::vector<QString> SelectedEntries(const TableNames& list);

// Removes every entry that equals the text exactly (same case); the rest keep their order.
void RemoveListItem(TableNames& list, const QString& text);

// The entry a typed name means: the one equal to it, else the one equal to it without regard to
// case. `matches` counts the entries found the second way when none is equal (0 or 2 and more:
// `index` is -1).
struct NamedEntry {
  int index = -1;
  int matches = 0;
};
NamedEntry FindNamedEntry(const TableNames& list, const QString& name);
