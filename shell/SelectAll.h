#pragma once
// "Select All" and "Deselect All" under each table list (and Ctrl+A in a list; --all on the
// command line). Neither changes the entries, their order or the other list, and neither shows
// anything; on an empty list they do nothing.
class TableNames;

// Selects every entry. A list without a current entry also gets its first entry as the current
// one: the commands test the current entry to tell whether the user picked anything, and after
// Select All every entry is picked.
void SelectAll(TableNames& list);

// Deselects every entry; the current entry stays.
void DeselectAll(TableNames& list);
