#pragma once
// The only way connection strings are built and the two databases probed. Every connection the
// program opens uses one of these strings as its only source of credentials (empty user name
// and password, options -1).
#include <string>

#include "shell/ConnectionSettings.h"

namespace ado {
class Connection;
}

// "DRIVER={MySQL ODBC 3.51 Driver};SERVER=…;PORT=…;USER=…;DATABASE=…;PASSWORD=…;" with the values
// exactly as the fields hold them, followed by "OPTION=133121;" with the driver options. A value
// holding ";" or beginning with "{" goes in braces ("{a;b}}c}" for a;b}c), so that it reaches
// the provider whole and selects nothing else. Throws ado::Error naming the field for a value
// that no connection string can carry (a NUL).
std::string MySqlConnectionString(const ConnectionSettings& settings, bool withDriverOptions);

// "Provider=vfpoledb.1;Data Source=<.dbc file>;Collating Sequence=machine;" for a database
// container, or "…Data Source=<folder>;Collating Sequence=general;" for a free table folder. The
// path is braced and checked as the MySQL values are. A `codePage` other than 0 follows as
// "Code Page=N;": new tables get it, and tables without a code page mark are read in it,
// instead of the locale's. `holdingRows` adds "Hold Rows=Yes;": the connection's INSERTs reach
// their table files in groups (platform/foxpro/README.md).
std::string FoxProConnectionString(const ConnectionSettings& settings, int codePage = 0, bool holdingRows = false);

// Open a connection the way the probes do (FoxPro with server-side cursors, MySQL with the plain
// string and the default cursor location). Throw ado::Error when the database cannot be reached.
void OpenFoxProProbe(ado::Connection& connection, const ConnectionSettings& settings);
void OpenMySqlProbe(ado::Connection& connection, const ConnectionSettings& settings);

// Whether a connection can be opened with these settings. Show nothing; leave nothing open.
bool TestFoxProConnection(const ConnectionSettings& settings);
bool TestMySqlConnection(const ConnectionSettings& settings);
