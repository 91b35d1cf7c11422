#pragma once
// The two table loaders. Each opens a connection of its own, reads the names of the tables,
// replaces the whole content of the list it is given (the main window's or the command line's;
// no entry selected, none current) and releases the connection. The list is cleared only once
// the catalogue could be read, so a source that cannot be reached leaves the list as it was; a
// failure while the rows are read leaves the names added so far. Failures are not trapped: they
// reach the caller as ado::Error. Both pump (shell/Pump.h) once per listed table.
#include <string>

#include "shell/ConnectionSettings.h"

class TableNames;

// The tables of a FoxPro source: the rows of its tables schema whose type is exactly "TABLE"
// (a container's tables, not its views; a folder's .dbf files). `connectionString` is the
// FoxPro connection string built from the current settings.
void LoadFoxProTables(TableNames& list, const std::string& connectionString);

// Every row "SHOW TABLES;" returns (views included), over the plain MySQL connection string of
// the settings.
void LoadMySqlTables(TableNames& list, const ConnectionSettings& settings);
