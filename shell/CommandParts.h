#pragma once
// What the main window's commands work on, whichever front started them: the two table lists,
// the front (pointer, progress, owner of dialogs), the connection values as they stand at the
// moment of the call, and the code page of new FoxPro tables.
#include <QString>
#include <functional>

#include "ConnectionSettings.h"

class CommandFront;
class TableNames;

struct CommandParts {
  CommandFront* front = nullptr;
  TableNames* mysqlList = nullptr;   // List1
  TableNames* foxproList = nullptr;  // List2
  std::function<ConnectionSettings()> settings;
  // The code page new FoxPro tables get, and tables without a code page mark are read in; 0 for
  // the locale's (the window's).
  int foxproCodePage = 0;
  // The copies make typed tables with their keys (the command line's --typed) instead of the
  // window's text columns.
  bool typed = false;
};

// What a command says when its list has no current entry: the user has picked nothing.
inline QString PleaseSelectATable() { return QStringLiteral("Please select a table"); }
