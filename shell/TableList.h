#pragma once
// A table list of the main window (List1, List2): a list box of table names
// - kept sorted in ascending order without regard to letter case, also as entries are added;
// - in which a click, or the space bar on the focused entry, toggles that one entry's selection;
// - with a current entry (the focus mark) whose index is -1 when there is none. Only a click, a
//   key or the program makes an entry current: taking the keyboard focus does not.
// The names follow the list box the commands were written for: ListIndex, ListCount, List(i),
// Selected(i), AddItem, RemoveItem, Clear.
#include <QListWidget>

class TableList : public QListWidget {
  Q_OBJECT

 public:
  explicit TableList(QWidget* parent = nullptr);

  int ListIndex() const;  // the current entry, -1 when none
  void SetListIndex(int index);
  int ListCount() const { return count(); }
  QString List(int index) const;
  bool Selected(int index) const;
  void SetSelected(int index, bool selected);
  // Sets the selection of every entry at once; the current entry stays as it is.
  void SetAllSelected(bool selected);
  // Select All (the button, or Ctrl+A in the list): every entry selected, and a list without a
  // current entry gets its first one, so that a command after it acts on the selection.
  void selectAll() override;

  // Adds an unselected entry at its sorted place; the other entries keep their selection.
  void AddItem(const QString& name);
  void RemoveItem(int index);
  // Removes every entry: no selection and no current entry remain.
  void Clear();

 protected:
  void focusInEvent(QFocusEvent* event) override;
};
