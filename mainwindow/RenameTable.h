#pragma once
// "Rename Table": gives the one selected MySQL table the name the user types, with one RENAME
// TABLE statement, and replaces its entry in List1 by the new name as the server now holds it
// (lower-cased only when the server folds table names). No current entry: "Please select a
// table"; not exactly one entry selected: "Please select just one table to rename"; Cancel or an
// empty name: nothing changes. A refused statement leaves the list as it was.
struct CommandParts;

void RenameTable(const CommandParts& parts);
