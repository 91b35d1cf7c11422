#pragma once
// What the main window's commands work on, without the window itself: its two table lists, its
// progress bar, the window (for its pointer and as the owner of dialogs) and the connection
// values as the Setup Connections window's fields hold them at the moment of the call.
#include <QString>
#include <functional>

#include "ConnectionSettings.h"

class QProgressBar;
class QWidget;
class TableList;

struct MainWindowParts {
  QWidget* window = nullptr;            // Form2
  TableList* mysqlList = nullptr;       // List1
  TableList* foxproList = nullptr;      // List2
  QProgressBar* progressBar = nullptr;  // ProgressBar1
  std::function<ConnectionSettings()> settings;
};

// What a command says when its list has no current entry: the user has picked nothing.
inline QString PleaseSelectATable() { return QStringLiteral("Please select a table"); }
