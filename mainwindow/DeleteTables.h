#pragma once
// The two "Delete Table(s)" buttons: each drops every table selected in its own list from its
// own database, without asking, and removes the dropped tables' entries. The list is walked from
// its last entry to its first, so a removal never moves an entry still to come, and an entry
// goes only once its table was dropped. Nothing is trapped: the first failure ends the run, the
// tables dropped before it stay dropped and unlisted, the failing entry and those above it stay.
// Without a current entry in the list the user has picked nothing: "Please select a table".
struct CommandParts;

// MySQL side (List1): one connection per dropped table; window events are let through before
// each entry of the walk. Nothing is opened when nothing was picked.
void DeleteMySqlTables(const CommandParts& parts);

// FoxPro side (List2): one connection for the whole run, opened before the pick is tested. In a
// container the table leaves the container with its files.
void DeleteFoxProTables(const CommandParts& parts);
