#include "TableList.h"

#include <QFocusEvent>

#include "SelectAll.h"

namespace {

// Orders entries without regard to letter case; QListWidget keeps a sorted list by this.
class TableItem : public QListWidgetItem {
 public:
  explicit TableItem(const QString& name) : QListWidgetItem(name, nullptr, QListWidgetItem::UserType) {}
  bool operator<(const QListWidgetItem& other) const override { return TableNameLess(text(), other.text()); }
};

}  // namespace

TableList::TableList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::MultiSelection);
  setSortingEnabled(true);
  sortItems(Qt::AscendingOrder);
}

int TableList::ListIndex() const { return currentRow(); }

void TableList::SetListIndex(int index) {
  selectionModel()->setCurrentIndex(index < 0 ? QModelIndex() : model()->index(index, 0),
                                    QItemSelectionModel::NoUpdate);
}

QString TableList::List(int index) const { return item(index)->text(); }

bool TableList::Selected(int index) const { return item(index)->isSelected(); }

void TableList::SetSelected(int index, bool selected) { item(index)->setSelected(selected); }

void TableList::SetAllSelected(bool selected) {
  if (count() == 0) return;
  // One range, not one change per entry: a list of thousands is selected in one step.
  const QItemSelection all(model()->index(0, 0), model()->index(count() - 1, 0));
  selectionModel()->select(all, selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void TableList::selectAll() { SelectAll(*this); }

void TableList::AddItem(const QString& name) { addItem(new TableItem(name)); }

void TableList::RemoveItem(int index) { delete takeItem(index); }

void TableList::Clear() {
  clear();
  SetListIndex(-1);
}

// Qt makes the first entry current when a view without one takes the focus by the keyboard or
// by the program; here the list stays without a current entry until the user picks one.
void TableList::focusInEvent(QFocusEvent* event) {
  const bool hadCurrent = currentIndex().isValid();
  QListWidget::focusInEvent(event);
  if (!hadCurrent && currentIndex().isValid()) SetListIndex(-1);
}
