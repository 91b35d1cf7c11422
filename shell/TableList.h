#pragma once
// A table list of the main window (List1, List2): a list box of table names (TableNames)
// - kept sorted in ascending order without regard to letter case, also as entries are added;
// - in which a click, or the space bar on the focused entry, toggles that one entry's selection;
// - with a current entry (the focus mark) whose index is -1 when there is none. Only a click, a
//   key or the program makes an entry current: taking the keyboard focus does not.
#include <QListWidget>

#include "TableNames.h"

class TableList : public QListWidget, public TableNames {
  Q_OBJECT

 public:
  explicit TableList(QWidget* parent = nullptr);

  int ListIndex() const override;
  void SetListIndex(int index) override;
  int ListCount() const override { return count(); }
  QString List(int index) const override;
  bool Selected(int index) const override;
  void SetSelected(int index, bool selected) override;
  void SetAllSelected(bool selected) override;
  // Ctrl+A in the list: Select All.
  void selectAll() override;

  void AddItem(const QString& name) override;
  void RemoveItem(int index) override;
  void Clear() override;

 protected:
  void focusInEvent(QFocusEvent* event) override;
};
