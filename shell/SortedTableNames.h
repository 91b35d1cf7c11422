#pragma once
// A table list without a window, for the command line: the same order, selection and current
// entry as the window's TableList (the current entry follows it as Qt's list does: an entry
// added or removed before it moves it along; when it is removed itself, the entry before it
// becomes current, the first one when there is none before it).
#include <vector>

#include "TableNames.h"

class SortedTableNames : public TableNames {
 public:
  int ListIndex() const override { return current_; }
  void SetListIndex(int index) override { current_ = index; }
  int ListCount() const override { return static_cast<int>(entries_.size()); }
  QString List(int index) const override { return entries_.at(static_cast<std::size_t>(index)).name; }
  bool Selected(int index) const override { return entries_.at(static_cast<std::size_t>(index)).selected; }
  void SetSelected(int index, bool selected) override;
  void SetAllSelected(bool selected) override;
  void AddItem(const QString& name) override;
  void RemoveItem(int index) override;
  void Clear() override;

 private:
  struct Entry {
    QString name;
    bool selected = false;
  };
  std::vector<Entry> entries_;
  int current_ = -1;
};
