#include "SortedTableNames.h"

#include <algorithm>

void SortedTableNames::SetSelected(int index, bool selected) {
  entries_.at(static_cast<std::size_t>(index)).selected = selected;
}

void SortedTableNames::SetAllSelected(bool selected) {
  for (Entry& entry : entries_) entry.selected = selected;
}

void SortedTableNames::AddItem(const QString& name) {
  const auto at = std::lower_bound(entries_.begin(), entries_.end(), name,
                                   [](const Entry& entry, const QString& n) { return TableNameLess(entry.name, n); });
  const int index = static_cast<int>(at - entries_.begin());
  entries_.insert(at, Entry{name});
  if (current_ >= index) ++current_;
}

void SortedTableNames::RemoveItem(int index) {
  entries_.erase(entries_.begin() + index);
  if (current_ > index)
    --current_;
  else if (current_ == index)
    current_ = entries_.empty() ? -1 : std::max(index - 1, 0);
}

void SortedTableNames::Clear() {
  entries_.clear();
  current_ = -1;
}
